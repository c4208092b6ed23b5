#pragma once
// Reads what tessmorctl's --json writes, as a script's JSON reader would: strictly (one value,
// nothing after it), so that a test fails on output a reader would refuse.
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

struct JsonValue {
    enum class Kind { Null, Truth, Number, Text, Array, Object };
    Kind kind = Kind::Null;
    bool truth = false;
    long number = 0;
    std::string text;  // UTF-8
    std::vector<JsonValue> items;
    std::vector<std::pair<std::string, JsonValue>> members;

    // The member, or a null value when there is none.
    const JsonValue& operator[](const std::string& name) const
    {
        static const JsonValue none;
        for (const auto& member : members) {
            if (member.first == name)
                return member.second;
        }
        return none;
    }

    // False when the text is not exactly one JSON value (blanks around it allowed).
    static bool Read(const std::string& json, JsonValue& value)
    {
        size_t at = 0;
        return ReadValue(json, at, value) && Skip(json, at) == json.size();
    }

private:
    static size_t Skip(const std::string& json, size_t& at)
    {
        while (at < json.size() && (json[at] == ' ' || json[at] == '\t' || json[at] == '\r' || json[at] == '\n'))
            ++at;
        return at;
    }
    static bool Word(const std::string& json, size_t& at, const char* word)
    {
        const std::string expected(word);
        if (json.compare(at, expected.size(), expected) != 0)
            return false;
        at += expected.size();
        return true;
    }
    static void AppendUtf8(std::string& text, unsigned code)
    {
        if (code < 0x80) {
            text += char(code);
        } else if (code < 0x800) {
            text += char(0xC0 | (code >> 6));
            text += char(0x80 | (code & 0x3F));
        } else {
            text += char(0xE0 | (code >> 12));
            text += char(0x80 | ((code >> 6) & 0x3F));
            text += char(0x80 | (code & 0x3F));
        }
    }
    static bool ReadText(const std::string& json, size_t& at, std::string& text)
    {
        if (json[at++] != '"')
            return false;
        while (at < json.size() && json[at] != '"') {
            const char c = json[at++];
            if (static_cast<unsigned char>(c) < 0x20)
                return false;
            if (c != '\\') {
                text += c;
                continue;
            }
            if (at >= json.size())
                return false;
            const char escaped = json[at++];
            const std::string simple = "\"\\/bfnrt", meaning = "\"\\/\b\f\n\r\t";
            if (simple.find(escaped) != std::string::npos) {
                text += meaning[simple.find(escaped)];
            } else if (escaped == 'u' && at + 4 <= json.size()) {
                AppendUtf8(text, unsigned(std::strtoul(json.substr(at, 4).c_str(), nullptr, 16)));
                at += 4;
            } else {
                return false;
            }
        }
        return at++ < json.size();
    }
    static bool ReadValue(const std::string& json, size_t& at, JsonValue& value)
    {
        if (Skip(json, at) >= json.size())
            return false;
        const char c = json[at];
        if (c == '{') {
            value.kind = Kind::Object;
            ++at;
            if (Skip(json, at) < json.size() && json[at] == '}')
                return ++at, true;
            for (;;) {
                std::pair<std::string, JsonValue> member;
                if (Skip(json, at) >= json.size() || json[at] != '"' || !ReadText(json, at, member.first))
                    return false;
                if (Skip(json, at) >= json.size() || json[at++] != ':' || !ReadValue(json, at, member.second))
                    return false;
                value.members.push_back(member);
                if (Skip(json, at) >= json.size())
                    return false;
                if (json[at] == '}')
                    return ++at, true;
                if (json[at++] != ',')
                    return false;
            }
        }
        if (c == '[') {
            value.kind = Kind::Array;
            ++at;
            if (Skip(json, at) < json.size() && json[at] == ']')
                return ++at, true;
            for (;;) {
                value.items.emplace_back();
                if (!ReadValue(json, at, value.items.back()) || Skip(json, at) >= json.size())
                    return false;
                if (json[at] == ']')
                    return ++at, true;
                if (json[at++] != ',')
                    return false;
            }
        }
        if (c == '"') {
            value.kind = Kind::Text;
            return ReadText(json, at, value.text);
        }
        if (c == '-' || (c >= '0' && c <= '9')) {
            value.kind = Kind::Number;
            char* end = nullptr;
            value.number = std::strtol(json.c_str() + at, &end, 10);
            at = size_t(end - json.c_str());
            return true;
        }
        value.kind = c == 'n' ? Kind::Null : Kind::Truth;
        value.truth = c == 't';
        return Word(json, at, c == 'n' ? "null" : c == 't' ? "true" : "false");
    }
};
