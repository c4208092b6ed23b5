#pragma once
// One tuner's mode as a script names it: a display name, another usual name of the standard
// (cli/options/mode_names.h) or a code from 1 to 7, in any case,
// or "keep" for the mode the tuner has now.
#include <string>

#include "modes/demod_mode.h"

struct ModeChoice {
    bool keep = false;
    DemodMode mode = DemodModeNone;  // when not kept: the code named, 1 to 7
};

// False when the text names no mode (nor "keep"). ATSC is a mode like the others here; whether
// it may be written is the caller's question.
bool ParseModeChoice(const std::wstring& text, ModeChoice& choice);
