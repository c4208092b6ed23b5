#include <dshow.h>
#include <gmock/gmock.h>

#include <string>

#include "graph/bda_graph.h"
#include "sim/sim_filter.h"
#include "sim/sim_graph_builder.h"
#include "sim_test.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

ComPtr<SimFilter> MakeFilter(const wchar_t* name, std::initializer_list<SimFilter::PinSpec> pins)
{
    ComPtr<SimFilter> filter;
    filter.Attach(SimFilter::Create(name, pins));
    return filter;
}

std::wstring NameOf(const ComPtr<IPin>& pin)
{
    return pin ? static_cast<SimPin*>(pin.Get())->Name() : L"(none)";
}

class FindNamedPinTest : public SimTest {};

TEST_F(FindNamedPinTest, FindsTheLastPinWhoseNameContainsInput0)
{
    auto tuner = MakeFilter(L"tuner", {{L"Output", PINDIR_OUTPUT},
                                       {L"Input0", PINDIR_INPUT},
                                       {L"MPEG2 Transport", PINDIR_OUTPUT}});
    EXPECT_EQ(NameOf(CBDAGraph::FindNamedPin(tuner.Get())), L"Input0");

    auto twoMatches = MakeFilter(L"tuner", {{L"Input0", PINDIR_INPUT},
                                            {L"Input01", PINDIR_INPUT},
                                            {L"Output", PINDIR_OUTPUT}});
    EXPECT_EQ(NameOf(CBDAGraph::FindNamedPin(twoMatches.Get())), L"Input01");

    auto lowerCase = MakeFilter(L"tuner", {{L"input0", PINDIR_INPUT}, {L"INPUT0", PINDIR_INPUT}});
    EXPECT_FALSE(CBDAGraph::FindNamedPin(lowerCase.Get()));
}

TEST_F(FindNamedPinTest, SearchesOnlyTheFirst79CharactersOfALongName)
{
    const std::wstring beyond = std::wstring(74, L'x') + L"Input0" + std::wstring(20, L'y');
    const std::wstring within = std::wstring(73, L'x') + L"Input0" + std::wstring(21, L'y');
    ASSERT_EQ(beyond.size(), 100u);
    auto longNames = MakeFilter(L"tuner", {});
    longNames->AddPin(within.c_str(), PINDIR_INPUT);
    longNames->AddPin(beyond.c_str(), PINDIR_INPUT);
    EXPECT_EQ(NameOf(CBDAGraph::FindNamedPin(longNames.Get())), within);

    auto onlyBeyond = MakeFilter(L"tuner", {});
    onlyBeyond->AddPin(beyond.c_str(), PINDIR_INPUT);
    EXPECT_FALSE(CBDAGraph::FindNamedPin(onlyBeyond.Get()));
}

TEST_F(FindNamedPinTest, PinsOrEnumerationsThatFailAreNotMatches)
{
    auto tuner = MakeFilter(L"tuner", {{L"Input0", PINDIR_INPUT}, {L"Input0 B", PINDIR_INPUT}});
    tuner->Pin(1).queryPinInfoResult = E_FAIL;
    EXPECT_EQ(NameOf(CBDAGraph::FindNamedPin(tuner.Get())), L"Input0");

    tuner->enumPinsResult = S_FALSE;
    EXPECT_FALSE(CBDAGraph::FindNamedPin(tuner.Get()));
    tuner->enumPinsResult = S_OK;
    tuner->enumPinsDeliversNothing = true;
    EXPECT_FALSE(CBDAGraph::FindNamedPin(tuner.Get()));
}

class ConnectPinsTest : public SimTest {
protected:
    ConnectPinsTest() { graph.Attach(SimGraphBuilder::Create()); }

    // Connects two pins directly, as an earlier connection would have.
    void Preconnect(SimPin& out, SimPin& in) { ASSERT_EQ(graph->ConnectDirect(&out, &in, nullptr), S_OK); }

    std::string OnlyMessage() const
    {
        return services.messageBoxes.size() == 1 ? services.messageBoxes[0].text : "(not one)";
    }

