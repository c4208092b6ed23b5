#include "sim/server/card_channel.h"

#include <vfwmsgs.h>

#include "platform/identities.h"
#include "sim/server/sim_registry.h"
#include "sim/server/window_watch.h"

CardChannel::CardChannel(SimPin& pin) : m_filter(&pin.Owner()), m_pin(pin)
{
}

IKsPropertySet* CardChannel::Create(SimPin& pin)
{
    return new CardChannel(pin);
}

void CardChannel::LoadModes()
{
    BYTE stored[2];
    if (SimRegistry::ReadBytes(SimRegistry::kCard, "Modes", stored, 2)) {
        modes[0] = stored[0];
        modes[1] = stored[1];
    } else {
        modes[0] = 1;  // DVB-T/T2
        modes[1] = 2;  // DVB-S/S2
    }
}

wchar_t CardChannel::UpstreamNetwork() const
{
    IPin* peer = m_pin.Peer();
    PIN_INFO info = {};
    if (!peer || FAILED(peer->QueryPinInfo(&info)) || !info.pFilter)
        return 0;
    CLSID clsid = GUID_NULL;
    const HRESULT known = info.pFilter->GetClassID(&clsid);
    info.pFilter->Release();
    if (FAILED(known))
        return 0;
    if (clsid == DVB_SATELLITE_TV_NETWORK_TYPE)
        return L'S';
    if (clsid == DVB_TERRESTRIAL_TV_NETWORK_TYPE)
        return L'T';
    if (clsid == DVB_CABLE_TV_NETWORK_TYPE)
        return L'C';
    return 0;
}

HRESULT CardChannel::QuerySupported(REFGUID set, DWORD id, DWORD* support)
{
    WindowWatch::Sample();
    const SimScenario scenario = SimScenario::Read();
    const wchar_t network = UpstreamNetwork();
    const bool everywhere = scenario.supportedNetworks.find_first_not_of(L"STC") == std::wstring::npos &&
                            scenario.supportedNetworks.size() == 3;
    querySupportedResult =
        everywhere || (network && scenario.supportedNetworks.find(network) != std::wstring::npos)
            ? S_OK
            : E_PROP_SET_UNSUPPORTED;
    return SimPropertySet::QuerySupported(set, id, support);
}

HRESULT CardChannel::Get(REFGUID set, DWORD id, void* instance, DWORD instanceLength, void* data,
                         DWORD dataLength, DWORD* returned)
{
    WindowWatch::Sample();
    LoadModes();
    getResult = SimScenario::Read().getFails ? E_FAIL : S_OK;
    return SimPropertySet::Get(set, id, instance, instanceLength, data, dataLength, returned);
}

HRESULT CardChannel::Set(REFGUID set, DWORD id, void* instance, DWORD instanceLength, void* data,
                         DWORD dataLength)
{
    WindowWatch::Sample();
    LoadModes();
    const SimScenario scenario = SimScenario::Read();
    setResult = scenario.setFails ? E_FAIL : S_OK;
    const HRESULT result = SimPropertySet::Set(set, id, instance, instanceLength, data, dataLength);
    if (SUCCEEDED(result) && !scenario.setIgnored)
        SimRegistry::WriteBytes(SimRegistry::kCard, "Modes", modes, 2);
    return result;
}
