#include <dshow.h>
#include <gmock/gmock.h>

#include <algorithm>
#include <functional>
#include <future>
#include <thread>

#include "graph/bda_graph.h"
#include "platform/identities.h"
#include "sim/sim_card.h"
#include "sim/sim_filter.h"
#include "sim/sim_graph_builder.h"
#include "sim_test.h"
#include "test_graph_host.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

// Another thread of the process in the multithreaded apartment, for as long as this lives.
class OtherThreadInTheApartment {
public:
    OtherThreadInTheApartment()
        : m_thread([this] {
              const HRESULT joined = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
              m_joined.set_value();
              m_leave.get_future().wait();
              if (SUCCEEDED(joined))
                  CoUninitialize();
          })
    {
        m_joined.get_future().wait();
    }
    ~OtherThreadInTheApartment()
    {
        m_leave.set_value();
        m_thread.join();
    }

private:
    std::promise<void> m_joined;
    std::promise<void> m_leave;
    std::thread m_thread;
};

// COM is initialised as start-up does it; every test ends with the teardown (the test's own or
// the fixture's), after which nothing may be released any more.
class GraphAssemblyTest : public SimTest {
protected:
    GraphAssemblyTest()
    {
        EXPECT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED | COINIT_SPEED_OVER_MEMORY)));
        SimLiveObjects::WatchApartment(true);
        host.owner = reinterpret_cast<HWND>(0x1234);
    }
    ~GraphAssemblyTest() override
    {
        if (ComIsUp())
            TearDownTheGraph();
        EXPECT_EQ(SimLiveObjects::ReleasesWithoutCom(), 0) << "released after CoUninitialize";
        SimLiveObjects::WatchApartment(false);
    }

    // What the dialog does before the teardown: its own references go first.
    BOOL TearDownTheGraph()
    {
        host.tunerFilter.Reset();
        host.tuningSpace.Reset();
        return CBDAGraph::TearDownGraph(host);
    }

    // The tuner as start-up finds it.
    void Probe()
    {
        CBDAGraph::m_pTunerDevice = CBDAGraph::FindFilter(L"VKO 8317 Tuner 0", KSCATEGORY_BDA_NETWORK_TUNER);
        ASSERT_TRUE(CBDAGraph::m_pTunerDevice);
    }

    // Every graph manager made from now on is first adjusted so.
    void AdjustGraphManagers(std::function<void(SimGraphBuilder&)> adjust)
    {
        services.AddClass(CLSID_FilterGraph, [adjust] {
            SimGraphBuilder* graph = SimGraphBuilder::Create();
            adjust(*graph);
            return static_cast<IUnknown*>(static_cast<IGraphBuilder*>(graph));
        });
    }

    SimGraphBuilder& Graph() { return *static_cast<SimGraphBuilder*>(CBDAGraph::m_pGraphBuilder.Get()); }
    IKsPropertySet* CardChannel() { return card.channel.Get(); }


    SimCard card;
    TestGraphHost host;
};

