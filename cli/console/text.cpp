#include "cli/console/text.h"

namespace {
constexpr size_t kQuotedLength = 40;

wchar_t LowerAscii(wchar_t c)
{
    return c >= L'A' && c <= L'Z' ? wchar_t(c - L'A' + L'a') : c;
}
}  // namespace

std::wstring Widen(const char* text)
{
    if (!text || !*text)
        return {};
    const int length = ::MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (length <= 1)
        return {};
    std::wstring wide(static_cast<size_t>(length), L'\0');
    (void)::MultiByteToWideChar(CP_ACP, 0, text, -1, &wide[0], length);
    wide.resize(static_cast<size_t>(length - 1));
    return wide;
}

bool EqualsIgnoringCase(const std::wstring& argument, const char* word)
{
    size_t i = 0;
    for (; word[i]; ++i) {
        if (i == argument.size() ||
            LowerAscii(argument[i]) != LowerAscii(static_cast<wchar_t>(static_cast<unsigned char>(word[i]))))
            return false;
    }
    return i == argument.size();
}

std::wstring LowerCase(std::wstring text)
{
    for (wchar_t& c : text)
        c = LowerAscii(c);
    return text;
}

std::wstring Printable(std::wstring text)
{
    for (wchar_t& c : text) {
        if (c < L' ' || c == 0x7F)
            c = L'?';
    }
    return text;
}

namespace {
std::wstring QuotedUpTo(const std::wstring& argument, size_t length)
{
    std::wstring shown = Printable(argument.substr(0, length));
    if (argument.size() > length)
        shown += L"...";
    return Concat({"\"", shown, "\""});
}
}  // namespace

std::wstring Quoted(const std::wstring& argument)
{
    return QuotedUpTo(argument, kQuotedLength);
}

std::wstring QuotedWhole(const std::wstring& argument)
{
    return QuotedUpTo(argument, argument.size());
}

std::wstring Decimal(unsigned long value)
{
    std::wstring digits;
    do {
        digits.insert(digits.begin(), wchar_t(L'0' + value % 10));
        value /= 10;
    } while (value);
    return digits;
}

namespace {
std::wstring Padded(unsigned long value, size_t width)
{
    std::wstring digits = Decimal(value);
    return std::wstring(digits.size() < width ? width - digits.size() : 0, L'0') + digits;
}
}  // namespace

std::wstring DateTimeText(const SYSTEMTIME& time, bool milliseconds)
{
    return Concat({Padded(time.wYear, 4), "-", Padded(time.wMonth, 2), "-", Padded(time.wDay, 2), " ",
                   Padded(time.wHour, 2), ":", Padded(time.wMinute, 2), ":", Padded(time.wSecond, 2),
                   (milliseconds ? Concat({".", Padded(time.wMilliseconds, 3)}) : L"")});
}

std::wstring ResultCode(HRESULT result)
{
    const unsigned long bits = static_cast<unsigned long>(result);
    std::wstring text = L"0x";
    for (int shift = 28; shift >= 0; shift -= 4)
        text += L"0123456789ABCDEF"[(bits >> shift) & 0xF];
    return text;
}

size_t TextPart::Length() const
{
    if (m_length == kAscii)
        return std::char_traits<char>::length(static_cast<const char*>(m_text));
    if (m_length == kWide)
        return std::char_traits<wchar_t>::length(static_cast<const wchar_t*>(m_text));
    return m_length;
}

void TextPart::AppendTo(std::wstring& text) const
{
    if (m_length != kAscii) {
        text.append(static_cast<const wchar_t*>(m_text), Length());
        return;
    }
    for (const char* ascii = static_cast<const char*>(m_text); *ascii; ++ascii)
        text.push_back(static_cast<wchar_t>(static_cast<unsigned char>(*ascii)));
}

std::wstring Ascii(const char* words)
{
    return Concat({words});
}

std::wstring Concat(std::initializer_list<TextPart> parts)
{
    size_t length = 0;
    for (const TextPart& part : parts)
        length += part.Length();
    std::wstring text;
    text.reserve(length);
    for (const TextPart& part : parts)
        part.AppendTo(text);
    return text;
}
