#pragma once
// The small part of JSON that tessmorctl's --json needs: objects of texts, numbers, truth values
// and arrays, written on one line. Every character outside printable ASCII is written as a
// \u escape, so that the object survives any console code page unchanged.
#include <string>
#include <vector>
#include "cli/console/text.h"

// The text as a JSON string, quotes included.
std::wstring JsonString(const std::wstring& text);

// An array of JSON values, each already written.
std::wstring JsonArray(const std::vector<std::wstring>& values);

class JsonObject {
public:
    JsonObject& Text(const char* name, const std::wstring& text) { return Value(name, JsonString(text)); }
    JsonObject& Number(const char* name, unsigned long number);
    JsonObject& Truth(const char* name, bool truth) { return Value(name, truth ? L"true" : L"false"); }
    JsonObject& Null(const char* name) { return Value(name, L"null"); }
    // A text, or null where there is none to tell.
    JsonObject& TextOrNull(const char* name, const std::wstring& text) { return text.empty() ? Null(name) : Text(name, text); }
    // A member whose value is already written (an array or an object).
    JsonObject& Value(const char* name, const std::wstring& json);

    std::wstring Json() const { return Concat({"{", m_members, "}"}); }

private:
    std::wstring m_members;
};