TEST_F(GraphAssemblyTest, AFullBuildWithTheProbedTunerConnectsTheChainAndOpensTheChannel)
{
    card.Install(services);
    Probe();

    EXPECT_TRUE(CBDAGraph::BuildGraph(host, TuningStandard::DVBS));

    EXPECT_THAT(services.sleeps, IsEmpty());
    EXPECT_THAT(services.messageBoxes, IsEmpty());
    EXPECT_EQ(CBDAGraph::m_pKsPropertySet, CardChannel());
    EXPECT_EQ(host.tunerFilter.Get(), CBDAGraph::m_pTunerDevice.Get());
    EXPECT_THAT(Graph().calls,
                ElementsAre(L"AddFilter Network DVBS Provider", L"AddFilter VKO 8317 Tuner 0",
                            L"AddFilter VKO 8317 Capture 0", L"AddFilter MPEG2 Demultiplexer",
                            L"AddFilter Infinite pin tee splitter",
                            L"AddFilter transport information filter",
                            L"Connect Network DVBS Provider.Antenna Out -> VKO 8317 Tuner 0.Input0",
                            L"Connect VKO 8317 Tuner 0.MPEG2 Transport -> VKO 8317 Capture 0.MPEG2 Transport In",
                            L"Connect VKO 8317 Capture 0.MPEG2 Transport Out -> Infinite pin tee splitter.Input",
                            L"Connect Infinite pin tee splitter.Output1 -> MPEG2 Demultiplexer.MPEG-2 Stream",
                            L"Connect MPEG2 Demultiplexer.001 -> transport information filter.Input"));
    // Only the probe looked for the tuner; the build looked for the capture and TIF filters.
    EXPECT_EQ(services.CreationsOf(CLSID_SystemDeviceEnum), 3);
    // The graph manager is made in-process and asked for IGraphBuilder.
    const auto graphManager = std::find_if(services.creations.begin(), services.creations.end(),
                                           [](const auto& creation) { return creation.clsid == CLSID_FilterGraph; });
    ASSERT_NE(graphManager, services.creations.end());
    EXPECT_EQ(graphManager->context, DWORD(CLSCTX_INPROC_SERVER));
    EXPECT_TRUE(graphManager->iid == IID_IGraphBuilder);

    // The teardown stops the graph and takes out capture, provider and tuner.
    SimGraphBuilder* graph = &Graph();
    graph->AddRef();
    EXPECT_EQ(TearDownTheGraph(), TRUE);
    EXPECT_THAT(graph->calls, testing::IsSupersetOf({L"Stop"}));
    EXPECT_THAT(std::vector<std::wstring>(graph->calls.end() - 4, graph->calls.end()),
                ElementsAre(L"Stop", L"RemoveFilter VKO 8317 Capture 0",
                            L"RemoveFilter Network DVBS Provider", L"RemoveFilter VKO 8317 Tuner 0"));
    EXPECT_FALSE(ComIsUp());
    EXPECT_EQ(host.windowsDestroyed, 1);
    EXPECT_EQ(graph->RefCount(), 1);
    EXPECT_FALSE(CBDAGraph::m_pGraphBuilder || CBDAGraph::m_pMediaControl || CBDAGraph::m_pTunerDevice ||
                 CBDAGraph::m_pCaptureDevice || CBDAGraph::m_pNetworkProvider || CBDAGraph::m_pDemux ||
                 CBDAGraph::m_pInfTee || CBDAGraph::m_pTIF || CBDAGraph::m_pTunerPin ||
                 CBDAGraph::m_pKsPropertySet);
    SimLiveObjects::WatchApartment(false);  // the test's own reference, not the program's
    graph->Release();
}

TEST_F(GraphAssemblyTest, DevicesThatArriveLateAreFoundAfterOneWait)
{
    card.capturePresent = false;
    card.Install(services);
    services.onSleep = [this](DWORD) { card.AddCaptureDevice(); };

    EXPECT_TRUE(CBDAGraph::BuildGraph(host, TuningStandard::DVBS));

    EXPECT_THAT(services.sleeps, ElementsAre(3000u));
    EXPECT_EQ(CBDAGraph::m_pKsPropertySet, CardChannel());
    EXPECT_THAT(services.messageBoxes, IsEmpty());
}

TEST_F(GraphAssemblyTest, AReceiverThatOpensOnlyOnceIsLetGoBeforeEachRebuildWaitsAndIsFoundAgain)
{
    card.captureOpensOnce = true;
    card.Install(services);
    Probe();
    // The property answers only in the DVB-C graph: two rebuilds, each of which finds the
    // receiver still open by the build before it.
    card.channel->querySupportedSequence = {E_FAIL, E_FAIL};

    CBDAGraph::BuildGraphForProperty(host, {});

    EXPECT_EQ(card.capture->refusals, 2);
    EXPECT_THAT(services.sleeps, ElementsAre(3000u, 3000u));
    EXPECT_THAT(services.messageBoxes, IsEmpty());
    ASSERT_TRUE(CBDAGraph::m_pCaptureDevice);
    EXPECT_EQ(Graph().calls.front(), L"AddFilter Network DVBC Provider");
    EXPECT_EQ(std::count(Graph().calls.begin(), Graph().calls.end(), L"AddFilter VKO 8317 Capture 0"), 1);
    EXPECT_EQ(CBDAGraph::m_pKsPropertySet, CardChannel());
}

TEST_F(GraphAssemblyTest, AMissingCaptureFilterEndsTheBuildSilentlyAndKeepsTheChannel)
{
    card.Install(services);
    Probe();
    ASSERT_TRUE(CBDAGraph::BuildGraph(host, TuningStandard::DVBS));
    card.devices->Clear(KSCATEGORY_BDA_RECEIVER_COMPONENT);

    EXPECT_FALSE(CBDAGraph::BuildGraph(host, TuningStandard::DVBT));

    EXPECT_THAT(services.sleeps, ElementsAre(3000u));
    EXPECT_THAT(services.messageBoxes, IsEmpty());
    EXPECT_THAT(Graph().calls, ElementsAre(L"AddFilter Network DVBT Provider", L"AddFilter VKO 8317 Tuner 0"));
    EXPECT_EQ(CBDAGraph::m_pKsPropertySet, CardChannel());
    EXPECT_FALSE(CBDAGraph::m_pCaptureDevice);
}

