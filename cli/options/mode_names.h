#pragma once
// The names a user may type for a mode besides its display name and its code: the names of
// the standards as they are usually written, with or without the hyphen.
#include <string>
#include <vector>

#include "modes/demod_mode.h"

// The other names of the mode, in the order the list shows them; none for ATSC.
std::vector<const char*> ModeAliases(DemodMode mode);

// The mode an other name names, compared without regard to case; DemodModeNone for none.
DemodMode ModeOfAlias(const std::wstring& text);

// The display name, other name or "keep" nearest to a text that names no mode, for a "did you
// mean" hint; null when none is near enough to be what was meant.
const char* NearestModeName(const std::wstring& text);
