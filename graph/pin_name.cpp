#include "graph/pin_name.h"

#include <cstring>
#include <cwchar>
#include <vector>

namespace {

int CharacterWidth(const char* text, int available)
{
    return available >= 2 && ::IsDBCSLeadByte(static_cast<BYTE>(*text)) ? 2 : 1;
}

}  // namespace

void PinNameToAnsi(const WCHAR (&wide)[MAX_PIN_NAME], char (&ansi)[kPinNameBufferSize])
{
    std::memset(ansi, 0, sizeof ansi);
    const int length = static_cast<int>(wcsnlen(wide, MAX_PIN_NAME));
    if (length == 0)
        return;
    // Multi-byte code pages may need more bytes than the name has characters: ask first.
    const int bytes =
        ::WideCharToMultiByte(CP_ACP, 0, wide, length, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0)
        return;
    std::vector<char> converted(bytes);
    if (::WideCharToMultiByte(CP_ACP, 0, wide, length, converted.data(), bytes, nullptr,
                              nullptr) != bytes)
        return;

    int used = 0;
    for (int at = 0; at < bytes;) {
        const int width = CharacterWidth(&converted[at], bytes - at);
        if (used + width > kPinNameBufferSize - 1)
            break;
        std::memcpy(ansi + used, &converted[at], width);
        used += width;
        at += width;
    }
}

bool ContainsText(const char* text, const char* part)
{
    const size_t partLength = std::strlen(part);
    for (int remaining = static_cast<int>(std::strlen(text)); remaining > 0;) {
        if (std::strncmp(text, part, partLength) == 0)
            return true;
        const int width = CharacterWidth(text, remaining);
        text += width;
        remaining -= width;
    }
    return partLength == 0;
}