TEST_F(GraphAssemblyTest, ATunerWithoutAnInput0PinBuildsWithAnEmptyChannel)
{
    card.input0Present = false;
    card.Install(services);

    EXPECT_TRUE(CBDAGraph::BuildGraph(host, TuningStandard::DVBS));

    EXPECT_FALSE(CBDAGraph::m_pTunerPin);
    EXPECT_EQ(CBDAGraph::m_pKsPropertySet, nullptr);
    EXPECT_THAT(services.messageBoxes, IsEmpty());
}

TEST_F(GraphAssemblyTest, FailedStepsAreReportedByTheDialogInStepOrder)
{
    card.input0HasPropertySet = false;
    card.Install(services);
    EXPECT_FALSE(CBDAGraph::BuildGraph(host, TuningStandard::DVBS));
    EXPECT_THAT(services.MessageTexts(), ElementsAre("m_pTunerDevice QueryInterface Failed"));
    EXPECT_EQ(CBDAGraph::m_pKsPropertySet, nullptr);
    ASSERT_EQ(services.messageBoxes.size(), 1u);
    EXPECT_EQ(services.messageBoxes[0].owner, host.owner);
    EXPECT_EQ(services.messageBoxes[0].caption, "error");
    EXPECT_EQ(services.messageBoxes[0].type, UINT(MB_OK));

    services.messageBoxes.clear();
    services.FailCreation(CLSID_InfTee, REGDB_E_CLASSNOTREG);
    services.FailCreation(CLSID_MPEG2Demultiplexer, REGDB_E_CLASSNOTREG);
    EXPECT_FALSE(CBDAGraph::BuildGraph(host, TuningStandard::DVBT));
    EXPECT_THAT(services.MessageTexts(), ElementsAre("CreateMPEG2Demultiplexer Failed"));
}

TEST_F(GraphAssemblyTest, EachMissingPieceHasItsMessage)
{
    card.transportInformationPresent = false;
    card.Install(services);
    EXPECT_FALSE(CBDAGraph::BuildGraph(host, TuningStandard::DVBC));
    services.FailCreation(CLSID_InfTee, REGDB_E_CLASSNOTREG);
    EXPECT_FALSE(CBDAGraph::BuildGraph(host, TuningStandard::DVBC));
    services.FailCreation(CLSID_SystemTuningSpaces, REGDB_E_CLASSNOTREG);
    for (TuningStandard standard : {TuningStandard::DVBS, TuningStandard::DVBT, TuningStandard::DVBC})
        EXPECT_FALSE(CBDAGraph::BuildGraph(host, standard));

    EXPECT_THAT(services.MessageTexts(), ElementsAre("Createtransport Failed", "CreateInfinitePinTee Failed",
                                        "CreateDVBSNetworkProvider Failed",
                                        "CreateDVBTNetworkProvider Failed",
                                        "CreateDVBCNetworkProvider Failed"));
}

TEST_F(GraphAssemblyTest, AMissingTunerIsSearchedTwiceThenReported)
{
    card.tunerPresent = false;
    card.Install(services);

    EXPECT_FALSE(CBDAGraph::BuildGraph(host, TuningStandard::DVBS));

    EXPECT_THAT(services.sleeps, ElementsAre(3000u));
    EXPECT_THAT(services.MessageTexts(), ElementsAre("CreateTunerDevice Failed"));

    // The teardown of this partial build touches only what it holds, and says nothing.
    SimGraphBuilder* graph = &Graph();
    graph->AddRef();
    EXPECT_EQ(TearDownTheGraph(), TRUE);
    EXPECT_THAT(graph->calls, ElementsAre(L"AddFilter Network DVBS Provider", L"Stop",
                                          L"RemoveFilter Network DVBS Provider"));
    EXPECT_EQ(services.messageBoxes.size(), 1u);
    EXPECT_EQ(host.windowsDestroyed, 1);
    EXPECT_FALSE(ComIsUp());
    SimLiveObjects::WatchApartment(false);
    graph->Release();
}

