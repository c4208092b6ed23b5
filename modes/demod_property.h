#pragma once
// The card's demodulator-mode property, reached through the property channel: the
// IKsPropertySet of the tuner filter's "Input0" pin. Reads and writes always carry both
// tuners' modes together; after a write the card takes about eight seconds to switch.
#include <windows.h>
#include <strmif.h>

#include "modes/demod_mode.h"

// Property id within the vendor set KSPROPSETID_DemodMode.
constexpr DWORD KSPROPERTY_BDA_CTRL_DemodMode = 60;

// Succeeds when QuerySupported answers with a non-negative result, whatever support flags it
// reports. An absent channel does not support anything.
bool QueryDemodModeSupport(IKsPropertySet* channel);

// One Get of the whole block into modes, which is cleared first, so that a failed or short read
// leaves zeros ("NO Set") instead of stale bytes. The driver's result; a read that succeeded
// but returned fewer than the two bytes is failed with E_UNEXPECTED.
HRESULT ReadDemodModes(IKsPropertySet* channel, DemodModeBlock& modes);

// The same read for callers that do not examine its result (the dialog shows what it got).
DemodModeBlock GetDemodModes(IKsPropertySet* channel);

// One Set of the whole block; false when the driver refused it (negative result).
bool SetDemodModes(IKsPropertySet* channel, DemodModeBlock modes);
