#pragma once
// The demodulator modes of the card's two tuners and the two-byte block the driver exchanges.

// One tuner's demodulator mode: 1 to 7 are the broadcast standards below. Inside the dialog 0
// marks a tuner for which the user has chosen nothing yet; it is never written to the card.
using DemodMode = unsigned char;

enum : DemodMode {
    DemodModeNone = 0,
    DemodModeDvbT = 1,
    DemodModeDvbS = 2,
    DemodModeAtsc = 3,
    DemodModeDvbC = 4,
    DemodModeIsdbT = 5,
    DemodModeMcnsQamB = 6,
    DemodModeDvbC2 = 7,
};

constexpr int kDemodModeCount = 7;

// The property's payload: tuner A ("Tuner 0 :") then tuner B ("Tuner 1 :"), nothing else.
struct DemodModeBlock {
    DemodMode tunerA;
    DemodMode tunerB;
};
static_assert(sizeof(DemodModeBlock) == 2, "the driver expects exactly two bytes");

// The display name of a mode, as the dialog lists and shows it; "NO Set" outside 1 to 7.
const char* DemodModeName(DemodMode mode);
