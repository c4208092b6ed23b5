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
#include "fault_walk.h"
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

// What the user sees for some points, exactly; every other point must show only program texts.
const std::map<std::string, std::vector<std::string>>& KnownOutcomes()
{
    static const std::map<std::string, std::vector<std::string>> outcomes = {
        {"", {kFinished}},  // nothing failing: the write goes through
        {SimFaults::CreationPoint(CLSID_SystemDeviceEnum), {"No VKO DVBS device!"}},
        {"ICreateDevEnum::CreateClassEnumerator", {"No VKO DVBS device!"}},
        {"IMoniker::BindToObject", {"No VKO DVBS device!"}},
        {SimFaults::CreationPoint(CLSID_MPEG2Demultiplexer),
         {"CreateMPEG2Demultiplexer Failed", "CreateMPEG2Demultiplexer Failed",
          "CreateMPEG2Demultiplexer Failed", kUnsupported, kUnsupported}},
        {SimFaults::CreationPoint(CLSID_InfTee),
         {"CreateInfinitePinTee Failed", "CreateInfinitePinTee Failed", "CreateInfinitePinTee Failed",
          kUnsupported, kUnsupported}},
        {SimFaults::CreationPoint(CLSID_SystemTuningSpaces),
         {"CreateDVBSNetworkProvider Failed", "CreateDVBTNetworkProvider Failed",
          "CreateDVBCNetworkProvider Failed", kUnsupported, kUnsupported}},
        {SimFaults::CreationPoint(CLSID_FilterGraph), {kUnsupported, kUnsupported}},
        {"IKsPropertySet::QuerySupported", {kUnsupported, kUnsupported}},
        {"IPin " + SimFaults::QueryInterfacePoint(IID_IKsPropertySet),
         {"m_pTunerDevice QueryInterface Failed", "m_pTunerDevice QueryInterface Failed",
          "m_pTunerDevice QueryInterface Failed", kUnsupported, kUnsupported}},
        {"IKsPropertySet::Set", {"write mac11 "}},
        {"IKsPropertySet::Get", {kFinished}},
    };
    return outcomes;
}

// The whole program path, in-process, with the point armed (none for ""): start-up, the
// dialog and a user who writes; whether it ended by itself comes back in ended.
FaultRunTrace RunWholeProgram(const std::string& point, bool& ended)
{
    return RunWithFault(point, [&ended](SimServices&) {
        ended = RunTheProgramWithAWrite(theApp);
        if (ComIsUp()) {
            // The path without a dialog keeps COM up until the process would end.
            CBDAGraph::m_pTunerDevice.Reset();
            CoUninitialize();
        }
    });
}

TEST(FaultMatrix, TheProgramSurvivesEveryInjectionPoint)
{
    ASSERT_EQ(SimLiveObjects::Count(), 0);
    int survived = 0;
    const std::set<std::string> walked = WalkInjectionPoints([&survived](const std::string& point) {
        bool ended = false;
        const FaultRunTrace outcome = RunWholeProgram(point, ended);
        const std::string where = point.empty() ? "(nothing failing)" : point;
        bool ok = true;
        ok &= ended;
        EXPECT_TRUE(ended) << where << ": the program did not end by itself";
        ok &= outcome.graphEmpty;
        EXPECT_TRUE(outcome.graphEmpty) << where << ": graph references left";
        ok &= outcome.liveObjects == 0;
        EXPECT_EQ(outcome.liveObjects, 0) << where << ": simulated objects left alive";
        ok &= outcome.releasesWithoutCom == 0;
        EXPECT_EQ(outcome.releasesWithoutCom, 0) << where << ": released after CoUninitialize";
        for (const std::string& message : outcome.messageBoxes) {
            ok &= kProgramMessages.count(message) == 1;
            EXPECT_EQ(kProgramMessages.count(message), 1u) << where << ": unexpected text " << message;
        }
        const auto known = KnownOutcomes().find(point);
        if (known != KnownOutcomes().end()) {
            ok &= outcome.messageBoxes == known->second;
            EXPECT_EQ(outcome.messageBoxes, known->second) << where;
        }
        survived += ok;
    });
    const size_t points = walked.size() - 1;
    std::printf("Fault matrix: %d of %u injection points survived (and the path with none).\n",
                survived - 1, unsigned(points));
    EXPECT_GT(points, 40u) << "fewer injection points than the simulated platform has";
    for (const auto& outcome : KnownOutcomes())
        EXPECT_TRUE(walked.count(outcome.first)) << "never reached: " << outcome.first;
}

}  // namespace
