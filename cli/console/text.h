#pragma once
// Small text helpers of the console program.
#include <windows.h>

#include <string>

// ANSI text (the program's messages and mode names) as UTF-16.
std::wstring Widen(const char* text);

// Whether the argument equals the ASCII word, letters compared without regard to case.
bool EqualsIgnoringCase(const std::wstring& argument, const char* word);

// The text with its ASCII letters in lower case, as Windows compares device paths.
std::wstring LowerCase(std::wstring text);

// The text with its control characters shown as '?', so that it cannot make a line of its own.
std::wstring Printable(std::wstring text);

// An argument as it may be quoted back in a message: control characters shown as '?', and
// cut short with "..." when it is long.
std::wstring Quoted(const std::wstring& argument);
// The same, never cut short: for a device path, whose end tells it from another.
std::wstring QuotedWhole(const std::wstring& argument);

// A number in decimal.
std::wstring Decimal(unsigned long value);

// A date and time as the log and the task's status show them: "2026-03-09 07:05:12", with
// ".348" after the seconds when milliseconds are asked for.
std::wstring DateTimeText(const SYSTEMTIME& time, bool milliseconds);

// A failure result as a script's reader expects it, such as 0x80004005.
std::wstring ResultCode(HRESULT result);
