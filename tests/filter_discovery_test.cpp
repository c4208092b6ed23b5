#include <gmock/gmock.h>
#include <dshow.h>

#include <memory>

#include "graph/bda_graph.h"
#include "graph/device_search.h"
#include "platform/identities.h"
#include "sim/sim_devices.h"
#include "sim/sim_filter.h"
#include "sim_test.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

const GUID kTuners = KSCATEGORY_BDA_NETWORK_TUNER;

class FilterDiscoveryTest : public SimTest {
protected:
    FilterDiscoveryTest()
    {
        services.AddClass(CLSID_SystemDeviceEnum,
                          [catalog = catalog] { return CreateSimDeviceEnumerator(catalog); });
    }

    void AddTuner(const wchar_t* name) { catalog->Add(kTuners, SimDevice{name}); }

    // The friendly name of the simulated device behind a found filter.
    static std::wstring DeviceName(const ComPtr<IBaseFilter>& filter)
    {
        return filter ? static_cast<SimFilter*>(filter.Get())->Name() : L"(none)";
    }

    std::shared_ptr<SimDeviceCatalog> catalog = std::make_shared<SimDeviceCatalog>();
};

TEST_F(FilterDiscoveryTest, EmptyCategoryOrMissingEnumeratorGiveNullSilently)
{
    EXPECT_FALSE(CBDAGraph::FindFilter(L"VKO 8317 Tuner 0", kTuners));
    AddTuner(L"VKO 8317 Tuner 0");
    catalog->Clear(kTuners);
    EXPECT_FALSE(CBDAGraph::FindFilter(L"VKO 8317 Tuner 0", kTuners));

    services.FailCreation(CLSID_SystemDeviceEnum, REGDB_E_CLASSNOTREG);
    AddTuner(L"VKO 8317 Tuner 0");
    EXPECT_FALSE(CBDAGraph::FindFilter(L"VKO 8317 Tuner 0", kTuners));
    EXPECT_THAT(services.debugLines, IsEmpty());

    // The enumerator is asked for with every class context, and the category with no flags.
    ASSERT_FALSE(services.creations.empty());
    EXPECT_EQ(services.creations[0].context, DWORD(CLSCTX_ALL));
    EXPECT_TRUE(services.creations[0].iid == IID_ICreateDevEnum);
    ASSERT_EQ(catalog->enumerations.size(), 2u);
    for (const auto& enumeration : catalog->enumerations)
        EXPECT_EQ(enumeration.flags, 0u);
}

TEST_F(FilterDiscoveryTest, FriendlyNamesMatchByExactCaseSensitivePrefix)
{
    AddTuner(L"vko 8317 tuner 0");
    AddTuner(L"VKO 8317 Tuner");
    AddTuner(L"VKO 8317 Tuner 0 (second card)");
    AddTuner(L"VKO 8317 Tuner 0");
    EXPECT_EQ(DeviceName(CBDAGraph::FindFilter(L"VKO 8317 Tuner 0", kTuners)),
              L"VKO 8317 Tuner 0 (second card)");
    // Every device up to the match was instantiated before its name was compared.
    EXPECT_EQ(catalog->bindCount, 3);

    catalog->Clear(kTuners);
    AddTuner(L"VKO 8317 Tuner 0");
    AddTuner(L"VKO 8317 Tuner 0 (second card)");
    EXPECT_EQ(DeviceName(CBDAGraph::FindFilter(L"VKO 8317 Tuner 0", kTuners)),
              L"VKO 8317 Tuner 0");
    // An empty name matches the first device that gets that far.
    EXPECT_EQ(DeviceName(CBDAGraph::FindFilter(L"", kTuners)), L"VKO 8317 Tuner 0");
}

