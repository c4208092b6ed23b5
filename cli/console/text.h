#pragma once
// Small text helpers of the console program.
#include <windows.h>

#include <initializer_list>
#include <string>

// One part of a Concat: a text, a null-terminated one, or a null-terminated ASCII one (such as
// a message's words), whose every byte is one character. Kept narrow, the program's messages
// take half the room in the image.
class TextPart {
public:
    TextPart(const std::wstring& text) : m_text(text.data()), m_length(text.size()) {}
    TextPart(const wchar_t* text) : m_text(text), m_length(kWide) {}
    TextPart(const char* ascii) : m_text(ascii), m_length(kAscii) {}

    void AppendTo(std::wstring& text) const;
    size_t Length() const;

private:
    // The length, where it is known; otherwise what the text is.
    static constexpr size_t kWide = static_cast<size_t>(-1);
    static constexpr size_t kAscii = static_cast<size_t>(-2);
    const void* m_text;
    size_t m_length;
};

// The parts one after another, made as one text at once, where a chain of + would make a text
// for each part.
std::wstring Concat(std::initializer_list<TextPart> parts);

// A message's words, written as ASCII so that they take half the room in the image, as a text.
std::wstring Ascii(const char* words);

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
