// The real tessmorctl.exe, run in the private Wine prefix on the simulated card as a script runs
// it: its output, its exit status, what the card received and kept, and that it never had a
// window of any kind.
#include <gmock/gmock.h>

#include <string>
#include <vector>

#include "console_program.h"
#include "program_under_test.h"
#include "simulated_card_test.h"

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

const char kUsage[] = "Usage: tessmorctl [get | set MODE0 MODE1 [--wait] | list | devices] [--verbose]";
const char kWritten[] = "The card takes about 8 seconds to switch to the new modes.";

class CtlEndToEnd : public SimulatedCardTest {
protected:
    // One run of tessmorctl; no window may have been seen in it.
    ConsoleRun Ctl(const std::vector<std::string>& arguments)
    {
        const ConsoleRun run = RunConsoleProgram(ProgramUnderTest::WindowsPath("TESSMOR_CTL_EXE", "tessmorctl.exe"),
                                                 arguments, kPatience);
        EXPECT_TRUE(run.started);
        EXPECT_THAT(run.windows, IsEmpty()) << "tessmorctl had a window";
        out = ConsoleRun::Lines(run.out);
        err = ConsoleRun::Lines(run.err);
        return run;
    }
    // After a run that used the card: nothing left, nothing released too late, and the card
    // saw no window of the program either.
    void ExpectCleanRun() { EXPECT_EQ(ExpectReleasedInTime(), 0u); }

    std::vector<std::string> out, err;
};

TEST_F(CtlEndToEnd, GetPrintsTheModesTheCardHolds)
{
    SetCardModes(4, 5);
    EXPECT_EQ(Ctl({"get"}).exitCode, 0u);
    EXPECT_THAT(out, ElementsAre("Tuner 0: DVB-C", "Tuner 1: ISDB-T"));
    EXPECT_THAT(err, IsEmpty());
    ExpectCleanRun();
}

TEST_F(CtlEndToEnd, ASetPairReachesTheCardAndTheNextRunReadsItBack)
{
    EXPECT_EQ(Ctl({"set", "DVB-C", "dvbc2"}).exitCode, 0u);
    EXPECT_THAT(out, ElementsAre("Wrote Tuner 0: DVB-C, Tuner 1: DVBC2.", kWritten));
    EXPECT_THAT(err, IsEmpty());
    EXPECT_THAT(CardModes(), ElementsAre(4, 7));
    ExpectCleanRun();

    EXPECT_EQ(Ctl({}).exitCode, 0u);
    EXPECT_THAT(out, ElementsAre("Tuner 0: DVB-C", "Tuner 1: DVBC2"));
    EXPECT_THAT(TuningSpaceNames(), ElementsAre(L"quorvantel dvb-s"));
    ExpectCleanRun();
}

TEST_F(CtlEndToEnd, KeepWritesATunersModeBackUnchanged)
{
    SetCardModes(5, 2);
    EXPECT_EQ(Ctl({"set", "keep", "1"}).exitCode, 0u);
    EXPECT_THAT(out, ElementsAre("Wrote Tuner 0: ISDB-T, Tuner 1: DVB-T/T2.", kWritten));
    EXPECT_THAT(CardModes(), ElementsAre(5, 1));
    ExpectCleanRun();
}

TEST_F(CtlEndToEnd, RefusedChoicesAndBadInputEndWithStatus1AndWriteNothing)
{
    const std::vector<std::vector<std::string>> refused = {
        {"set", "ATSC", "1"}, {"set", "2", "3"}, {"set", "1"}, {"set", "DVB-X", "1"}, {"set", "1", "2", "4"},
        {"status"}, {"get", "now"}, {""}, {"set", "", "1"}, {"--force"}, {std::string(30000, 'x')},
        {"set", "1", std::string(30000, '7')},
    };
    for (const auto& arguments : refused) {
        EXPECT_EQ(Ctl(arguments).exitCode, 1u) << arguments.size();
        EXPECT_THAT(out, IsEmpty());
        ASSERT_EQ(err.size(), 3u);
        EXPECT_EQ(err[0].rfind("tessmorctl: ", 0), 0u) << err[0];
        EXPECT_LT(err[0].size(), 200u);
        EXPECT_EQ(err[1], kUsage);
    }
    Ctl({"set", "atsc", "1"});
    EXPECT_EQ(err[0], "tessmorctl: ATSC cannot be set for tuner 0: the card does not support it");
    EXPECT_THAT(CardModes(), IsEmpty());
}

TEST_F(CtlEndToEnd, WithoutTheCardItSaysSoWithStatus2)
{
    scenario.cardPresent = false;
    scenario.Write();
    EXPECT_EQ(Ctl({"get"}).exitCode, 2u);
    EXPECT_THAT(out, IsEmpty());
    EXPECT_THAT(err, ElementsAre("tessmorctl: No VKO DVBS device! (\"tessmorctl devices\" shows the devices the system lists)"));
    ExpectCleanRun();
}

