#pragma once
// The card's device names as tessmorctl looks for them, and what its messages tell the user to
// do when the card is not as it should be.
#include <windows.h>

#include <string>

constexpr wchar_t kTunerName[] = L"VKO 8317 Tuner 0";
constexpr wchar_t kCaptureName[] = L"VKO 8317 Capture 0";

// What to do next, after the error line it follows.
constexpr wchar_t kCardInUseAdvice[] =
    L"another program may be using the card, or its driver is not started: close TV programs and try again";
constexpr wchar_t kNoCardAdvice[] =
    L"check that the card is installed with its driver; at logon, --timeout SECONDS (such as "
    L"--timeout 60) gives the driver time to start";
constexpr wchar_t kUnsupportedAdvice[] =
    L"the driver installed may not be the card's own, or too old for it: install the card's current driver";
constexpr wchar_t kNotAppliedAdvice[] =
    L"the card may need longer to switch: try again with a longer --timeout, such as --timeout 30";

// What a verbose step adds when it tells a try made again: " again (N.N s after the start)";
// nothing for a first try.
std::wstring TryNote(bool again, ULONGLONG milliseconds);
