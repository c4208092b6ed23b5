#include "modes/demod_property.h"

#include "platform/identities.h"

// The driver takes the payload both as instance data and as property data: the same two-byte
// buffer is passed twice.

bool QueryDemodModeSupport(IKsPropertySet* channel)
{
    if (!channel)
        return false;
    DWORD support = 0;  // the flags are reported but not required individually
    return SUCCEEDED(channel->QuerySupported(KSPROPSETID_DemodMode,
                                             KSPROPERTY_BDA_CTRL_DemodMode, &support));
}

HRESULT ReadDemodModes(IKsPropertySet* channel, DemodModeBlock& modes)
{
    modes = {};
    DWORD returned = 0;
    const HRESULT result = channel->Get(KSPROPSETID_DemodMode, KSPROPERTY_BDA_CTRL_DemodMode,
                                        &modes, sizeof modes, &modes, sizeof modes, &returned);
    if (SUCCEEDED(result) && returned < sizeof modes)
        return E_UNEXPECTED;
    return result;
}

DemodModeBlock GetDemodModes(IKsPropertySet* channel)
{
    DemodModeBlock modes;
    const HRESULT ignored = ReadDemodModes(channel, modes);
    (void)ignored;
    return modes;
}

bool SetDemodModes(IKsPropertySet* channel, DemodModeBlock modes)
{
    return SUCCEEDED(channel->Set(KSPROPSETID_DemodMode, KSPROPERTY_BDA_CTRL_DemodMode, &modes,
                                  sizeof modes, &modes, sizeof modes));
}
