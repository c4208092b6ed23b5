#include "sim/sim_property_set.h"

#include <vfwmsgs.h>

#include <algorithm>

#include "platform/identities.h"
#include "sim/sim_faults.h"

namespace {
constexpr DWORD kDemodModeProperty = 60;

std::vector<BYTE> Bytes(const void* buffer, DWORD length)
{
    if (!buffer)
        return {};
    const BYTE* bytes = static_cast<const BYTE*>(buffer);
    return std::vector<BYTE>(bytes, bytes + length);
}
}  // namespace

HRESULT SimPropertySet::CheckProperty(REFGUID set, DWORD id) const
{
    if (set != KSPROPSETID_DemodMode)
        return E_PROP_SET_UNSUPPORTED;
    if (id != kDemodModeProperty)
        return E_PROP_ID_UNSUPPORTED;
    return S_OK;
}

void SimPropertySet::Remember(Call call, REFGUID set, DWORD id, const void* instance,
                              DWORD instanceLength, const void* data, DWORD dataLength)
{
    calls.push_back({call, set, id, Bytes(instance, instanceLength), instanceLength,
                     Bytes(data, dataLength), dataLength, instance == data, false});
}

HRESULT SimPropertySet::QuerySupported(REFGUID set, DWORD id, DWORD* support)
{
    Remember(Call::QuerySupported, set, id, nullptr, 0, nullptr, 0);
    if (!support)
        return E_POINTER;
    *support = 0;
    const HRESULT injected = SimFaults::Check("IKsPropertySet::QuerySupported");
    if (FAILED(injected))
        return injected;
    HRESULT result = querySupportedResult;
    if (!querySupportedSequence.empty()) {
        result = querySupportedSequence.front();
        querySupportedSequence.erase(querySupportedSequence.begin());
    }
    if (FAILED(result))
        return result;
    const HRESULT known = CheckProperty(set, id);
    if (FAILED(known))
        return known;
    *support = supportFlags;
    return result;
}

HRESULT SimPropertySet::Get(REFGUID set, DWORD id, void* instance, DWORD instanceLength,
                            void* data, DWORD dataLength, DWORD* returned)
{
    Remember(Call::Get, set, id, instance, instanceLength, data, dataLength);
    calls.back().countPlace = returned != nullptr;
    if (!returned)
        return E_POINTER;
    const HRESULT injected = SimFaults::Check("IKsPropertySet::Get");
    HRESULT result = FAILED(injected)    ? injected
                     : FAILED(getResult) ? getResult
                                         : CheckProperty(set, id);
    if (SUCCEEDED(result) && (!data || dataLength < sizeof modes))
        result = E_INVALIDARG;
    DWORD written = 0;
    if (SUCCEEDED(result)) {
        written = std::min<DWORD>(getBytesWritten, sizeof modes);
        std::copy(modes, modes + written, static_cast<BYTE*>(data));
    }
    *returned = written;
    return result;
}

HRESULT SimPropertySet::Set(REFGUID set, DWORD id, void* instance, DWORD instanceLength,
                            void* data, DWORD dataLength)
{
    Remember(Call::Set, set, id, instance, instanceLength, data, dataLength);
    const HRESULT injected = SimFaults::Check("IKsPropertySet::Set");
    if (FAILED(injected))
        return injected;
    if (FAILED(setResult))
        return setResult;
    const HRESULT known = CheckProperty(set, id);
    if (FAILED(known))
        return known;
    if (!data || dataLength < sizeof modes)
        return E_INVALIDARG;
    std::copy_n(static_cast<const BYTE*>(data), sizeof modes, modes);
    return setResult;
}
