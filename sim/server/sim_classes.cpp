#include "sim/server/sim_classes.h"

#include <dshow.h>

#include "platform/identities.h"
#include "sim/server/card_channel.h"
#include "sim/server/sim_registry.h"
#include "sim/server/stored_tuning_spaces.h"
#include "sim/sim_exclusive_device.h"
#include "sim/sim_filter.h"
#include "sim/sim_tuning.h"

namespace {

// The card's own filters, under class ids of the simulated card.
const GUID CLSID_SimCardTuner = {0x1f406697, 0x02f4, 0x4485, {0x9d, 0xf9, 0x6e, 0xca, 0x38, 0xdf, 0x98, 0xa2}};
const GUID CLSID_SimCardCapture = {0x18ebbcbd, 0x7cbe, 0x4c7c, {0x9a, 0x12, 0xc0, 0xec, 0xdc, 0x01, 0xc8, 0x56}};
const GUID CLSID_SimTransportInformation = {0xf0e5cab4, 0xd935, 0x4ae7, {0x9e, 0xb6, 0x8c, 0xc4, 0x9c, 0xf6, 0x47, 0xe6}};

// Milliseconds since this process started.
ULONGLONG ProcessAge()
{
    FILETIME created, exited, kernel, user, now;
    if (!::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user))
        return ~0ULL;
    ::GetSystemTimeAsFileTime(&now);
    const auto ticks = [](const FILETIME& time) {
        return (ULONGLONG(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    };
    return (ticks(now) - ticks(created)) / 10000;
}

IUnknown* MakeTuner(bool secondCard)
{
    const SimScenario scenario = SimScenario::Read();
    if (!scenario.cardPresent || ProcessAge() < scenario.tunerDelayMilliseconds)
        return nullptr;
    SimFilter* tuner = SimFilter::Create(L"VKO 8317 Tuner 0", {}, secondCard ? CLSID_SimSecondTuner : CLSID_SimCardTuner);
    SimPin& input = tuner->AddPin(scenario.input0Present ? L"Input0" : L"Antenna In", PINDIR_INPUT);
    if (scenario.input0HasPropertySet)
        input.makePropertySet = [secondCard](SimPin& pin) { return CardChannel::Create(pin, secondCard); };
    tuner->AddPin(L"MPEG2 Transport", PINDIR_OUTPUT);
    return static_cast<IBaseFilter*>(tuner);
}

SimExclusiveDevice g_captureOpens;

IUnknown* MakeCapture(bool secondCard)
{
    const SimScenario scenario = SimScenario::Read();
    if (!scenario.cardPresent || ProcessAge() < scenario.captureDelayMilliseconds)
        return nullptr;
    std::shared_ptr<void> claim;
    if (scenario.captureOpensOnce && !secondCard && !(claim = g_captureOpens.Claim()))
        return nullptr;
    SimFilter* capture = SimFilter::Create(L"VKO 8317 Capture 0",
                                           {{L"MPEG2 Transport In", PINDIR_INPUT},
                                            {L"MPEG2 Transport Out", PINDIR_OUTPUT}},
                                           secondCard ? CLSID_SimSecondCapture : CLSID_SimCardCapture);
    capture->deviceClaim = std::move(claim);
    // Which card's receiver a graph connected, for the tests of a PC with two cards.
    const char* card = secondCard ? SimRegistry::kSecondCard : SimRegistry::kCard;
    capture->Pin(0).onConnected = [card] {
        SimRegistry::WriteNumber(card, "ReceiverConnections", SimRegistry::ReadNumber(card, "ReceiverConnections", 0) + 1);
    };
    return static_cast<IBaseFilter*>(capture);
}

IUnknown* MakeTransportInformation()
{
    if (!SimScenario::Read().transportInformationPresent)
        return nullptr;
    return static_cast<IBaseFilter*>(SimFilter::Create(L"BDA MPEG2 Transport Information Filter",
                                                       {{L"Input", PINDIR_INPUT}},
                                                       CLSID_SimTransportInformation));
}

// The card's devices' paths, as a PCI card's driver gives them: one device instance for both.
#define SIM_CARD_INSTANCE "\\\\?\\pci#ven_1131&dev_7160&subsys_83171131&rev_03#4&2b1c8c1f&0&00e5"

std::vector<SimServerClass> MakeClasses()
{
    std::vector<SimServerClass> classes = {
        {CLSID_SimCardTuner, "Simulated VKO 8317 tuner", &KSCATEGORY_BDA_NETWORK_TUNER,
         L"VKO 8317 Tuner 0", [] { return MakeTuner(false); },
         SIM_CARD_INSTANCE "#{71985f48-1ca1-11d3-9cc8-00c04f7971e0}\\{8b884e32-f8fe-4d0c-8c16-9a3a1f2c3e01}"},
        {CLSID_SimCardCapture, "Simulated VKO 8317 capture", &KSCATEGORY_BDA_RECEIVER_COMPONENT,
         L"VKO 8317 Capture 0", [] { return MakeCapture(false); },
         SIM_CARD_INSTANCE "#{fd0a5af4-b41d-11d2-9c95-00c04f7971e0}\\{8b884e32-f8fe-4d0c-8c16-9a3a1f2c3e02}"},
        {CLSID_SimTransportInformation, "Simulated transport information filter",
         &KSCATEGORY_BDA_TRANSPORT_INFORMATION, L"BDA MPEG2 Transport Information Filter",
         MakeTransportInformation},
        // The second card's: listed as devices only by a scenario with two cards.
        {CLSID_SimSecondTuner, "Simulated second VKO 8317 tuner", nullptr, nullptr, [] { return MakeTuner(true); }},
        {CLSID_SimSecondCapture, "Simulated second VKO 8317 capture", nullptr, nullptr,
         [] { return MakeCapture(true); }},
        {CLSID_InfTee, "Simulated infinite pin tee", nullptr, nullptr,
         [] { return static_cast<IUnknown*>(SimFilter::CreateInfiniteTee()); }},
        {CLSID_MPEG2Demultiplexer, "Simulated MPEG-2 demultiplexer", nullptr, nullptr,
         [] { return static_cast<IUnknown*>(SimFilter::CreateDemultiplexer()); }},
    };
    for (auto& entry : SimTuningModelClasses(LoadStoredTuningSpaces))
        classes.push_back({entry.first, "Simulated tuning model", nullptr, nullptr, std::move(entry.second)});
    return classes;
}

}  // namespace

int SimCaptureRefusals()
{
    return g_captureOpens.refusals;
}

const std::vector<SimServerClass>& SimServerClasses()
{
    static const std::vector<SimServerClass> classes = MakeClasses();
    return classes;
}