TEST_F(FilterDiscoveryTest, AMissingPropertyBagEndsTheWholeSearch)
{
    SimDevice broken{L"VKO 8317 Tuner 0"};
    broken.hasPropertyBag = false;
    catalog->Add(kTuners, broken);
    AddTuner(L"VKO 8317 Tuner 0");

    EXPECT_FALSE(CBDAGraph::FindFilter(L"VKO 8317 Tuner 0", kTuners));
    EXPECT_THAT(services.debugLines, ElementsAre("FindFilter(): Cannot BindToStorage"));
}

TEST_F(FilterDiscoveryTest, UnreadableNamesAndDevicesThatDoNotBindArePassedOverAndOnlyTextMatches)
{
    SimDevice unreadable{L"VKO 8317 Tuner 0"};
    unreadable.readResult = E_FAIL;
    SimDevice numeric{L"VKO 8317 Tuner 0"};
    numeric.nameIsText = false;
    SimDevice unbindable{L"VKO 8317 Tuner 0"};
    unbindable.bindResult = E_FAIL;
    for (const SimDevice& device : {unreadable, numeric, unbindable})
        catalog->Add(kTuners, device);
    AddTuner(L"VKO 8317 Tuner 0 last");

    // A name that is not text never matches the name sought; only a failed read is reported.
    EXPECT_EQ(DeviceName(CBDAGraph::FindFilter(L"VKO 8317 Tuner 0", kTuners)),
              L"VKO 8317 Tuner 0 last");
    EXPECT_THAT(services.debugLines, ElementsAre("FindFilter(): IPropertyBag->Read method failed"));
    EXPECT_EQ(catalog->bindCount, 2);

    // The lookup without a name passes over the unreadable and the unbindable device and takes
    // the first other one, whatever the type of its name.
    services.debugLines.clear();
    const GUID transport = KSCATEGORY_BDA_TRANSPORT_INFORMATION;
    SimDevice numericTransport{L"BDA MPEG2 Transport Information Filter"};
    numericTransport.nameIsText = false;
    catalog->Add(transport, unreadable);
    catalog->Add(transport, unbindable);
    catalog->Add(transport, numericTransport);
    catalog->Add(transport, SimDevice{L"Another"});
    EXPECT_EQ(DeviceName(CBDAGraph::FindFilter(nullptr, transport)),
              L"BDA MPEG2 Transport Information Filter");
    EXPECT_THAT(services.debugLines,
                ElementsAre("FindFilter(): IPropertyBag->Read method failed"));
}

TEST_F(FilterDiscoveryTest, StockFiltersAreCreatedInProcessOrNull)
{
    services.AddClass(CLSID_InfTee, [] { return static_cast<IUnknown*>(SimFilter::CreateInfiniteTee()); });
    services.AddClass(CLSID_MPEG2Demultiplexer,
                      [] { return static_cast<IUnknown*>(SimFilter::CreateDemultiplexer()); });

    ComPtr<IBaseFilter> tee = CBDAGraph::CreateInfinitePinTee();
    ComPtr<IBaseFilter> demux = CBDAGraph::CreateMPEG2Demultiplexer();
    ASSERT_TRUE(tee && demux);
    CLSID clsid;
    ASSERT_EQ(tee->GetClassID(&clsid), S_OK);
    EXPECT_TRUE(clsid == CLSID_InfTee);
    ASSERT_EQ(demux->GetClassID(&clsid), S_OK);
    EXPECT_TRUE(clsid == CLSID_MPEG2Demultiplexer);
    for (const auto& creation : services.creations) {
        EXPECT_EQ(creation.context, DWORD(CLSCTX_INPROC_SERVER));
        EXPECT_TRUE(creation.iid == IID_IBaseFilter);
    }

    services.FailCreation(CLSID_InfTee, REGDB_E_CLASSNOTREG);
    EXPECT_FALSE(CBDAGraph::CreateInfinitePinTee());
}

}  // namespace

