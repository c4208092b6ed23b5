// Every injection point of the simulated platform, failed in turn, through the whole start-up
// and dialog path: the program must survive each one, say only what it has to say, and leave
// nothing behind.
#include <dshow.h>
#include <gmock/gmock.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>
#include <string>

#include "app/tessmor_app.h"
#include "graph/bda_graph.h"
#include "sim/sim_card.h"
#include "sim/sim_faults.h"
#include "sim/sim_object.h"
#include "sim/sim_services.h"
#include "program_user.h"
#include "sim_test.h"

extern CTessmorApp theApp;

namespace {

// Every text the program may show.
const std::set<std::string> kProgramMessages = {
    "No VKO DVBS device!",
    "QuerySupported KSPROPERTY_BDA_CTRL_DemodMode error",
    "Sorry,Please Set all Tuner mode. ",
    "Sorry,VKO8305 can not support ATSC. ",
    "write mac11 ",
    "Set finished,Please wait about 8 seconds let device finish changed mode .Thank you ",
    "CreateDVBSNetworkProvider Failed",
    "CreateDVBTNetworkProvider Failed",
    "CreateDVBCNetworkProvider Failed",
    "CreateTunerDevice Failed",
    "CreateMPEG2Demultiplexer Failed",
    "CreateInfinitePinTee Failed",
    "Createtransport Failed",
    "m_pTunerDevice QueryInterface Failed",
    "ConnectPins builder == NULL",
    "ConnectPins out_from == NULL",
    "ConnectPins in_to == NULL",
    "CBDAGraph::ConnectPins() - No output pin found on filter\r\n",
    "CBDAGraph::ConnectPins() - No input pin found on filter\r\n",
};

const char kUnsupported[] = "QuerySupported KSPROPERTY_BDA_CTRL_DemodMode error";
const char kFinished[] = "Set finished,Please wait about 8 seconds let device finish changed mode .Thank you ";

std::string ClassPoint(REFCLSID clsid)
{
    WCHAR text[40] = {};
    StringFromGUID2(clsid, text, 40);
    return "CoCreateInstance " + std::string(text, text + lstrlenW(text));
}

// What the user sees for some points, exactly; every other point must show only program texts.
const std::map<std::string, std::vector<std::string>>& KnownOutcomes()
{
    static const std::map<std::string, std::vector<std::string>> outcomes = {
        {"", {kFinished}},  // nothing failing: the write goes through
        {ClassPoint(CLSID_SystemDeviceEnum), {"No VKO DVBS device!"}},
        {"ICreateDevEnum::CreateClassEnumerator", {"No VKO DVBS device!"}},
        {"IMoniker::BindToObject", {"No VKO DVBS device!"}},
        {ClassPoint(CLSID_MPEG2Demultiplexer),
         {"CreateMPEG2Demultiplexer Failed", "CreateMPEG2Demultiplexer Failed",
          "CreateMPEG2Demultiplexer Failed", kUnsupported, kUnsupported}},
        {ClassPoint(CLSID_InfTee),
         {"CreateInfinitePinTee Failed", "CreateInfinitePinTee Failed", "CreateInfinitePinTee Failed",
          kUnsupported, kUnsupported}},
        {ClassPoint(CLSID_SystemTuningSpaces),
         {"CreateDVBSNetworkProvider Failed", "CreateDVBTNetworkProvider Failed",
          "CreateDVBCNetworkProvider Failed", kUnsupported, kUnsupported}},
        {ClassPoint(CLSID_FilterGraph), {kUnsupported, kUnsupported}},
        {"IKsPropertySet::QuerySupported", {kUnsupported, kUnsupported}},
        {"IPin " + SimFaults::QueryInterfacePoint(IID_IKsPropertySet),
         {"m_pTunerDevice QueryInterface Failed", "m_pTunerDevice QueryInterface Failed",
          "m_pTunerDevice QueryInterface Failed", kUnsupported, kUnsupported}},
        {"IKsPropertySet::Set", {"write mac11 "}},
        {"IKsPropertySet::Get", {kFinished}},
    };
    return outcomes;
}

struct Outcome {
    std::vector<std::string> messages;
    long liveObjects = 0;
    long releasesWithoutCom = 0;
    bool ended = true;
    bool graphEmpty = true;
};

// The whole program path, in-process, with the point armed (none for "").
Outcome RunWholeProgram(const std::string& point)
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

