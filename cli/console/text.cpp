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
    return L"\"" + shown + L"\"";
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
    return Padded(time.wYear, 4) + L"-" + Padded(time.wMonth, 2) + L"-" + Padded(time.wDay, 2) + L" " +
           Padded(time.wHour, 2) + L":" + Padded(time.wMinute, 2) + L":" + Padded(time.wSecond, 2) +
           (milliseconds ? L"." + Padded(time.wMilliseconds, 3) : L"");
}

std::wstring ResultCode(HRESULT result)
{
    const unsigned long bits = static_cast<unsigned long>(result);
    std::wstring text = L"0x";
    for (int shift = 28; shift >= 0; shift -= 4)
        text += L"0123456789ABCDEF"[(bits >> shift) & 0xF];
    return text;
}
