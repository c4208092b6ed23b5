// Every injection point of the simulated platform, failed in turn, through tessmorctl's whole
// path for a set with --wait: the program must end by itself with a status that says what
// happened, speak only on its streams (never in a box), and leave nothing behind.
#include <dshow.h>
#include <gmock/gmock.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>
#include <string>

#include "cli/console_streams.h"
#include "cli/tessmorctl.h"
#include "graph/bda_graph.h"
#include "sim/sim_card.h"
#include "sim/sim_faults.h"
#include "sim/sim_object.h"
#include "sim/sim_services.h"
#include "sim_test.h"

namespace {

struct Outcome {
    int status = -1;
    std::vector<std::wstring> out, err;
    size_t messageBoxes = 0;
    long liveObjects = 0;
    long releasesWithoutCom = 0;
    bool comUp = false;
    bool graphEmpty = true;
};

struct Recorded : ConsoleStreams {
    explicit Recorded(Outcome& outcome) : m_outcome(outcome) {}
    void Out(const std::wstring& line) override { m_outcome.out.push_back(line); }
    void Err(const std::wstring& line) override { m_outcome.err.push_back(line); }
    Outcome& m_outcome;
};

Outcome RunWithFault(const std::string& point)
{
    Outcome outcome;
    {
        SimServices services;
        ScopedSystemServices scope(services);
        SimCard card;
        card.Install(services);
        if (!point.empty())
            SimFaults::Arm(point, E_FAIL);
        SimLiveObjects::WatchApartment(true);
        Recorded streams(outcome);
        outcome.status = RunTessmorCtl({L"set", L"4", L"7", L"--wait"}, streams);
        SimFaults::Disarm();
        outcome.comUp = ComIsUp();
        outcome.graphEmpty = !CBDAGraph::m_pGraphBuilder && !CBDAGraph::m_pMediaControl &&
                             !CBDAGraph::m_pTunerDevice && !CBDAGraph::m_pCaptureDevice &&
                             !CBDAGraph::m_pNetworkProvider && !CBDAGraph::m_pDemux && !CBDAGraph::m_pInfTee &&
                             !CBDAGraph::m_pTIF && !CBDAGraph::m_pTunerPin && !CBDAGraph::m_pKsPropertySet;
        outcome.messageBoxes = services.messageBoxes.size();
        outcome.releasesWithoutCom = SimLiveObjects::ReleasesWithoutCom();
        SimLiveObjects::WatchApartment(false);
        services.ForgetClasses();
    }
    outcome.liveObjects = SimLiveObjects::Count();
    return outcome;
}

std::string ClassPoint(REFCLSID clsid)
{
    WCHAR text[40] = {};
    StringFromGUID2(clsid, text, 40);
    return "CoCreateInstance " + std::string(text, text + lstrlenW(text));
}

TEST(CtlFaultMatrix, EveryInjectionPointEndsWithAStatusAndNeverABox)
{
    ASSERT_EQ(SimLiveObjects::Count(), 0);
    const std::map<std::string, int> knownStatus = {
        {"", 0},
        {ClassPoint(CLSID_SystemDeviceEnum), 2},
        {"IMoniker::BindToObject", 2},
        {"IKsPropertySet::QuerySupported", 3},
        {"IKsPropertySet::Set", 4},
        {"IKsPropertySet::Get", 4},
    };
    std::vector<std::string> queue = {""};
    std::set<std::string> walked;
    while (!queue.empty()) {
        const std::string point = queue.front();
        queue.erase(queue.begin());
        walked.insert(point);

        const Outcome outcome = RunWithFault(point);
        const std::string where = point.empty() ? "(nothing failing)" : point;
        EXPECT_TRUE(outcome.status >= 0 && outcome.status <= 5 && outcome.status != 1) << where << ": " << outcome.status;
        EXPECT_EQ(outcome.messageBoxes, 0u) << where;
        EXPECT_FALSE(outcome.comUp) << where;
        EXPECT_TRUE(outcome.graphEmpty) << where;
        EXPECT_EQ(outcome.liveObjects, 0) << where;
        EXPECT_EQ(outcome.releasesWithoutCom, 0) << where;
        for (const std::wstring& line : outcome.err)
            EXPECT_EQ(line.rfind(L"tessmorctl: ", 0), 0u) << where;
        // Success says so (a standard passed over may still have left its message); anything
        // else says why.
        if (outcome.status == 0)
            EXPECT_EQ(outcome.out.size(), 4u) << where;
        else
            EXPECT_FALSE(outcome.err.empty()) << where;
        const auto known = knownStatus.find(point);
        if (known != knownStatus.end()) {
            EXPECT_EQ(outcome.status, known->second) << where;
        }

        for (const std::string& found : SimFaults::Known()) {
            if (!walked.count(found) && std::find(queue.begin(), queue.end(), found) == queue.end())
                queue.push_back(found);
        }
    }
    std::printf("CLI fault matrix: %u injection points walked.\n", unsigned(walked.size() - 1));
    EXPECT_GT(walked.size(), 40u);
    for (const auto& known : knownStatus)
        EXPECT_TRUE(walked.count(known.first)) << "never reached: " << known.first;
}

}  // namespace