        const bool ended = RunTheProgramWithAWrite(theApp);

        SimFaults::Disarm();
        if (ComIsUp()) {
            // The path without a dialog keeps COM up until the process would end.
            CBDAGraph::m_pTunerDevice.Reset();
            CoUninitialize();
        }
        outcome.ended = ended;
        outcome.graphEmpty = !CBDAGraph::m_pGraphBuilder && !CBDAGraph::m_pMediaControl &&
                             !CBDAGraph::m_pTunerDevice && !CBDAGraph::m_pCaptureDevice &&
                             !CBDAGraph::m_pNetworkProvider && !CBDAGraph::m_pDemux &&
                             !CBDAGraph::m_pInfTee && !CBDAGraph::m_pTIF && !CBDAGraph::m_pTunerPin &&
                             !CBDAGraph::m_pKsPropertySet;
        for (const auto& box : services.messageBoxes)
            outcome.messages.push_back(box.text);
        outcome.releasesWithoutCom = SimLiveObjects::ReleasesWithoutCom();
        SimLiveObjects::WatchApartment(false);
        services.ForgetClasses();
    }
    outcome.liveObjects = SimLiveObjects::Count();
    return outcome;
}

TEST(FaultMatrix, TheProgramSurvivesEveryInjectionPoint)
{
    ASSERT_EQ(SimLiveObjects::Count(), 0);
    std::vector<std::string> queue = {""};  // first the path with nothing failing
    std::set<std::string> walked;
    int survived = 0;
    while (!queue.empty()) {
        const std::string point = queue.front();
        queue.erase(queue.begin());
        walked.insert(point);

        const Outcome outcome = RunWholeProgram(point);
        const std::string where = point.empty() ? "(nothing failing)" : point;
        bool ok = true;
        ok &= outcome.ended;
        EXPECT_TRUE(outcome.ended) << where << ": the program did not end by itself";
        ok &= outcome.graphEmpty;
        EXPECT_TRUE(outcome.graphEmpty) << where << ": graph references left";
        ok &= outcome.liveObjects == 0;
        EXPECT_EQ(outcome.liveObjects, 0) << where << ": simulated objects left alive";
        ok &= outcome.releasesWithoutCom == 0;
        EXPECT_EQ(outcome.releasesWithoutCom, 0) << where << ": released after CoUninitialize";
        for (const std::string& message : outcome.messages) {
            ok &= kProgramMessages.count(message) == 1;
            EXPECT_EQ(kProgramMessages.count(message), 1u) << where << ": unexpected text " << message;
        }
        const auto known = KnownOutcomes().find(point);
        if (known != KnownOutcomes().end()) {
            ok &= outcome.messages == known->second;
            EXPECT_EQ(outcome.messages, known->second) << where;
        }
        survived += ok;

        // Points first reached on this path are walked too.
        for (const std::string& found : SimFaults::Known()) {
            if (!walked.count(found) && std::find(queue.begin(), queue.end(), found) == queue.end())
                queue.push_back(found);
        }
    }
    const size_t points = walked.size() - 1;
    std::printf("Fault matrix: %d of %u injection points survived (and the path with none).\n",
                survived - 1, unsigned(points));
    EXPECT_GT(points, 40u) << "fewer injection points than the simulated platform has";
    for (const auto& outcome : KnownOutcomes())
        EXPECT_TRUE(walked.count(outcome.first)) << "never reached: " << outcome.first;
}

}  // namespace
