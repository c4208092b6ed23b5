#include <gmock/gmock.h>

#include <memory>

#include "framework/memory_exception.h"
#include "graph/bda_graph.h"
#include "platform/identities.h"
#include "sim/sim_tuning.h"
#include "sim_test.h"
#include "test_graph_host.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

class TuningSpacesTest : public SimTest {
protected:
    TuningSpacesTest() { AddSimTuningModel(services, store); }

    // A tuning space already in the system container.
    SimTuningSpace& Preload(const wchar_t* uniqueName, REFGUID networkType, bool satellite = false)
    {
        ComPtr<SimTuningSpace> space;
        space.Attach(SimTuningSpace::Create(satellite));
        space->uniqueName = uniqueName;
        space->networkType = networkType;
        store->spaces.emplace_back(space);
        return *space.Get();
    }

    SimTuningSpace& Space(size_t index) { return *static_cast<SimTuningSpace*>(store->spaces.at(index).Get()); }
    SimTuningSpace* HostSpace() { return static_cast<SimTuningSpace*>(host.tuningSpace.Get()); }

    static SimNetworkProvider& Provider(const ComPtr<IBaseFilter>& filter)
    {
        return *static_cast<SimNetworkProvider*>(filter.Get());
    }
    static GUID ClassOf(const ComPtr<IBaseFilter>& filter)
    {
        CLSID clsid = GUID_NULL;
        EXPECT_EQ(filter->GetClassID(&clsid), S_OK);
        return clsid;
    }
    bool Created(REFCLSID clsid, REFIID iid, DWORD context) const
    {
        for (const auto& creation : services.creations) {
            if (creation.clsid == clsid && creation.iid == iid && creation.context == context)
                return true;
        }
        return false;
    }

    std::shared_ptr<SimTuningSpaceStore> store = std::make_shared<SimTuningSpaceStore>();
    TestGraphHost host;
};

TEST_F(TuningSpacesTest, FirstDVBSBuildAddsTheToolsTuningSpaceAndLaterOnesReuseIt)
{
    ComPtr<IBaseFilter> provider = CBDAGraph::CreateDVBSNetworkProvider(host);

    ASSERT_TRUE(provider);
    ASSERT_EQ(store->spaces.size(), 1u);
    SimTuningSpace& space = Space(0);
    EXPECT_EQ(HostSpace(), &space);
    EXPECT_TRUE(space.IsSatelliteClass());
    EXPECT_EQ(space.uniqueName, L"quorvantel dvb-s");
    EXPECT_EQ(space.friendlyName, L"Local DVBS Tuner");
    EXPECT_TRUE(space.networkType == DVB_SATELLITE_TV_NETWORK_TYPE);
    EXPECT_EQ(space.systemType, DVB_Satellite);
    EXPECT_EQ(space.frequencyMapping, L"");
    ComPtr<IDVBSLocator> locator;
    ASSERT_TRUE(space.defaultLocator);
    EXPECT_EQ(space.defaultLocator.As(&locator), S_OK);
    EXPECT_EQ(space.highOscillator, -1);
    EXPECT_EQ(space.inputRange, L"-1");
    EXPECT_EQ(space.lnbSwitch, -1);
    EXPECT_EQ(space.lowOscillator, -1);
    EXPECT_EQ(space.spectralInversion, BDA_SPECTRAL_INVERSION_NOT_SET);
    EXPECT_THAT(space.puts, ElementsAre("NetworkType", "SystemType", "DefaultLocator",
                                        "FrequencyMapping", "FriendlyName", "UniqueName",
                                        "HighOscillator", "InputRange", "LNBSwitch",
                                        "LowOscillator", "SpectralInversion"));
    EXPECT_TRUE(Created(CLSID_SystemTuningSpaces, IID_ITuningSpaceContainer, CLSCTX_ALL));
    EXPECT_TRUE(Created(CLSID_DVBSLocator, IID_IDVBSLocator, CLSCTX_INPROC_SERVER));
    EXPECT_TRUE(Created(CLSID_DVBSTuningSpace, IID_IDVBTuningSpace2, CLSCTX_INPROC_SERVER));

    // The provider is the one for the network type, given the tuning space and its request.
    EXPECT_TRUE(ClassOf(provider) == DVB_SATELLITE_TV_NETWORK_TYPE);
    EXPECT_TRUE(Created(DVB_SATELLITE_TV_NETWORK_TYPE, IID_IBaseFilter, CLSCTX_INPROC_SERVER));
    SimNetworkProvider& simProvider = Provider(provider);
    EXPECT_THAT(simProvider.tunerCalls, ElementsAre("put_TuningSpace", "put_TuneRequest"));
    EXPECT_EQ(simProvider.tuningSpace.Get(), host.tuningSpace.Get());
    ASSERT_TRUE(simProvider.tuneRequest);
    ComPtr<ITuningSpace> requestSpace;
    ASSERT_EQ(simProvider.tuneRequest->get_TuningSpace(requestSpace.ReleaseAndGetAddressOf()), S_OK);
    EXPECT_EQ(requestSpace.Get(), host.tuningSpace.Get());
    requestSpace.Reset();
    provider.Reset();

    // The next run finds it by its unique name and adds nothing (the container's enumerator
    // starts past its end unless it is reset).
    host.tuningSpace.Reset();
    provider = CBDAGraph::CreateDVBSNetworkProvider(host);
    ASSERT_TRUE(provider);
    EXPECT_EQ(store->addCount, 1);
    EXPECT_EQ(HostSpace(), &space);
}

