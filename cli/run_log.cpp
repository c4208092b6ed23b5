#include "cli/run_log.h"

#include "cli/text.h"

namespace {

const char kByteOrderMark[] = "\xEF\xBB\xBF";

// A log past its size is renamed to FILE.1 before it is opened. Another run may be rotating it
// at the same moment, or hold it open from an older version without letting it be renamed: the
// run then appends to the log as it finds it.
void RotateIfLarge(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return;
    const ULONGLONG size = (ULONGLONG(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    if (size <= kLogRotationSize)
        return;
    const BOOL rotated = ::MoveFileExW(path.c_str(), (path + L".1").c_str(), MOVEFILE_REPLACE_EXISTING);
    (void)rotated;
}

}  // namespace

RunLog::RunLog()
{
    ::InitializeCriticalSection(&m_lock);
}

RunLog::~RunLog()
{
    if (m_file != INVALID_HANDLE_VALUE)
        ::CloseHandle(m_file);
    ::DeleteCriticalSection(&m_lock);
}

bool RunLog::Open(const std::wstring& path, const std::wstring& commandLine, DWORD& error)
{
    RotateIfLarge(path);
    // Others may read the log, append to it or rotate it while this run has it open.
    const HANDLE file = ::CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = ::GetLastError();
        return false;
    }
    const bool created = ::GetLastError() != ERROR_ALREADY_EXISTS;
    if (created) {
        DWORD written = 0;
        const BOOL marked = ::WriteFile(file, kByteOrderMark, 3, &written, nullptr);
        (void)marked;
    }
    m_file = file;
    Write(commandLine);
    return true;
}

std::wstring RunLog::Prefix(const SYSTEMTIME& localTime, DWORD processId)
{
    return DateTimeText(localTime, true) + L" [" + Decimal(processId) + L"] ";
}

void RunLog::Append(const std::wstring& line, bool last)
{
    SYSTEMTIME now = {};
    ::GetLocalTime(&now);
    const std::string bytes = StandardStreams::Encode(Prefix(now, ::GetCurrentProcessId()) + line, CP_UTF8);
    ::EnterCriticalSection(&m_lock);
    if (m_file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        const BOOL appended = ::WriteFile(m_file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        (void)appended;
        if (last) {
            ::CloseHandle(m_file);
            m_file = INVALID_HANDLE_VALUE;
        }
    }
    ::LeaveCriticalSection(&m_lock);
}

void RunLog::Write(const std::wstring& line)
{
    Append(line, false);
}

void RunLog::Close(int status)
{
    Append(L"exit " + Decimal(static_cast<unsigned long>(status)), true);
}

void RunLog::Stop(const std::wstring& reason)
{
    Append(L"stopped (" + reason + L")", true);
}