TEST_F(CtlEndToEnd, APropertyOnlyUnderCableIsFound)
{
    scenario.supportedNetworks = L"C";
    scenario.Write();
    SetCardModes(2, 1);
    EXPECT_EQ(Ctl({"get", "--verbose"}).exitCode, 0u);
    EXPECT_THAT(out, ElementsAre("Tuner 0: DVB-S/S2", "Tuner 1: DVB-T/T2"));
    EXPECT_THAT(err, Contains("tessmorctl: DVB-C graph built; the property is supported"));
    EXPECT_THAT(TuningSpaceNames(), ElementsAre(L"quorvantel dvb-s", L"quorvantel dvb-t", L"quorvantel dvb-c"));
    ExpectCleanRun();
}

TEST_F(CtlEndToEnd, APropertySupportedNowhereIsStatus3)
{
    scenario.supportedNetworks = L"";
    scenario.Write();
    EXPECT_EQ(Ctl({"set", "1", "2"}).exitCode, 3u);
    EXPECT_THAT(out, IsEmpty());
    EXPECT_THAT(err, ElementsAre("tessmorctl: the card's demodulator-mode property is supported under none of DVB-S, DVB-T and DVB-C"));
    EXPECT_THAT(CardModes(), IsEmpty());
    ExpectCleanRun();
}

TEST_F(CtlEndToEnd, AFailedReadIsStatus4)
{
    scenario.getFails = true;
    scenario.Write();
    EXPECT_EQ(Ctl({"get"}).exitCode, 4u);
    EXPECT_THAT(out, IsEmpty());
    EXPECT_THAT(err, ElementsAre("tessmorctl: reading the modes failed (0x80004005)"));
    ExpectCleanRun();
}

TEST_F(CtlEndToEnd, AFailedWriteIsStatus4)
{
    scenario.setFails = true;
    scenario.Write();
    EXPECT_EQ(Ctl({"set", "4", "5"}).exitCode, 4u);
    EXPECT_THAT(out, IsEmpty());
    EXPECT_THAT(err, ElementsAre("tessmorctl: writing the modes failed: the driver refused them"));
    EXPECT_THAT(CardModes(), IsEmpty());
    ExpectCleanRun();
}

TEST_F(CtlEndToEnd, WaitWithACardThatKeepsItsOldModesIsStatus5)
{
    scenario.setIgnored = true;
    scenario.Write();
    SetCardModes(1, 2);
    EXPECT_EQ(Ctl({"set", "dvb-c", "keep", "--wait"}).exitCode, 5u);
    EXPECT_THAT(out, ElementsAre("Wrote Tuner 0: DVB-C, Tuner 1: DVB-S/S2.", kWritten, "Tuner 0: DVB-T/T2",
                                 "Tuner 1: DVB-S/S2"));
    EXPECT_THAT(err, ElementsAre("tessmorctl: the card reports other modes than were written"));
    ExpectCleanRun();
}

TEST_F(CtlEndToEnd, DevicesShowsWhatTheSystemListsWithAndWithoutTheCard)
{
    EXPECT_EQ(Ctl({"devices"}).exitCode, 0u);
    EXPECT_THAT(out, Contains("  VKO 8317 Tuner 0: used"));
    EXPECT_THAT(out, Contains("  VKO 8317 Capture 0: used"));
    EXPECT_THAT(err, IsEmpty());
    ExpectCleanRun();

    scenario.cardPresent = false;
    scenario.Write();
    EXPECT_EQ(Ctl({"devices"}).exitCode, 2u);
    EXPECT_THAT(out, ElementsAre("Tuner devices (the first that opens and whose name begins with \"VKO 8317 Tuner 0\" is used):",
                                 "  VKO 8317 Tuner 0: not used: it cannot be opened",
                                 "Receiver devices (the first that opens and whose name begins with \"VKO 8317 Capture 0\" is used):",
                                 "  VKO 8317 Capture 0: not used: it cannot be opened"));
    EXPECT_THAT(err, ElementsAre("tessmorctl: No VKO DVBS device!",
                                 "tessmorctl: the card's receiver device \"VKO 8317 Capture 0\" is not found"));
    ExpectCleanRun();
}

TEST_F(CtlEndToEnd, HelpListsTheCommandsAndExitStatuses)
{
    for (const char* help : {"--help", "/?"}) {
        EXPECT_EQ(Ctl({help}).exitCode, 0u);
        ASSERT_FALSE(out.empty());
        EXPECT_EQ(out[0], kUsage);
        EXPECT_THAT(out, Contains("  5  --wait read back other modes than written"));
        EXPECT_THAT(err, IsEmpty());
    }
}

}  // namespace