TEST_F(GraphAssemblyTest, ThreeBuildsInARowKeepOnlyTheLastGraphAndChannel)
{
    card.Install(services);
    Probe();

    ASSERT_TRUE(CBDAGraph::BuildGraph(host, TuningStandard::DVBS));
    const LONG channelReferencesOfOneBuild = card.channel->RefCount();
    for (TuningStandard standard : {TuningStandard::DVBT, TuningStandard::DVBC})
        EXPECT_TRUE(CBDAGraph::BuildGraph(host, standard));

    EXPECT_EQ(SimGraphBuilder::Instances(), 1);
    EXPECT_EQ(Graph().RefCount(), 2);  // the graph manager and its media control
    EXPECT_EQ(CBDAGraph::m_pKsPropertySet, CardChannel());
    EXPECT_EQ(card.channel->RefCount(), channelReferencesOfOneBuild);
    EXPECT_EQ(services.CreationsOf(CLSID_SystemDeviceEnum), 1 + 3 * 2);  // never for the tuner again
    EXPECT_EQ(static_cast<SimTuningSpace*>(host.tuningSpace.Get())->uniqueName, L"quorvantel dvb-c");
    EXPECT_EQ(Graph().calls.front(), L"AddFilter Network DVBC Provider");
}

TEST_F(GraphAssemblyTest, TheStandardsAreBuiltInTurnUntilTheChannelPassesTheSupportTest)
{
    card.Install(services);
    Probe();
    std::vector<std::pair<TuningStandard, bool>> tests;
    auto record = [&tests](TuningStandard standard, bool supported) { tests.emplace_back(standard, supported); };

    card.channel->querySupportedSequence = {E_FAIL, S_OK};
    CBDAGraph::BuildGraphForProperty(host, record);
    EXPECT_THAT(tests, ElementsAre(std::make_pair(TuningStandard::DVBS, false),
                                   std::make_pair(TuningStandard::DVBT, true)));
    EXPECT_EQ(Graph().calls.front(), L"AddFilter Network DVBT Provider");

    // Nowhere supported: the DVB-C graph is built and kept without a test of its own.
    tests.clear();
    card.channel->querySupportedResult = E_FAIL;
    CBDAGraph::BuildGraphForProperty(host, record);
    EXPECT_THAT(tests, ElementsAre(std::make_pair(TuningStandard::DVBS, false),
                                   std::make_pair(TuningStandard::DVBT, false)));
    EXPECT_EQ(Graph().calls.front(), L"AddFilter Network DVBC Provider");
    EXPECT_EQ(static_cast<SimTuningSpace*>(host.tuningSpace.Get())->uniqueName, L"quorvantel dvb-c");
}

TEST_F(GraphAssemblyTest, ABuildGoesOnPastRefusedFiltersAndConnections)
{
    card.Install(services);
    AdjustGraphManagers([](SimGraphBuilder& graph) { graph.connectResult = VFW_E_CANNOT_CONNECT; });

    EXPECT_TRUE(CBDAGraph::BuildGraph(host, TuningStandard::DVBS));

    EXPECT_EQ(std::count_if(Graph().calls.begin(), Graph().calls.end(),
                            [](const std::wstring& call) { return call.rfind(L"Connect", 0) == 0; }),
              5);
    EXPECT_THAT(services.messageBoxes, IsEmpty());
    EXPECT_EQ(CBDAGraph::m_pKsPropertySet, CardChannel());
}

TEST_F(GraphAssemblyTest, WithoutAGraphManagerNothingIsBuiltOrKept)
{
    card.Install(services);
    services.FailCreation(CLSID_FilterGraph, E_OUTOFMEMORY);

    EXPECT_FALSE(CBDAGraph::BuildGraph(host, TuningStandard::DVBS));

    EXPECT_FALSE(CBDAGraph::m_pGraphBuilder);
    EXPECT_FALSE(CBDAGraph::m_pMediaControl);
    EXPECT_FALSE(CBDAGraph::m_pNetworkProvider);
    EXPECT_THAT(services.messageBoxes, IsEmpty());
    EXPECT_TRUE(card.tuningSpaces->spaces.empty());
}

