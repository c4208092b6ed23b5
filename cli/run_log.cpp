#include "cli/run_log.h"

#include "cli/text.h"

namespace {

std::wstring TwoDigits(WORD value)
{
    return (value < 10 ? L"0" : L"") + Decimal(value);
}

}  // namespace

RunLog::~RunLog()
{
    if (m_file != INVALID_HANDLE_VALUE)
        ::CloseHandle(m_file);
}

bool RunLog::Open(const std::wstring& path, DWORD& error)
{
    // Others may read the log, or append to it, while this run has it open.
    m_file = ::CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (m_file == INVALID_HANDLE_VALUE) {
        error = ::GetLastError();
        return false;
    }
    ::GetLocalTime(&m_start);
    return true;
}

std::vector<std::wstring> RunLog::Block(const SYSTEMTIME& time, const std::wstring& commandLine,
                                        const std::vector<std::wstring>& lines, int status)
{
    std::vector<std::wstring> block = {Decimal(time.wYear) + L"-" + TwoDigits(time.wMonth) + L"-" +
                                       TwoDigits(time.wDay) + L" " + TwoDigits(time.wHour) + L":" +
                                       TwoDigits(time.wMinute) + L":" + TwoDigits(time.wSecond) + L" " +
                                       commandLine};
    block.insert(block.end(), lines.begin(), lines.end());
    block.push_back(L"exit " + Decimal(static_cast<unsigned long>(status)));
    return block;
}

void RunLog::Close(const std::wstring& commandLine, int status)
{
    if (m_file == INVALID_HANDLE_VALUE)
        return;
    std::string encoded;
    for (const std::wstring& line : Block(m_start, commandLine, m_lines, status))
        encoded += StandardStreams::Encode(line, CP_UTF8);
    DWORD written = 0;
    const BOOL ignored = ::WriteFile(m_file, encoded.data(), static_cast<DWORD>(encoded.size()), &written, nullptr);
    (void)ignored;
    ::CloseHandle(m_file);
    m_file = INVALID_HANDLE_VALUE;
}
