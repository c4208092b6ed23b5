#include "cli/task/argument_quoting.h"
#include "cli/console/text.h"

std::wstring QuotedArgument(const std::wstring& argument)
{
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos)
        return argument;
    std::wstring quoted = L"\"";
    size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        // Backslashes count only before a quote: there each stands for half of what is written.
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        quoted += c;
        backslashes = 0;
    }
    quoted.append(backslashes * 2, L'\\');
    return Concat({quoted, "\""});
}

std::wstring TaskTextRefusal(const std::wstring& text)
{
    for (const wchar_t c : text) {
        if (c < L' ' || c == 0x7F)
            return Ascii("holds a control character, which the task's definition cannot carry");
        if (c == L'"')
            return Ascii("holds a quote, which no Windows path holds");
        if (c == L'%')
            return Ascii("holds a '%', which the Task Scheduler would take for the start of a variable");
    }
    return {};
}
