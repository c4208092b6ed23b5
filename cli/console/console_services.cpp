#include "cli/console/console_services.h"

#include "cli/console/text.h"

namespace {

// A message as one line: its line breaks become blanks, and those it ends with go.
std::wstring OneLine(const char* text)
{
    std::wstring line = Widen(text);
    for (wchar_t& c : line) {
        if (c == L'\r' || c == L'\n')
            c = L' ';
    }
    const size_t end = line.find_last_not_of(L' ');
    line.erase(end == std::wstring::npos ? 0 : end + 1);
    return line;
}

}  // namespace

void ConsoleServices::DebugOutput(const char* text)
{
    m_inner.DebugOutput(text);
    m_reporter.Step(Concat({"debug: ", OneLine(text)}));
}

int ConsoleServices::ShowMessageBox(HWND, const char* text, const char*, UINT)
{
    // The caption adds nothing on a line that already names the program.
    m_reporter.Error(OneLine(text));
    return IDOK;
}
