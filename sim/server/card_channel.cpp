#include "sim/server/card_channel.h"

#include <vfwmsgs.h>

#include <algorithm>

#include "platform/identities.h"
#include "sim/server/sim_registry.h"
#include "sim/server/window_watch.h"

CardChannel::CardChannel(SimPin& pin, bool secondCard) : m_filter(&pin.Owner()), m_pin(pin), m_secondCard(secondCard)
{
}

IKsPropertySet* CardChannel::Create(SimPin& pin, bool secondCard)
{
    return new CardChannel(pin, secondCard);
}

const char* CardChannel::CardKey() const
{
    return m_secondCard ? SimRegistry::kSecondCard : SimRegistry::kCard;
}

namespace {

// The system time in milliseconds, which the pending modes are stamped with: it runs on
// across the runs of the programs, as the card's own clock would.
ULONGLONG SystemMilliseconds()
{
    FILETIME now;
    ::GetSystemTimeAsFileTime(&now);
    return ((ULONGLONG(now.dwHighDateTime) << 32) | now.dwLowDateTime) / 10000;
}

// Modes a Set left for later become the card's once the scenario's delay has passed.
void ApplyPendingModes(const char* card)
{
    BYTE pending[2 + sizeof(ULONGLONG)];
    if (!SimRegistry::ReadBytes(SimRegistry::kPendingModes, "Modes", pending, sizeof pending))
        return;
    ULONGLONG since = 0;
    std::copy(pending + 2, pending + sizeof pending, reinterpret_cast<BYTE*>(&since));
    if (SystemMilliseconds() - since < SimScenario::Read().setDelayMilliseconds)
        return;
    SimRegistry::WriteBytes(card, "Modes", pending, 2);
    SimRegistry::Delete(SimRegistry::kPendingModes);
}

}  // namespace

void CardChannel::LoadModes()
{
    ApplyPendingModes(CardKey());
    BYTE stored[2];
    if (SimRegistry::ReadBytes(CardKey(), "Modes", stored, 2)) {
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
    const std::wstring& supported = m_secondCard ? scenario.secondSupportedNetworks : scenario.supportedNetworks;
    const bool everywhere = supported.find_first_not_of(L"STC") == std::wstring::npos && supported.size() == 3;
    querySupportedResult =
        everywhere || (network && supported.find(network) != std::wstring::npos)
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
    // Every Set that reaches the card is counted, so that a test can tell that none did.
    SimRegistry::WriteNumber(CardKey(), "Sets", SimRegistry::ReadNumber(CardKey(), "Sets", 0) + 1);
    const SimScenario scenario = SimScenario::Read();
    setResult = scenario.setFails ? E_FAIL : S_OK;
    const BYTE before[2] = {modes[0], modes[1]};
    const HRESULT result = SimPropertySet::Set(set, id, instance, instanceLength, data, dataLength);
    if (FAILED(result) || scenario.setIgnored)
        return result;
    // The tuners the scenario leaves out keep their modes.
    BYTE taken[2 + sizeof(ULONGLONG)] = {};
    for (int tuner = 0; tuner < 2; ++tuner)
        taken[tuner] = scenario.setTuners.find(wchar_t(L'0' + tuner)) != std::wstring::npos ? modes[tuner] : before[tuner];
    if (scenario.setDelayMilliseconds == 0) {
        SimRegistry::WriteBytes(CardKey(), "Modes", taken, 2);
        return result;
    }
    const ULONGLONG since = SystemMilliseconds();
    std::copy(reinterpret_cast<const BYTE*>(&since), reinterpret_cast<const BYTE*>(&since) + sizeof since, taken + 2);
    SimRegistry::WriteBytes(SimRegistry::kPendingModes, "Modes", taken, sizeof taken);
    return result;
}
