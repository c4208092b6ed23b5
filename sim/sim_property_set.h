#pragma once
// The simulated property channel of the card's tuner pin: it answers the demodulator-mode
// property with the card's two mode bytes, records every call with the buffers it was given,
// and fails any call on request.
#include <windows.h>
#include <strmif.h>

#include <vector>

#include "sim/sim_object.h"

class SimPropertySet : public SimObject<IKsPropertySet> {
public:
    enum class Call { QuerySupported, Get, Set };

    struct Record {
        Call call;
        GUID set;
        DWORD id;
        std::vector<BYTE> instance;  // the instance data as it was passed in
        DWORD instanceLength;
        std::vector<BYTE> data;  // the property data as it was passed in
        DWORD dataLength;
        bool sameBuffer;  // instance and property data were one buffer
        bool countPlace;  // Get only: a place for the count of bytes returned was given
    };

    static SimPropertySet* Create() { return new SimPropertySet(); }

    // The card's state: tuner A's and tuner B's mode bytes.
    BYTE modes[2] = {1, 2};

    // Failure injection and behaviour.
    HRESULT querySupportedResult = S_OK;
    // Results for the next support tests, in order, before querySupportedResult applies again.
    std::vector<HRESULT> querySupportedSequence;
    DWORD supportFlags = KSPROPERTY_SUPPORT_GET | KSPROPERTY_SUPPORT_SET;
    // Like the driver's channel, a Get without a place for the count of bytes it returns is
    // refused.
    HRESULT getResult = S_OK;
    DWORD getBytesWritten = 2;  // how many mode bytes a Get writes into the caller's buffer
    HRESULT setResult = S_OK;

    std::vector<Record> calls;

    HRESULT STDMETHODCALLTYPE Set(REFGUID set, DWORD id, void* instance, DWORD instanceLength,
                                  void* data, DWORD dataLength) override;
    HRESULT STDMETHODCALLTYPE Get(REFGUID set, DWORD id, void* instance, DWORD instanceLength,
                                  void* data, DWORD dataLength, DWORD* returned) override;
    HRESULT STDMETHODCALLTYPE QuerySupported(REFGUID set, DWORD id, DWORD* support) override;

protected:
    SimPropertySet() = default;

private:
    HRESULT CheckProperty(REFGUID set, DWORD id) const;
    void Remember(Call call, REFGUID set, DWORD id, const void* instance, DWORD instanceLength,
                  const void* data, DWORD dataLength);
};