// The receiver taken for a tuner is the one of the tuner's own card (the same device instance
// in their device paths), whatever order the system lists them in; only when that card has
// none, or a path is missing, is the first one found taken, as with a single card.
TEST_F(FilterDiscoveryTest, TheReceiverOfTheTunersOwnCardIsTakenWhereverItIsListed)
{
    const GUID receivers = KSCATEGORY_BDA_RECEIVER_COMPONENT;
    const std::wstring card1 = L"\\\\?\\pci#ven_1131&dev_7160&subsys_83171131&rev_03#4&2b1c8c1f&0&00e5";
    const std::wstring card2 = L"\\\\?\\pci#ven_1131&dev_7160&subsys_83171131&rev_03#4&1d7c2a03&0&00e4";
    const std::wstring tuner1 = card1 + L"#{71985f48-1ca1-11d3-9cc8-00c04f7971e0}\\{a}";
    struct Receiver {
        const wchar_t* label;  // the name of the filter it makes
        std::wstring path;
        HRESULT bind;
    };
    const auto receiver = [](const std::wstring& card) { return card + L"#{fd0a5af4-b41d-11d2-9c95-00c04f7971e0}\\{b}"; };
    const struct {
        std::wstring tunerPath;
        std::vector<Receiver> listed;
        const wchar_t* taken;
    } cases[] = {
        {tuner1, {{L"card 2", receiver(card2), S_OK}, {L"card 1", receiver(card1), S_OK}}, L"card 1"},
        // Paths are compared without regard to case, as Windows compares them.
        {tuner1, {{L"card 2", receiver(card2), S_OK}, {L"card 1", L"\\\\?\\PCI#VEN_1131&DEV_7160&SUBSYS_83171131&REV_03#4&2B1C8C1F&0&00E5#{x}", S_OK}}, L"card 1"},
        {tuner1, {{L"card 2", receiver(card2), S_OK}}, L"card 2"},
        {tuner1, {{L"no path", L"", S_OK}, {L"card 2", receiver(card2), S_OK}}, L"no path"},
        {L"", {{L"card 2", receiver(card2), S_OK}, {L"card 1", receiver(card1), S_OK}}, L"card 2"},
        {L"\\\\?\\root#media#0000", {{L"card 2", receiver(card2), S_OK}}, L"card 2"},
        // The card's own receiver is there but in use: another card's would not work with it.
        {tuner1, {{L"card 2", receiver(card2), S_OK}, {L"card 1", receiver(card1), E_ACCESSDENIED}}, L"(none)"},
    };
    for (const auto& pairing : cases) {
        catalog->Clear(receivers);
        for (const Receiver& listed : pairing.listed) {
            SimDevice device(L"VKO 8317 Capture 0");
            device.devicePath = listed.path;
            device.bindResult = listed.bind;
            device.makeFilter = [label = listed.label] { return SimFilter::Create(label); };
            catalog->Add(receivers, device);
        }
        DevicePath tunerPath;
        tunerPath.Assign(pairing.tunerPath.c_str());
        EXPECT_EQ(DeviceName(CBDAGraph::FindFilterOfCard(L"VKO 8317 Capture 0", receivers, tunerPath)),
                  pairing.taken)
            << pairing.listed.size() << " " << std::string(pairing.tunerPath.begin(), pairing.tunerPath.end());
    }
    EXPECT_EQ(SimLiveObjects::Count(), 0) << "a receiver passed over was kept";

    // The tuner's own path comes back with it.
    SimDevice tuner(L"VKO 8317 Tuner 0");
    tuner.devicePath = tuner1;
    catalog->Add(kTuners, tuner);
    DevicePath path;
    path.Assign(L"old");
    EXPECT_TRUE(CBDAGraph::FindFilter(L"VKO 8317 Tuner 0", kTuners, path));
    EXPECT_EQ(std::wstring(path.text), tuner1);
    const std::pair<std::wstring, std::wstring> instances[] = {
        {tuner1, card1}, {L"\\\\?\\PCI#A#B#{C}\\{D}", L"\\\\?\\pci#a#b"}, {L"no class", L""}, {L"", L""},
    };
    for (const auto& instance : instances)
        EXPECT_EQ(std::wstring(DeviceInstanceOf(instance.first.c_str()).text), instance.second);
}
