#include "cli/console/console_streams.h"
#include "cli/console/text.h"

StandardStreams::StandardStreams(HANDLE out, HANDLE err, UINT codePage)
    : m_out(out), m_err(err), m_codePage(codePage)
{
}

UINT StandardStreams::ConsoleCodePage()
{
    const UINT console = ::GetConsoleOutputCP();
    return console ? console : ::GetOEMCP();
}

std::string StandardStreams::Encode(const std::wstring& line, UINT codePage)
{
    const std::wstring text = Concat({line, "\r\n"});
    const int length = static_cast<int>(text.size());
    const int bytes = ::WideCharToMultiByte(codePage, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0)
        return "\r\n";
    std::string encoded(static_cast<size_t>(bytes), '\0');
    (void)::WideCharToMultiByte(codePage, 0, text.data(), length, &encoded[0], bytes, nullptr, nullptr);
    return encoded;
}

void StandardStreams::Write(HANDLE stream, const std::wstring& line) const
{
    if (!stream || stream == INVALID_HANDLE_VALUE)
        return;  // started without that stream: there is nowhere to say it
    const std::string bytes = Encode(line, m_codePage);
    DWORD written = 0;
    // A closed pipe or a full disk cannot be told anywhere either.
    const BOOL ignored = ::WriteFile(stream, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    (void)ignored;
}