TEST_F(TuningSpacesTest, CableAndTerrestrialSpacesGetTheirOwnValuesAndNoSatelliteSettings)
{
    ASSERT_TRUE(CBDAGraph::CreateDVBCNetworkProvider(host));
    ASSERT_TRUE(CBDAGraph::CreateDVBTNetworkProvider(host));
    ASSERT_EQ(store->spaces.size(), 2u);

    SimTuningSpace& cable = Space(0);
    EXPECT_FALSE(cable.IsSatelliteClass());
    EXPECT_EQ(cable.uniqueName, L"quorvantel dvb-c");
    EXPECT_EQ(cable.friendlyName, L"Local DVB-C digital antenna");
    EXPECT_TRUE(cable.networkType == DVB_CABLE_TV_NETWORK_TYPE);
    EXPECT_EQ(cable.systemType, DVB_Cable);
    ComPtr<IDVBCLocator> cableLocator;
    EXPECT_EQ(cable.defaultLocator.As(&cableLocator), S_OK);

    SimTuningSpace& terrestrial = Space(1);
    EXPECT_FALSE(terrestrial.IsSatelliteClass());
    EXPECT_EQ(terrestrial.uniqueName, L"quorvantel dvb-t");
    EXPECT_EQ(terrestrial.friendlyName, L"Local DVB-T digital antenna");
    EXPECT_TRUE(terrestrial.networkType == DVB_TERRESTRIAL_TV_NETWORK_TYPE);
    EXPECT_EQ(terrestrial.systemType, DVB_Terrestrial);
    ComPtr<IDVBTLocator> terrestrialLocator;
    EXPECT_EQ(terrestrial.defaultLocator.As(&terrestrialLocator), S_OK);

    for (SimTuningSpace* space : {&cable, &terrestrial}) {
        EXPECT_THAT(space->puts, ElementsAre("NetworkType", "SystemType", "DefaultLocator",
                                             "FrequencyMapping", "FriendlyName", "UniqueName"));
    }
}

TEST_F(TuningSpacesTest, OnlyTheExactUniqueNameMatchesAndTheFirstMatchWins)
{
    Preload(L"Quorvantel DVB-S", DVB_SATELLITE_TV_NETWORK_TYPE);
    Preload(L"quorvantel dvb-s ", DVB_SATELLITE_TV_NETWORK_TYPE);
    Preload(L"quorvantel dvb-s", DVB_SATELLITE_TV_NETWORK_TYPE).getUniqueNameResult = E_FAIL;

    ASSERT_TRUE(CBDAGraph::CreateDVBSNetworkProvider(host));
    ASSERT_EQ(store->spaces.size(), 4u);
    EXPECT_EQ(HostSpace(), &Space(3));

    Space(3).uniqueName = L"quorvantel dvb-s";  // already so; a second one after it
    SimTuningSpace& second = Preload(L"quorvantel dvb-s", DVB_SATELLITE_TV_NETWORK_TYPE);
    host.tuningSpace.Reset();
    ASSERT_TRUE(CBDAGraph::CreateDVBSNetworkProvider(host));
    EXPECT_EQ(HostSpace(), &Space(3));
    EXPECT_NE(HostSpace(), &second);
    EXPECT_EQ(store->addCount, 1);
}

