#pragma once
// Pin names in the system ANSI code page, as the tuner pin search compares them.
#include <windows.h>
#include <strmif.h>

// The search buffer: 79 bytes of name and the terminating NUL.
constexpr int kPinNameBufferSize = 80;

// Converts a pin's wide name to the ANSI code page and keeps as many whole characters of it as
// fit in 79 bytes; a double-byte character that does not fit is left out entirely. Reads the
// wide name only up to its terminator or MAX_PIN_NAME characters.
void PinNameToAnsi(const WCHAR (&wide)[MAX_PIN_NAME], char (&ansi)[kPinNameBufferSize]);

// Whether text contains part, case-sensitive, starting only at character boundaries, so that
// the second byte of a double-byte character never begins a match.
bool ContainsText(const char* text, const char* part);
