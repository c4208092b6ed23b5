#pragma once
// The property channel of the simulated card's "Input0" pin, as the server offers it: the mode
// bytes live in the registry, so that they outlast the program like a real card's mode, and the
// property is supported only in graphs whose network provider the scenario names.
#include "sim/sim_filter.h"
#include "sim/sim_property_set.h"

class CardChannel : public SimPropertySet {
public:
    // A channel for the pin, with one reference; it keeps the pin's filter alive. The second
    // card of a PC with two keeps its modes apart and has its own supported standards.
    static IKsPropertySet* Create(SimPin& pin, bool secondCard = false);

    HRESULT STDMETHODCALLTYPE Set(REFGUID set, DWORD id, void* instance, DWORD instanceLength,
                                  void* data, DWORD dataLength) override;
    HRESULT STDMETHODCALLTYPE Get(REFGUID set, DWORD id, void* instance, DWORD instanceLength,
                                  void* data, DWORD dataLength, DWORD* returned) override;
    HRESULT STDMETHODCALLTYPE QuerySupported(REFGUID set, DWORD id, DWORD* support) override;

private:
    CardChannel(SimPin& pin, bool secondCard);
    const char* CardKey() const;
    // The letter (S, T or C) of the network provider connected to the pin, or 0.
    wchar_t UpstreamNetwork() const;
    void LoadModes();

    ComPtr<IBaseFilter> m_filter;  // keeps m_pin alive
    SimPin& m_pin;
    bool m_secondCard;
};