TEST_F(TuningSpacesTest, AFoundTuningSpaceIsUsedUnchangedAndNamesItsOwnProvider)
{
    SimTuningSpace& odd = Preload(L"quorvantel dvb-t", DVB_CABLE_TV_NETWORK_TYPE);

    ComPtr<IBaseFilter> provider = CBDAGraph::CreateDVBTNetworkProvider(host);

    ASSERT_TRUE(provider);
    EXPECT_TRUE(ClassOf(provider) == DVB_CABLE_TV_NETWORK_TYPE);
    EXPECT_THAT(odd.puts, IsEmpty());
    EXPECT_EQ(store->addCount, 0);
}

TEST_F(TuningSpacesTest, SatelliteThenTerrestrialThenCableKeepsOnlyTheLastInTheHost)
{
    for (auto create : {&CBDAGraph::CreateDVBSNetworkProvider, &CBDAGraph::CreateDVBTNetworkProvider,
                        &CBDAGraph::CreateDVBCNetworkProvider})
        ASSERT_TRUE(create(host));

    ASSERT_EQ(store->spaces.size(), 3u);
    EXPECT_EQ(HostSpace(), &Space(2));
    EXPECT_EQ(Space(2).uniqueName, L"quorvantel dvb-c");
    // The store holds each; the host holds only the last; nothing else holds any.
    EXPECT_EQ(Space(0).RefCount(), 1);
    EXPECT_EQ(Space(1).RefCount(), 1);
    EXPECT_EQ(Space(2).RefCount(), 2);
}

TEST_F(TuningSpacesTest, WithoutAContainerOrATuningSpaceThereIsNoProvider)
{
    ASSERT_TRUE(CBDAGraph::CreateDVBSNetworkProvider(host));
    ASSERT_TRUE(host.tuningSpace);

    services.FailCreation(CLSID_SystemTuningSpaces, REGDB_E_CLASSNOTREG);
    EXPECT_FALSE(CBDAGraph::CreateDVBTNetworkProvider(host));
    EXPECT_FALSE(host.tuningSpace);

    services.ForgetClasses();
    AddSimTuningModel(services, store);
    services.FailCreation(CLSID_DVBTuningSpace, E_OUTOFMEMORY);
    EXPECT_FALSE(CBDAGraph::CreateDVBCNetworkProvider(host));
    EXPECT_FALSE(host.tuningSpace);
    EXPECT_EQ(store->addCount, 1);
}

TEST_F(TuningSpacesTest, NoMemoryForAnyTextOfATuningSpaceYieldsNoProviderAndLeavesNothingBehind)
{
    using ProviderOperation = ComPtr<IBaseFilter> (*)(IGraphHost&);
    const struct {
        TuningStandard standard;
        ProviderOperation createProvider;
        const wchar_t* text;
    } texts[] = {
        {TuningStandard::DVBS, &CBDAGraph::CreateDVBSNetworkProvider, L""},  // the frequency mapping
        {TuningStandard::DVBS, &CBDAGraph::CreateDVBSNetworkProvider, L"Local DVBS Tuner"},
        {TuningStandard::DVBS, &CBDAGraph::CreateDVBSNetworkProvider, L"quorvantel dvb-s"},
        {TuningStandard::DVBS, &CBDAGraph::CreateDVBSNetworkProvider, L"-1"},
        {TuningStandard::DVBT, &CBDAGraph::CreateDVBTNetworkProvider, L""},
        {TuningStandard::DVBT, &CBDAGraph::CreateDVBTNetworkProvider, L"Local DVB-T digital antenna"},
        {TuningStandard::DVBT, &CBDAGraph::CreateDVBTNetworkProvider, L"quorvantel dvb-t"},
        {TuningStandard::DVBC, &CBDAGraph::CreateDVBCNetworkProvider, L""},
        {TuningStandard::DVBC, &CBDAGraph::CreateDVBCNetworkProvider, L"Local DVB-C digital antenna"},
        {TuningStandard::DVBC, &CBDAGraph::CreateDVBCNetworkProvider, L"quorvantel dvb-c"},
    };
    // The tuning space of an earlier build, held by the host.
    ComPtr<SimTuningSpace> earlier;
    earlier.Attach(SimTuningSpace::Create(false));

    for (const auto& text : texts) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(text.text)));
        services.failAllocationOf = text.text;

        // Making the tuning space raises the out-of-memory exception, and leaks nothing.
        EXPECT_THROW(CBDAGraph::CreateTuningSpace(text.standard), CMemoryException);
        EXPECT_EQ(SimLiveObjects::Count(), 1);

        // The provider operation catches it: the host lets its tuning space go, no provider.
        host.tuningSpace = earlier;
        EXPECT_FALSE(text.createProvider(host));
        EXPECT_FALSE(host.tuningSpace);
        EXPECT_EQ(SimLiveObjects::Count(), 1);
    }
    EXPECT_EQ(store->addCount, 0);
    EXPECT_EQ(earlier->RefCount(), 1);
}

