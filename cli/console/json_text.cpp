#include "cli/console/json_text.h"

#include "cli/console/text.h"

std::wstring JsonString(const std::wstring& text)
{
    std::wstring json = L"\"";
    for (wchar_t c : text) {
        if (c == L'"' || c == L'\\') {
            json += L'\\';
            json += c;
        } else if (c >= L' ' && c < 0x7F) {
            json += c;
        } else {
            json += L"\\u";
            for (int shift = 12; shift >= 0; shift -= 4)
                json += L"0123456789abcdef"[(c >> shift) & 0xF];
        }
    }
    return Concat({json, "\""});
}

std::wstring JsonArray(const std::vector<std::wstring>& values)
{
    std::wstring json = L"[";
    for (size_t i = 0; i < values.size(); ++i)
        json += (i ? L"," : L"") + values[i];
    return Concat({json, "]"});
}

JsonObject& JsonObject::Number(const char* name, unsigned long number)
{
    return Value(name, Decimal(number));
}

JsonObject& JsonObject::Value(const char* name, const std::wstring& json)
{
    if (!m_members.empty())
        m_members += L",";
    m_members += Concat({JsonString(Widen(name)), ":", json});
    return *this;
}
