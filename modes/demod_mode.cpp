#include "modes/demod_mode.h"

namespace {
// Position i names mode i + 1; the dialog's two lists hold the same texts in the same order.
const char* const kModeNames[kDemodModeCount] = {
    "DVB-T/T2", "DVB-S/S2", "ATSC", "DVB-C", "ISDB-T", "MCNS/QAMB", "DVBC2",
};
}  // namespace

const char* DemodModeName(DemodMode mode)
{
    if (mode < 1 || mode > kDemodModeCount)
        return "NO Set";
    return kModeNames[mode - 1];
}