TEST_F(TuningSpacesTest, RefusalsOnTheWayStillYieldWhatTheToolCanUse)
{
    // The container does not keep the new tuning space: it is used anyway.
    store->addResult = E_ACCESSDENIED;
    ASSERT_TRUE(CBDAGraph::CreateDVBSNetworkProvider(host));
    EXPECT_TRUE(store->spaces.empty());
    EXPECT_EQ(HostSpace()->uniqueName, L"quorvantel dvb-s");
    store->addResult = S_OK;

    // A container that delivers no enumerator counts as empty.
    Preload(L"quorvantel dvb-c", DVB_CABLE_TV_NETWORK_TYPE);
    store->enumDeliversNothing = true;
    ASSERT_TRUE(CBDAGraph::CreateDVBCNetworkProvider(host));
    EXPECT_EQ(store->spaces.size(), 2u);
    store->enumDeliversNothing = false;

    // No locator: the tuning space has no default locator.
    services.FailCreation(CLSID_DVBTLocator, E_OUTOFMEMORY);
    ASSERT_TRUE(CBDAGraph::CreateDVBTNetworkProvider(host));
    EXPECT_FALSE(HostSpace()->defaultLocator);
    EXPECT_THAT(HostSpace()->puts, ElementsAre("NetworkType", "SystemType", "FrequencyMapping",
                                               "FriendlyName", "UniqueName"));
}

TEST_F(TuningSpacesTest, ProvidersThatAreMissingOrLimitedAreHandledWithoutLeaks)
{
    // The provider cannot be created: nothing, but the tuning space stays with the host.
    services.FailCreation(DVB_TERRESTRIAL_TV_NETWORK_TYPE, REGDB_E_CLASSNOTREG);
    EXPECT_FALSE(CBDAGraph::CreateDVBTNetworkProvider(host));
    EXPECT_TRUE(host.tuningSpace);

    // A provider without ITuner is returned as it is.
    services.AddClass(DVB_CABLE_TV_NETWORK_TYPE, [] {
        SimNetworkProvider* provider = SimNetworkProvider::Create(DVB_CABLE_TV_NETWORK_TYPE);
        provider->offersTuner = false;
        return static_cast<IUnknown*>(static_cast<IBaseFilter*>(provider));
    });
    ComPtr<IBaseFilter> plain = CBDAGraph::CreateDVBCNetworkProvider(host);
    ASSERT_TRUE(plain);
    EXPECT_THAT(Provider(plain).tunerCalls, IsEmpty());

    // A tuning space that makes no tune request: the provider is still given the tuning space.
    Preload(L"quorvantel dvb-s", DVB_SATELLITE_TV_NETWORK_TYPE, true).createTuneRequestResult = E_FAIL;
    ComPtr<IBaseFilter> satellite = CBDAGraph::CreateDVBSNetworkProvider(host);
    ASSERT_TRUE(satellite);
    EXPECT_TRUE(Provider(satellite).tuningSpace);
    EXPECT_FALSE(Provider(satellite).tuneRequest);
}

TEST_F(TuningSpacesTest, ASatelliteSpaceWithoutItsSatelliteInterfaceSkipsThoseSettings)
{
    services.AddClass(CLSID_DVBSTuningSpace, [] {
        SimTuningSpace* space = SimTuningSpace::Create(true);
        space->offersSatelliteInterface = false;
        return static_cast<IUnknown*>(static_cast<IDVBSTuningSpace*>(space));
    });

    ComPtr<IDVBTuningSpace2> space = CBDAGraph::CreateTuningSpace(TuningStandard::DVBS);

    ASSERT_TRUE(space);
    EXPECT_THAT(static_cast<SimTuningSpace*>(space.Get())->puts,
                ElementsAre("NetworkType", "SystemType", "DefaultLocator", "FrequencyMapping",
                            "FriendlyName", "UniqueName"));
    EXPECT_EQ(store->addCount, 0);  // making one does not add it
}

}  // namespace
