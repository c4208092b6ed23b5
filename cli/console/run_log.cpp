#include "cli/console/run_log.h"

#include "cli/console/text.h"

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

bool RunLog::Open(const std::wstring& path, const std::wstring& commandLine, std::wstring& problem)
{
    const LogFileOpening opening = OpenLogFile(path);
    if (opening.file == INVALID_HANDLE_VALUE) {
        problem = opening.problem;
        return false;
    }
    m_file = opening.file;
    Write(commandLine);
    return true;
}

std::wstring RunLog::Prefix(const SYSTEMTIME& localTime, DWORD processId)
{
    return Concat({DateTimeText(localTime, true), " [", Decimal(processId), "] "});
}

void RunLog::Append(const std::wstring& line, bool last)
{
    SYSTEMTIME now = {};
    ::GetLocalTime(&now);
    const std::string bytes = StandardStreams::Encode(Prefix(now, ::GetCurrentProcessId()) + Printable(line), CP_UTF8);
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
    Append(Concat({"exit ", Decimal(static_cast<unsigned long>(status))}), true);
}

void RunLog::Stop(const std::wstring& reason)
{
    Append(Concat({"stopped (", reason, ")"}), true);
}