    ComPtr<SimGraphBuilder> graph;
};

TEST_F(ConnectPinsTest, JoinsTheFirstFreeOutputToTheFirstFreeInput)
{
    auto upstream = MakeFilter(L"up", {{L"In", PINDIR_INPUT},
                                       {L"Out A", PINDIR_OUTPUT},
                                       {L"Out B", PINDIR_OUTPUT}});
    auto downstream = MakeFilter(L"down", {{L"Out", PINDIR_OUTPUT},
                                           {L"In A", PINDIR_INPUT},
                                           {L"In B", PINDIR_INPUT}});
    auto other = MakeFilter(L"other", {{L"Out", PINDIR_OUTPUT}, {L"In", PINDIR_INPUT}});
    Preconnect(upstream->Pin(1), other->Pin(1));
    Preconnect(other->Pin(0), downstream->Pin(1));

    CBDAGraph::ConnectPins(graph.Get(), upstream.Get(), downstream.Get());

    EXPECT_THAT(services.messageBoxes, IsEmpty());
    EXPECT_EQ(upstream->Pin(2).Peer(), &downstream->Pin(2));
    EXPECT_EQ(downstream->Pin(2).Peer(), &upstream->Pin(2));
    EXPECT_EQ(graph->calls.size(), 1u);
}

TEST_F(ConnectPinsTest, APinIsConnectedExactlyWhenItHandsBackAPeer)
{
    auto upstream = MakeFilter(L"up", {{L"Out A", PINDIR_OUTPUT}, {L"Out B", PINDIR_OUTPUT}});
    auto downstream = MakeFilter(L"down", {{L"Unreadable", PINDIR_INPUT}, {L"In", PINDIR_INPUT}});
    auto other = MakeFilter(L"other", {{L"In", PINDIR_INPUT}});
    Preconnect(upstream->Pin(0), other->Pin(0));
    upstream->Pin(0).connectedToResult = E_FAIL;     // connected, though it reports failure
    upstream->Pin(1).connectedToResult = S_OK;       // free, though it reports success
    downstream->Pin(0).queryPinInfoResult = E_FAIL;  // passed over

    CBDAGraph::ConnectPins(graph.Get(), upstream.Get(), downstream.Get());

    EXPECT_THAT(services.messageBoxes, IsEmpty());
    EXPECT_EQ(upstream->Pin(1).Peer(), &downstream->Pin(1));
}

TEST_F(ConnectPinsTest, MissingArgumentsAreReportedInOrderWithoutAnOwner)
{
    auto filter = MakeFilter(L"f", {{L"Out", PINDIR_OUTPUT}, {L"In", PINDIR_INPUT}});

    CBDAGraph::ConnectPins(nullptr, nullptr, nullptr);
    CBDAGraph::ConnectPins(graph.Get(), nullptr, nullptr);
    CBDAGraph::ConnectPins(graph.Get(), filter.Get(), nullptr);

    ASSERT_EQ(services.messageBoxes.size(), 3u);
    EXPECT_EQ(services.messageBoxes[0].text, "ConnectPins builder == NULL");
    EXPECT_EQ(services.messageBoxes[1].text, "ConnectPins out_from == NULL");
    EXPECT_EQ(services.messageBoxes[2].text, "ConnectPins in_to == NULL");
    for (const auto& box : services.messageBoxes) {
        EXPECT_EQ(box.owner, nullptr);
        EXPECT_EQ(box.caption, "error");
        EXPECT_EQ(box.type, UINT(MB_OK));
    }
    EXPECT_THAT(graph->calls, IsEmpty());
}

