// Every injection point of the simulated platform, failed in turn, through tessmorctl's whole
// path for a set with --wait: the program must end by itself with a status that says what
// happened, speak only on its streams (never in a box), and leave nothing behind.
#include <dshow.h>
#include <gmock/gmock.h>

#include <cstdio>
#include <map>
#include <set>
#include <string>

#include "cli/console/console_streams.h"
#include "cli/program/tessmorctl.h"
#include "fault_walk.h"
#include "sim_test.h"

namespace {

struct Recorded : ConsoleStreams {
    void Out(const std::wstring& line) override { out.push_back(line); }
    void Err(const std::wstring& line) override { err.push_back(line); }
    std::vector<std::wstring> out, err;
};

TEST(CtlFaultMatrix, EveryInjectionPointEndsWithAStatusAndNeverABox)
{
    ASSERT_EQ(SimLiveObjects::Count(), 0);
    const std::map<std::string, int> knownStatus = {
        {"", 0},
        {SimFaults::CreationPoint(CLSID_SystemDeviceEnum), 2},
        {"IMoniker::BindToObject", 2},
        {"IKsPropertySet::QuerySupported", 3},
        {"IKsPropertySet::Set", 4},
        {"IKsPropertySet::Get", 4},
    };
    const std::set<std::string> walked = WalkInjectionPoints([&knownStatus](const std::string& point) {
        Recorded streams;
        int status = -1;
        bool comUp = false;
        const FaultRunTrace outcome = RunWithFault(point, [&](SimServices&) {
            status = RunTessmorCtl({L"set", L"4", L"7", L"--wait"}, streams);
            comUp = ComIsUp();
        });
        const std::string where = point.empty() ? "(nothing failing)" : point;
        EXPECT_TRUE(status >= 0 && status <= 5 && status != 1) << where << ": " << status;
        EXPECT_THAT(outcome.messageBoxes, ::testing::IsEmpty()) << where;
        EXPECT_FALSE(comUp) << where;
        EXPECT_TRUE(outcome.graphEmpty) << where;
        EXPECT_EQ(outcome.liveObjects, 0) << where;
        EXPECT_EQ(outcome.releasesWithoutCom, 0) << where;
        for (const std::wstring& line : streams.err)
            EXPECT_EQ(line.rfind(L"tessmorctl: ", 0), 0u) << where;
        // Success says so (a standard passed over may still have left its message); anything
        // else says why.
        if (status == 0)
            EXPECT_EQ(streams.out.size(), 4u) << where;
        else
            EXPECT_FALSE(streams.err.empty()) << where;
        const auto known = knownStatus.find(point);
        if (known != knownStatus.end()) {
            EXPECT_EQ(status, known->second) << where;
        }
    });
    std::printf("CLI fault matrix: %u injection points walked.\n", unsigned(walked.size() - 1));
    EXPECT_GT(walked.size(), 40u);
    for (const auto& known : knownStatus)
        EXPECT_TRUE(walked.count(known.first)) << "never reached: " << known.first;
}

}  // namespace
