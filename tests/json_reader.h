#pragma once
// Reads what tessmorctl's --json writes, as a script's JSON reader would: strictly (one value,
// nothing after it), so that a test fails on output a reader would refuse. Texts keep their
// escapes' code points only for ASCII, all that the tests compare.
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

struct JsonValue {
    enum class Kind { Null, Truth, Number, Text, Array, Object };
    Kind kind = Kind::Null;
    bool truth = false;
    long number = 0;
    std::string text;
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

    static bool Read(const std::string& json, JsonValue& value)
    {
        size_t at = 0;
        return ReadValue(json, at, value) && Skip(json, at) == json.size();
    }

private:
    static size_t Skip(const std::string& json, size_t& at)
    {
        while (at < json.size() && std::string(" \t\r\n").find(json[at]) != std::string::npos)
            ++at;
        return at;
    }
    static bool Next(const std::string& json, size_t& at, char expected)
    {
        return Skip(json, at) < json.size() && json[at] == expected && ++at;
    }
    static bool ReadText(const std::string& json, size_t& at, std::string& text)
    {
        if (!Next(json, at, '"'))
            return false;
        while (at < json.size() && json[at] != '"') {
            char c = json[at++];
            if (static_cast<unsigned char>(c) < 0x20 || (c == '\\' && at >= json.size()))
                return false;
            if (c == '\\') {
                const char escaped = json[at++];
                const std::string simple = "\"\\/bfnrt", meaning = "\"\\/\b\f\n\r\t";
                if (escaped == 'u' && at + 4 <= json.size()) {
                    c = char(std::strtoul(json.substr(at, 4).c_str(), nullptr, 16));
                    at += 4;
                } else if (simple.find(escaped) != std::string::npos) {
                    c = meaning[simple.find(escaped)];
                } else {
                    return false;
                }
            }
            text += c;
        }
        return at++ < json.size();
    }
    // The items of an array or the members of an object, up to the closing bracket.
    template <class ReadOne>
    static bool ReadList(const std::string& json, size_t& at, char close, ReadOne readOne)
    {
        if (Next(json, at, close))
            return true;
        do {
            if (!readOne())
                return false;
        } while (Next(json, at, ','));
        return Next(json, at, close);
    }
    static bool ReadValue(const std::string& json, size_t& at, JsonValue& value)
    {
        if (Skip(json, at) >= json.size())
            return false;
        const char c = json[at];
        if (c == '{' && ++at) {
            value.kind = Kind::Object;
            return ReadList(json, at, '}', [&] {
                value.members.emplace_back();
                return ReadText(json, at, value.members.back().first) && Next(json, at, ':') &&
                       ReadValue(json, at, value.members.back().second);
            });
        }
        if (c == '[' && ++at) {
            value.kind = Kind::Array;
            return ReadList(json, at, ']', [&] {
                value.items.emplace_back();
                return ReadValue(json, at, value.items.back());
            });
        }
        if (c == '"') {
            value.kind = Kind::Text;
            return ReadText(json, at, value.text);
        }
        if (c == '-' || (c >= '0' && c <= '9')) {
            char* end = nullptr;
            value.kind = Kind::Number;
            value.number = std::strtol(json.c_str() + at, &end, 10);
            at = size_t(end - json.c_str());
            return true;
        }
        for (const char* word : {"null", "true", "false"}) {
            if (json.compare(at, std::string(word).size(), word) == 0) {
                value.kind = word[0] == 'n' ? Kind::Null : Kind::Truth;
                value.truth = word[0] == 't';
                at += std::string(word).size();
                return true;
            }
        }
        return false;
    }
};