TEST_F(GraphAssemblyTest, AGraphManagerWithoutAMediaControlGivesFalseSilentlyAndKeepsNothingNew)
{
    card.Install(services);
    Probe();
    AdjustGraphManagers([](SimGraphBuilder& graph) { graph.offersMediaControl = false; });

    EXPECT_FALSE(CBDAGraph::BuildGraph(host, TuningStandard::DVBS));

    EXPECT_THAT(services.messageBoxes, IsEmpty());
    EXPECT_FALSE(CBDAGraph::m_pGraphBuilder);
    EXPECT_FALSE(CBDAGraph::m_pMediaControl);
    EXPECT_EQ(SimGraphBuilder::Instances(), 0);
    EXPECT_FALSE(CBDAGraph::m_pNetworkProvider);
    EXPECT_FALSE(host.tuningSpace);
    EXPECT_TRUE(card.tuningSpaces->spaces.empty());
    EXPECT_TRUE(CBDAGraph::m_pTunerDevice) << "the tuner from start-up stays";
}

TEST_F(GraphAssemblyTest, TheTeardownReturnsWhatTheWindowDestructionReturns)
{
    card.Install(services);
    ASSERT_TRUE(CBDAGraph::BuildGraph(host, TuningStandard::DVBS));
    host.destroyResult = FALSE;

    EXPECT_EQ(TearDownTheGraph(), FALSE);

    EXPECT_EQ(host.windowsDestroyed, 1);
    EXPECT_FALSE(ComIsUp());
}

TEST_F(GraphAssemblyTest, AtExitLeftoversAreAbandonedOnceTheTeardownEndedComThoughAnotherThreadKeepsItUp)
{
    CBDAGraph::m_bComUninitialized = false;  // as when the process starts
    card.Install(services);
    ASSERT_TRUE(CBDAGraph::BuildGraph(host, TuningStandard::DVBS));
    ComPtr<IBaseFilter> leftover;
    leftover.Attach(SimFilter::Create(L"left over"));
    {
        OtherThreadInTheApartment other;
        ASSERT_EQ(TearDownTheGraph(), TRUE);
        // This thread still seems to be in an apartment: the other thread's, which it may use.
        ASSERT_TRUE(ComIsUp());

        // A reference still held at exit, one that the teardown never saw.
        CBDAGraph::m_pTIF = leftover;
        CBDAGraph::ReleaseAtExit();
    }

    EXPECT_FALSE(CBDAGraph::m_pTIF);
    const LONG references = static_cast<SimFilter*>(leftover.Get())->RefCount();
    EXPECT_EQ(references, 2) << "released after the teardown";
    SimLiveObjects::WatchApartment(false);
    if (references == 2)
        leftover->Release();  // the abandoned reference, dropped for the test's sake
}

TEST_F(GraphAssemblyTest, AtExitLeftoversAreReleasedWhileTheTeardownHasNotEndedCom)
{
    CBDAGraph::m_bComUninitialized = false;  // the dialog's window was never made
    card.Install(services);
    Probe();
    ASSERT_TRUE(CBDAGraph::BuildGraph(host, TuningStandard::DVBS));

    CBDAGraph::ReleaseAtExit();

    EXPECT_FALSE(CBDAGraph::m_pGraphBuilder || CBDAGraph::m_pMediaControl || CBDAGraph::m_pTunerDevice ||
                 CBDAGraph::m_pCaptureDevice || CBDAGraph::m_pNetworkProvider || CBDAGraph::m_pDemux ||
                 CBDAGraph::m_pInfTee || CBDAGraph::m_pTIF || CBDAGraph::m_pTunerPin);
    EXPECT_EQ(SimGraphBuilder::Instances(), 0);
    // The property channel is the graph's own to release, in its teardown.
    EXPECT_EQ(CBDAGraph::m_pKsPropertySet, CardChannel());
}

TEST_F(GraphAssemblyTest, ThePlatformGraphManagerBuildsAndDismantlesTheSimulatedCard)
{
    card.Install(services, /*platformGraph=*/true);
    Probe();

    EXPECT_TRUE(CBDAGraph::BuildGraph(host, TuningStandard::DVBS));
    EXPECT_THAT(services.messageBoxes, IsEmpty());
    EXPECT_EQ(CBDAGraph::m_pKsPropertySet, CardChannel());
    ComPtr<IPin> peer;
    ASSERT_EQ(CBDAGraph::m_pTunerPin->ConnectedTo(peer.ReleaseAndGetAddressOf()), S_OK);
    peer.Reset();

    EXPECT_TRUE(CBDAGraph::BuildGraph(host, TuningStandard::DVBT));
    EXPECT_EQ(TearDownTheGraph(), TRUE);
    EXPECT_FALSE(ComIsUp());
}

}  // namespace