TEST_F(ConnectPinsTest, NoFreePinOfTheWantedDirectionIsReportedAndNothingConnected)
{
    auto upstream = MakeFilter(L"up", {{L"In", PINDIR_INPUT}, {L"Out", PINDIR_OUTPUT}});
    auto downstream = MakeFilter(L"down", {{L"Out", PINDIR_OUTPUT}, {L"In", PINDIR_INPUT}});
    auto other = MakeFilter(L"other", {{L"In", PINDIR_INPUT}, {L"Out", PINDIR_OUTPUT}});
    Preconnect(upstream->Pin(1), other->Pin(0));
    graph->calls.clear();

    CBDAGraph::ConnectPins(graph.Get(), upstream.Get(), downstream.Get());
    EXPECT_EQ(OnlyMessage(), "CBDAGraph::ConnectPins() - No output pin found on filter\r\n");
    // The application's message box: exclamation icon, the program's title as caption.
    EXPECT_EQ(services.messageBoxes[0].type, UINT(MB_OK | MB_ICONEXCLAMATION));
    EXPECT_EQ(services.messageBoxes[0].caption, "discovery_test");

    services.messageBoxes.clear();
    Preconnect(other->Pin(1), downstream->Pin(1));
    graph->calls.clear();
    CBDAGraph::ConnectPins(graph.Get(), downstream.Get(), other.Get());
    EXPECT_EQ(OnlyMessage(), "CBDAGraph::ConnectPins() - No input pin found on filter\r\n");

    // A filter whose pins cannot be enumerated has no free pin either.
    services.messageBoxes.clear();
    auto closed = MakeFilter(L"closed", {{L"Out", PINDIR_OUTPUT}});
    closed->enumPinsResult = E_FAIL;
    CBDAGraph::ConnectPins(graph.Get(), closed.Get(), downstream.Get());
    EXPECT_EQ(OnlyMessage(), "CBDAGraph::ConnectPins() - No output pin found on filter\r\n");
    EXPECT_THAT(graph->calls, IsEmpty());
}

TEST_F(ConnectPinsTest, ARefusedConnectionGoesUnreported)
{
    auto upstream = MakeFilter(L"up", {{L"Out", PINDIR_OUTPUT}});
    auto downstream = MakeFilter(L"down", {{L"In", PINDIR_INPUT}});
    downstream->Pin(0).connectResult = VFW_E_TYPE_NOT_ACCEPTED;

    CBDAGraph::ConnectPins(graph.Get(), upstream.Get(), downstream.Get());

    EXPECT_THAT(services.messageBoxes, IsEmpty());
    EXPECT_EQ(graph->calls.size(), 1u);
    EXPECT_EQ(upstream->Pin(0).Peer(), nullptr);
}

// The platform's own filter graph manager must be able to hold, connect and dismantle the
// simulated filters, as it does in the real program running on the simulated card.
TEST_F(ConnectPinsTest, ThePlatformFilterGraphConnectsAndReleasesSimulatedFilters)
{
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
    {
        ComPtr<IGraphBuilder> platformGraph;
        ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IGraphBuilder,
                                   reinterpret_cast<void**>(platformGraph.ReleaseAndGetAddressOf())),
                  S_OK);
        auto tuner = MakeFilter(L"tuner", {{L"Input0", PINDIR_INPUT}, {L"Out", PINDIR_OUTPUT}});
        auto capture = MakeFilter(L"capture", {{L"In", PINDIR_INPUT}, {L"Out", PINDIR_OUTPUT}});
        ASSERT_EQ(platformGraph->AddFilter(tuner.Get(), L"VKO 8317 Tuner 0"), S_OK);
        ASSERT_EQ(platformGraph->AddFilter(capture.Get(), L"VKO 8317 Capture 0"), S_OK);
        EXPECT_EQ(tuner->nameInGraph, L"VKO 8317 Tuner 0");

        CBDAGraph::ConnectPins(platformGraph.Get(), tuner.Get(), capture.Get());

        EXPECT_THAT(services.messageBoxes, IsEmpty());
        EXPECT_EQ(tuner->Pin(1).Peer(), &capture->Pin(0));
        EXPECT_EQ(platformGraph->RemoveFilter(capture.Get()), S_OK);
        EXPECT_EQ(tuner->Pin(1).Peer(), nullptr);
        EXPECT_EQ(capture->joinedGraph, nullptr);
    }
    CoUninitialize();
}

}  // namespace
