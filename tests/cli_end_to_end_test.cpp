// The real tessmorctl.exe, run in the private Wine prefix on the simulated card as a script runs
// it: its output, its exit status, what the card received and kept, and that it never had a
// window of any kind.
#include <gmock/gmock.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "cli/commands/service_restart.h"
#include "cli/console/console_streams.h"
#include "console_program.h"
#include "json_reader.h"
#include "program_under_test.h"
#include "sim/server/sim_registry.h"
#include "sim/sim_services.h"
#include "simulated_card_test.h"

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

const char kUsage[] = "Usage: tessmorctl [get | set MODE0 MODE1 [--wait] [--force | --dry-run] | list | devices | autostart ACTION] [OPTIONS]";
const char kNoTuner[] = "tessmorctl: No VKO DVBS device! (\"tessmorctl devices\" shows the devices the system lists)";
const char kNoCardAdvice[] = "tessmorctl: check that the card is installed with its driver; at logon, --timeout SECONDS "
                             "(such as --timeout 60) gives the driver time to start";
const char kNotApplied[] =
    "tessmorctl: the card may need longer to switch: try again with a longer --timeout, such as --timeout 30";
const char kWritten[] = "The card takes about 8 seconds to switch to the new modes.";
// The simulated card's devices' paths, as the system's device enumerator reads them.
const char kSimTunerPath[] = "\\\\?\\pci#ven_1131&dev_7160&subsys_83171131&rev_03#4&2b1c8c1f&0&00e5"
                             "#{71985f48-1ca1-11d3-9cc8-00c04f7971e0}\\{8b884e32-f8fe-4d0c-8c16-9a3a1f2c3e01}";
const char kSimReceiverPath[] = "\\\\?\\pci#ven_1131&dev_7160&subsys_83171131&rev_03#4&2b1c8c1f&0&00e5"
                                "#{fd0a5af4-b41d-11d2-9c95-00c04f7971e0}\\{8b884e32-f8fe-4d0c-8c16-9a3a1f2c3e02}";

class CtlEndToEnd : public SimulatedCardTest {
protected:
    // One run of tessmorctl (or of its windowless twin, or one ended after the time given); no
    // window may have been seen in it.
    ConsoleRun Ctl(const std::vector<std::string>& arguments, bool windowless = false, DWORD patience = kPatience)
    {
        const ConsoleRun run = RunConsoleProgram(
            windowless ? ProgramUnderTest::WindowsPath("TESSMOR_CTLW_EXE", "tessmorctlw.exe")
                       : ProgramUnderTest::WindowsPath("TESSMOR_CTL_EXE", "tessmorctl.exe"),
            arguments, patience);
        EXPECT_TRUE(run.started) << "CreateProcess failed with error " << run.startError;
        EXPECT_THAT(run.windows, IsEmpty()) << "tessmorctl had a window";
        out = ConsoleRun::Lines(run.out);
        err = ConsoleRun::Lines(run.err);
        return run;
    }
    // After a run that used the card: nothing left, nothing released too late, and the card
    // saw no window of the program either.
    void ExpectCleanRun() { EXPECT_EQ(ExpectReleasedInTime(), 0u); }

    // How many Sets reached the card since the test began.
    DWORD Sets() { return SimRegistry::ReadNumber(SimRegistry::kCard, "Sets", 0); }
    // The run's standard output as the one JSON object --json prints.
    JsonValue Json()
    {
        JsonValue value;
        EXPECT_EQ(out.size(), 1u);
        EXPECT_TRUE(!out.empty() && JsonValue::Read(out[0], value)) << (out.empty() ? "" : out[0]);
        return value;
    }
    // Both tuners' codes in a get's or set's object.
    static std::vector<long> Codes(const JsonValue& result)
    {
        std::vector<long> codes;
        for (const JsonValue& tuner : result["tuners"].items)
            codes.push_back(tuner["code"].number);
        return codes;
    }

    // A log file in the prefix's temporary folder, gone before the test.
    static std::string NewLog(const char* name)
    {
        char folder[MAX_PATH] = {};
        EXPECT_NE(GetTempPathA(MAX_PATH, folder), 0u);
        const std::string log = std::string(folder) + name;
        (void)DeleteFileA(log.c_str());
        return log;
    }
    // The log's lines without their stamps, each of which must be there; the byte-order mark
    // must begin it.
    static std::vector<std::string> LogTexts(const std::string& log)
    {
        std::vector<std::string> texts;
        HANDLE file = CreateFileA(log.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                  nullptr);
        EXPECT_NE(file, INVALID_HANDLE_VALUE) << log;
        if (file == INVALID_HANDLE_VALUE)
            return texts;
        std::string bytes(1 << 16, '\0');
        DWORD got = 0;
        (void)ReadFile(file, &bytes[0], DWORD(bytes.size()), &got, nullptr);
        CloseHandle(file);
        bytes.resize(got);
        EXPECT_EQ(bytes.compare(0, 3, "\xEF\xBB\xBF"), 0);
        for (const std::string& line : ConsoleRun::Lines(bytes.substr(std::min<size_t>(3, bytes.size())))) {
            EXPECT_THAT(line, ::testing::MatchesRegex("\\d\\d\\d\\d-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d \\[\\d+\\] .*"));
            const size_t text = line.find("] ");
            texts.push_back(text == std::string::npos ? line : line.substr(text + 2));
        }
        return texts;
    }

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
    // The simulated card's tuner is listed without the card, but cannot be opened.
    EXPECT_THAT(err, ElementsAre(kNoTuner, "tessmorctl: \"VKO 8317 Tuner 0\" is listed but cannot be opened: another program "
                                           "may be using the card, or its driver is not started: close TV programs and try again"));
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
    EXPECT_THAT(err, ElementsAre("tessmorctl: the card's demodulator-mode property is supported under none of DVB-S, DVB-T and DVB-C",
                                 "tessmorctl: the driver installed may not be the card's own, or too old for it: install the card's current driver"));
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
    EXPECT_THAT(err, ElementsAre("tessmorctl: the card reports other modes than were written", kNotApplied));
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
                                 "  VKO 8317 Capture 0: not used: it cannot be opened",
                                 "Cards (numbered by their tuners' device paths; --card N or --device PATH takes one):",
                                 "  Card 1: not used",
                                 std::string("    tuner VKO 8317 Tuner 0: ") + kSimTunerPath,
                                 std::string("    receiver VKO 8317 Capture 0: ") + kSimReceiverPath));
    // Both are listed without the card, but cannot be opened: the advice get gives.
    EXPECT_THAT(err, ElementsAre("tessmorctl: No VKO DVBS device!",
                                 "tessmorctl: \"VKO 8317 Tuner 0\" is listed but cannot be opened: another program "
                                 "may be using the card, or its driver is not started: close TV programs and try again",
                                 "tessmorctl: \"VKO 8317 Capture 0\" is listed but cannot be opened: another program "
                                 "may be using the card, or its driver is not started: close TV programs and try again"));
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

TEST_F(CtlEndToEnd, ATunerThatAppearsSecondsAfterTheStartIsWaitedForWithTimeout)
{
    scenario.tunerDelayMilliseconds = 3000;
    scenario.Write();
    EXPECT_EQ(Ctl({"get"}).exitCode, 2u);
    EXPECT_THAT(out, IsEmpty());
    ASSERT_FALSE(err.empty());
    EXPECT_EQ(err[0], kNoTuner);
    ExpectCleanRun();

    EXPECT_EQ(Ctl({"get", "--timeout", "20"}).exitCode, 0u);
    EXPECT_THAT(out, ElementsAre("Tuner 0: DVB-T/T2", "Tuner 1: DVB-S/S2"));
    EXPECT_THAT(err, IsEmpty());
    ExpectCleanRun();
}

TEST_F(CtlEndToEnd, AReceiverThatArrivesLateIsFoundByGetAndDevicesAlike)
{
    scenario.captureDelayMilliseconds = 3000;
    scenario.Write();
    EXPECT_EQ(Ctl({"get"}).exitCode, 0u);
    EXPECT_THAT(out, ElementsAre("Tuner 0: DVB-T/T2", "Tuner 1: DVB-S/S2"));
    ExpectCleanRun();
    EXPECT_EQ(Ctl({"devices"}).exitCode, 0u);
    EXPECT_THAT(out, Contains("  VKO 8317 Capture 0: used"));
    EXPECT_THAT(err, IsEmpty());
    ExpectCleanRun();
}

TEST_F(CtlEndToEnd, SetWritesOnlyWhatChangesUnlessForcedAndDryRunWritesNothing)
{
    SetCardModes(4, 7);
    EXPECT_EQ(Ctl({"set", "4", "DVB-C2", "--wait"}).exitCode, 0u);
    EXPECT_THAT(out, ElementsAre("The modes are already set (Tuner 0: DVB-C, Tuner 1: DVBC2); nothing was written."));
    EXPECT_EQ(Sets(), 0u);
    ExpectCleanRun();

    EXPECT_EQ(Ctl({"set", "4", "7", "--force"}).exitCode, 0u);
    EXPECT_THAT(out, ElementsAre("Wrote Tuner 0: DVB-C, Tuner 1: DVBC2.", kWritten));
    EXPECT_EQ(Sets(), 1u);
    ExpectCleanRun();

    EXPECT_EQ(Ctl({"set", "keep", "dvbt", "--dry-run"}).exitCode, 0u);
    EXPECT_THAT(out, ElementsAre("Would write Tuner 0: DVB-C, Tuner 1: DVB-T/T2; nothing was written (--dry-run)."));
    EXPECT_EQ(Sets(), 1u);
    EXPECT_THAT(CardModes(), ElementsAre(4, 7));
    ExpectCleanRun();
}

TEST_F(CtlEndToEnd, WaitWaitsForACardThatTakesLongerThanEightSecondsWithEnoughTimeout)
{
    scenario.setDelayMilliseconds = 10000;
    scenario.Write();
    EXPECT_EQ(Ctl({"set", "dvb-c", "dvbc2", "--wait", "--timeout", "10"}).exitCode, 0u);
    EXPECT_THAT(out, ElementsAre("Wrote Tuner 0: DVB-C, Tuner 1: DVBC2.", kWritten, "Tuner 0: DVB-C", "Tuner 1: DVBC2"));
    EXPECT_THAT(err, IsEmpty());
    ExpectCleanRun();

    SetCardModes(1, 2);
    EXPECT_EQ(Ctl({"set", "dvb-c", "dvbc2", "--wait"}).exitCode, 5u);
    EXPECT_THAT(err, ElementsAre("tessmorctl: the card reports other modes than were written", kNotApplied));
    ExpectCleanRun();
}

TEST_F(CtlEndToEnd, ACardThatTakesTheNewModeOnOneTunerOnlyIsStatus5)
{
    for (const wchar_t* tuner : {L"0", L"1"}) {
        scenario.setTuners = tuner;
        scenario.Write();
        SetCardModes(1, 2);
        EXPECT_EQ(Ctl({"set", "4", "7", "--wait", "--json"}).exitCode, 5u);
        const JsonValue result = Json();
        EXPECT_TRUE(result["written"].truth);
        std::vector<long> readBack;
        for (const JsonValue& read : result["readBack"].items)
            readBack.push_back(read["code"].number);
        EXPECT_THAT(readBack, tuner[0] == L'0' ? ElementsAre(4, 2) : ElementsAre(1, 7));
        ExpectCleanRun();
    }
}

TEST_F(CtlEndToEnd, LogKeepsEveryRunsLinesAndALogThatCannotBeOpenedIsStatus1)
{
    const std::string log = NewLog("tessmorctl end-to-end.log");
    SetCardModes(4, 5);
    EXPECT_EQ(Ctl({"get", "--log", log}).exitCode, 0u);
    ExpectCleanRun();
    scenario.getFails = true;
    scenario.Write();
    EXPECT_EQ(Ctl({"--log=" + log, "get", "-v"}).exitCode, 4u);
    ExpectCleanRun();

    const std::vector<std::string> lines = LogTexts(log);
    (void)DeleteFileA(log.c_str());
    ASSERT_GE(lines.size(), 6u);
    EXPECT_THAT(lines[0], ::testing::MatchesRegex(".*tessmorctl.exe.* get --log .*"));
    EXPECT_THAT(std::vector<std::string>(lines.begin() + 1, lines.begin() + 4),
                ElementsAre("Tuner 0: DVB-C", "Tuner 1: ISDB-T", "exit 0"));
    EXPECT_THAT(lines[4], ::testing::MatchesRegex(".*tessmorctl.exe.*--log=.* get -v"));
    EXPECT_THAT(lines, Contains("tessmorctl: reading the modes failed (0x80004005)"));
    EXPECT_THAT(lines, Contains("tessmorctl: tuner found"));
    EXPECT_EQ(lines.back(), "exit 4");

    // A line break inside an argument is logged as '?', not as a line of its own.
    EXPECT_EQ(Ctl({"list", "--log", log, "x\r\nexit 0"}).exitCode, 1u);
    const std::vector<std::string> refused = LogTexts(log);
    ASSERT_FALSE(refused.empty());
    EXPECT_THAT(refused[0], ::testing::EndsWith("\"x??exit 0\""));
    EXPECT_THAT(refused, ::testing::Not(Contains("exit 0")));
    EXPECT_EQ(refused.back(), "exit 1");
    (void)DeleteFileA(log.c_str());

    EXPECT_EQ(Ctl({"set", "1", "2", "--log", NewLog("no such folder\\x.log")}).exitCode, 1u);
    EXPECT_THAT(out, IsEmpty());
    ASSERT_EQ(err.size(), 1u);
    EXPECT_THAT(err[0], ::testing::HasSubstr("cannot be opened for appending"));
    EXPECT_EQ(Sets(), 0u);
}

// Run with TZ=TST-5 (ctest's cli_end_to_end_local_time_test): five hours east of UTC, with no
// daylight saving time. Wine takes the zone from TZ as its process starts.
TEST_F(CtlEndToEnd, LocalTimeALogsStampsAreTheTimeOfTheRunsTimeZone)
{
    char zone[16] = {};
    ASSERT_EQ(std::string(zone, GetEnvironmentVariableA("TZ", zone, sizeof zone)), "TST-5");
    const std::string log = NewLog("tessmorctl local time.log");
    ULARGE_INTEGER before, after;
    GetSystemTimeAsFileTime(reinterpret_cast<FILETIME*>(&before));
    EXPECT_EQ(Ctl({"list", "--log", log}).exitCode, 0u);
    GetSystemTimeAsFileTime(reinterpret_cast<FILETIME*>(&after));
    std::ifstream file(log, std::ios::binary);
    const std::string bytes(std::istreambuf_iterator<char>(file), {});
    file.close();
    (void)DeleteFileA(log.c_str());
    SYSTEMTIME stamp = {};
    ASSERT_EQ(sscanf(bytes.c_str(), "\xEF\xBB\xBF%4hu-%2hu-%2hu %2hu:%2hu:%2hu.%3hu", &stamp.wYear, &stamp.wMonth, &stamp.wDay,
                     &stamp.wHour, &stamp.wMinute, &stamp.wSecond, &stamp.wMilliseconds), 7) << bytes;
    ULARGE_INTEGER local;
    ASSERT_TRUE(SystemTimeToFileTime(&stamp, reinterpret_cast<FILETIME*>(&local)));
    const ULONGLONG utc = local.QuadPart - 5ULL * 3600 * 10000000;  // in 100 ns
    EXPECT_GE(utc, before.QuadPart - before.QuadPart % 10000) << bytes.substr(0, 30);
    EXPECT_LE(utc, after.QuadPart) << bytes.substr(0, 30);
}

TEST_F(CtlEndToEnd, ARunEndedWhileItWaitsForTheCardLeavesWhatItDidInTheLog)
{
    const std::string log = NewLog("tessmorctl ended.log");
    // Ended 3 s into the 8 s wait for the card to switch, as a task's time limit ends a run.
    EXPECT_EQ(Ctl({"set", "4", "7", "--wait", "-v", "--log", log}, false, 3000).exitCode, STILL_ACTIVE);
    const std::vector<std::string> lines = LogTexts(log);
    (void)DeleteFileA(log.c_str());
    EXPECT_THAT(lines, Contains("Wrote Tuner 0: DVB-C, Tuner 1: DVBC2."));
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "tessmorctl: waiting 8000 ms for the card to switch");
    EXPECT_THAT(CardModes(), ElementsAre(4, 7));
}

TEST_F(CtlEndToEnd, TheWindowlessTwinEndsAsTheConsoleProgramDoesAndPrintsOnlyToItsLog)
{
    const std::string log = NewLog("tessmorctlw end-to-end.log");
    const struct {
        std::vector<std::string> arguments;
        bool cardPresent;
        const wchar_t* supported;
        DWORD status;
    } runs[] = {
        {{"set", "4", "7"}, true, L"S", 0}, {{"get"}, true, L"S", 0}, {{"set", "ATSC", "1"}, true, L"S", 1},
        {{"get"}, false, L"S", 2},          {{"get"}, true, L"", 3},  {{"--help"}, true, L"S", 0},
    };
    // Only the runs that reach the card leave a report of what they released.
    const auto cleanRun = [&](const std::vector<std::string>& arguments) {
        if (arguments[0] == "get" || (arguments[0] == "set" && arguments[1] != "ATSC"))
            ExpectCleanRun();
    };
    for (const auto& run : runs) {
        scenario.cardPresent = run.cardPresent;
        scenario.supportedNetworks = run.supported;
        scenario.Write();
        SetCardModes(1, 2);
        EXPECT_EQ(Ctl(run.arguments).exitCode, run.status) << run.arguments[0];
        const std::vector<std::string> printed = [&] {
            std::vector<std::string> lines = out;
            lines.insert(lines.end(), err.begin(), err.end());
            return lines;
        }();
        cleanRun(run.arguments);
        std::vector<std::string> logged = run.arguments;
        logged.insert(logged.end(), {"--log", log});
        SetCardModes(1, 2);
        EXPECT_EQ(Ctl(logged, true).exitCode, run.status) << run.arguments[0];
        EXPECT_THAT(out, IsEmpty());
        EXPECT_THAT(err, IsEmpty());
        cleanRun(run.arguments);
        // The log holds what the console program printed (both streams), between the command
        // line and the status.
        std::vector<std::string> lines = LogTexts(log);
        (void)DeleteFileA(log.c_str());
        ASSERT_GE(lines.size(), 2u);
        EXPECT_THAT(lines.front(), ::testing::HasSubstr("tessmorctlw.exe"));
        EXPECT_EQ(lines.back(), "exit " + std::to_string(run.status));
        lines = std::vector<std::string>(lines.begin() + 1, lines.end() - 1);
        std::vector<std::string> sortedPrinted = printed;
        std::sort(lines.begin(), lines.end());
        std::sort(sortedPrinted.begin(), sortedPrinted.end());
        EXPECT_EQ(lines, sortedPrinted) << run.arguments[0];
        if (run.arguments[0] == "set" && run.status == 0) {
            EXPECT_THAT(CardModes(), ElementsAre(4, 7)) << "the windowless run wrote them";
        }
    }
}

TEST_F(CtlEndToEnd, AutostartMakesFindsReplacesAndRemovesTheTaskInTheTaskScheduler)
{
    // Wine's Task Scheduler service runs while this test's wineserver is up.
    const ConsoleRun started = RunConsoleProgram("net.exe", {"start", "Schedule"}, kPatience);
    ASSERT_TRUE(started.started);
    using ::testing::_;
    using ::testing::EndsWith;
    using ::testing::HasSubstr;
    using ::testing::MatchesRegex;
    using ::testing::StartsWith;
    const std::string task = "\"Tessmor modes \\(S-1-5-.*\\)\"";
    const std::string log = NewLog("tessmorctlw autostart.log");
    // The runs in order, as a script would make them, each with what it prints.
    const struct {
        std::vector<std::string> arguments;
        bool windowless;
        ::testing::Matcher<const std::vector<std::string>&> printed;
    } runs[] = {
        {{"autostart", "disable"}, false, _},
        {{"autostart", "status"}, false,
         Contains(MatchesRegex("There is no task " + task + ": the modes are not set at the logon of .*"))},
        {{"autostart", "enable", "dvb-c", "keep", "--resume"}, false,
         ElementsAre(MatchesRegex("Registered the task " + task + "\\."), _, _,
                     MatchesRegex("  with .*\\\\tessmorctlw.exe; its log is .*\\\\Tessmor\\\\autostart.log\\."))},
        // Wine keeps the task, but not its triggers and action: status says what it cannot tell.
        {{"autostart", "status", "--json"}, false,
         ElementsAre(AllOf(HasSubstr("\"system\":false,\"registered\":true,"), HasSubstr("\"state\":\"ready\""),
                           HasSubstr("\"lastRun\":\"never\"")))},
        {{"autostart", "status"}, false, Contains("  Runs: not told by the Task Scheduler")},
        // The windowless program registers and reads as the console one does, into its log.
        {{"autostart", "enable", "1", "2"}, true, IsEmpty()},
        {{"autostart", "status", "--log", log}, true, IsEmpty()},
        {{"autostart", "enable", "1", "2", "--system"}, false,
         Contains(EndsWith("\\ProgramData\\Tessmor\\autostart.log."))},
        {{"autostart", "enable", "4", "7"}, false, Contains(StartsWith("Replaced the task \"Tessmor modes (S-1-5-"))},
        {{"autostart", "disable", "--system"}, false,
         ElementsAre("Removed the task \"Tessmor modes (SYSTEM)\".", EndsWith("\\Tessmor\\tessmorctlw.exe\"."),
                     EndsWith("\\Tessmor\"."))},
        {{"autostart", "disable"}, false, Contains(StartsWith("Removed the task's program"))},
        {{"autostart", "disable"}, false, ElementsAre(EndsWith("nothing was removed."))},
        {{"autostart", "status", "--json"}, false, ElementsAre(HasSubstr("\"registered\":false"))},
    };
    for (const auto& run : runs) {
        const std::string command = run.arguments[1] + (run.arguments.size() > 2 ? " " + run.arguments[2] : "");
        ASSERT_EQ(Ctl(run.arguments, run.windowless).exitCode, 0u) << command << ": " << (err.empty() ? "" : err[0]);
        EXPECT_THAT(out, run.printed) << command;
        EXPECT_THAT(err, IsEmpty()) << command;
    }
    EXPECT_THAT(LogTexts(log), Contains(MatchesRegex("The task " + task + " is registered\\.")));
    (void)DeleteFileA(log.c_str());

    // The task runs its own copy, from the user's programs folder; a log that every run would
    // fail on is refused, and the task that is there stays.
    char programs[MAX_PATH] = {};
    ASSERT_NE(GetEnvironmentVariableA("LOCALAPPDATA", programs, MAX_PATH), 0u);
    const std::string copy = std::string(programs) + "\\Programs\\Tessmor\\tessmorctlw.exe";
    ASSERT_EQ(Ctl({"autostart", "enable", "4", "7"}).exitCode, 0u);
    EXPECT_THAT(out, Contains(HasSubstr("with its own copy of tessmorctlw.exe, " + copy + ";")));
    EXPECT_NE(GetFileAttributesA(copy.c_str()), INVALID_FILE_ATTRIBUTES);
    char temp[MAX_PATH] = {};
    ASSERT_NE(GetTempPathA(MAX_PATH, temp), 0u);
    EXPECT_EQ(Ctl({"autostart", "enable", "1", "2", "--log", temp}).exitCode, 1u);
    EXPECT_THAT(err, ElementsAre(AllOf(StartsWith("tessmorctl: the log \""), HasSubstr("\" is a folder"))));
    // Wine's Task Scheduler does not give the action back: that the task stays is what it can show.
    EXPECT_EQ(Ctl({"autostart", "status"}).exitCode, 0u);
    EXPECT_THAT(out, Contains(MatchesRegex("The task " + task + " is registered\\.")));
    EXPECT_EQ(Ctl({"autostart", "disable"}).exitCode, 0u);
    EXPECT_EQ(GetFileAttributesA(copy.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(CtlEndToEnd, WithTwoCardsListedCrossedEachCommandReachesTheCardAskedForThroughItsOwnReceiver)
{
    UseTwoCards(4, 7, 5, 6);

    EXPECT_EQ(Ctl({"get"}).exitCode, 0u);
    EXPECT_THAT(out, ElementsAre("Tuner 0: DVB-C", "Tuner 1: DVBC2"));
    EXPECT_GE(ReceiverConnections(SimRegistry::kCard), 1u);
    EXPECT_EQ(ReceiverConnections(SimRegistry::kSecondCard), 0u) << "card 1's tuner went to card 2's receiver";
    ExpectCleanRun();

    EXPECT_EQ(Ctl({"set", "1", "1", "--card", "2"}).exitCode, 0u);
    ExpectCleanRun();
    EXPECT_EQ(Ctl({"set", "keep", "2", "--device", kSecondTunerPath}).exitCode, 0u);
    ExpectCleanRun();
    EXPECT_THAT(CardModes(SimRegistry::kSecondCard), ElementsAre(1, 2));
    EXPECT_THAT(CardModes(), ElementsAre(4, 7));
    EXPECT_EQ(Sets(), 0u) << "card 1 was written to";
}

TEST_F(CtlEndToEnd, JsonGivesEveryCommandsResultAsAnObjectAScriptCanRead)
{
    SetCardModes(4, 7);
    EXPECT_EQ(Ctl({"get", "--json"}).exitCode, 0u);
    JsonValue result = Json();
    EXPECT_THAT(Codes(result), ElementsAre(4, 7));
    EXPECT_EQ(result["tuners"].items.at(1)["name"].text, "DVBC2");
    EXPECT_EQ(result["tuners"].items.at(1)["tuner"].number, 1);
    ExpectCleanRun();

    EXPECT_EQ(Ctl({"set", "1", "keep", "--json"}).exitCode, 0u);
    result = Json();
    EXPECT_THAT(Codes(result), ElementsAre(1, 7));
    EXPECT_TRUE(result["written"].truth);
    EXPECT_EQ(result["written"].kind, JsonValue::Kind::Truth);
    ExpectCleanRun();

    EXPECT_EQ(Ctl({"list", "--json"}).exitCode, 0u);
    result = Json();
    ASSERT_EQ(result["modes"].items.size(), 7u);
    EXPECT_EQ(result["modes"].items[2]["name"].text, "ATSC");
    EXPECT_FALSE(result["modes"].items[2]["supported"].truth);
    EXPECT_EQ(result["modes"].items[5]["aliases"].items.size(), 3u);

    EXPECT_EQ(Ctl({"devices", "--json"}).exitCode, 0u);
    result = Json();
    ASSERT_EQ(result["tunerDevices"].items.size(), 1u);
    EXPECT_EQ(result["tunerDevices"].items[0]["name"].text, "VKO 8317 Tuner 0");
    EXPECT_TRUE(result["receiverDevices"].items.at(0)["used"].truth);
    EXPECT_EQ(Ctl({"get", "--device", kSimTunerPath}).exitCode, 0u);
    EXPECT_EQ(Ctl({"get", "--card", "2"}).exitCode, 2u);
    EXPECT_EQ(Ctl({"devices", "--json"}).exitCode, 0u);
    result = Json();
    // The paths as the system's own device enumerator reads them, one device instance for both.
    const std::string tunerPath = result["tunerDevices"].items[0]["path"].text;
    const std::string receiverPath = result["receiverDevices"].items.at(0)["path"].text;
    EXPECT_EQ(tunerPath.substr(0, tunerPath.find("#{")), receiverPath.substr(0, receiverPath.find("#{")));
    EXPECT_THAT(tunerPath, ::testing::StartsWith("\\\\?\\pci#ven_1131&dev_7160"));
    ExpectCleanRun();
}

TEST_F(CtlEndToEnd, EveryOtherNameOfAModeIsTakenAndQuietPrintsNothing)
{
    const struct {
        const char* first;
        const char* second;
        long code;
    } pairs[] = {{"DVB-T", "dvbt2", 1}, {"dvbt", "DVB-T2", 1}, {"DVB-S", "dvbs2", 2}, {"dvbs", "DVB-S2", 2},
                 {"DVBC", "dvbc", 4},   {"isdbt", "ISDBT", 5}, {"MCNS", "qamb", 6},  {"qam-b", "QAM-B", 6},
                 {"DVB-C2", "dvb-c2", 7}};
    for (const auto& pair : pairs) {
        EXPECT_EQ(Ctl({"set", pair.first, pair.second, "--dry-run", "--json"}).exitCode, 0u) << pair.first;
        EXPECT_THAT(Codes(Json()), ElementsAre(pair.code, pair.code)) << pair.first;
        ExpectCleanRun();
    }
    EXPECT_EQ(Sets(), 0u);

    for (const std::vector<std::string>& quiet :
         {std::vector<std::string>{"get", "-q"}, {"set", "DVB-T", "DVB-C2", "--quiet"}, {"devices", "/quiet"}}) {
        EXPECT_EQ(Ctl(quiet).exitCode, 0u);
        EXPECT_THAT(out, IsEmpty());
        EXPECT_THAT(err, IsEmpty());
        ExpectCleanRun();
    }
    EXPECT_THAT(CardModes(), ElementsAre(1, 7));
}

TEST_F(CtlEndToEnd, BadValuesForTheNewOptionsAreStatus1BeforeTheCardIsTouched)
{
    const std::vector<std::vector<std::string>> refused = {
        {"get", "--timeout", "-1"}, {"get", "--timeout=abc"}, {"get", "/timeout:3601"}, {"get", "--timeout"},
        {"set", "1", "2", "--force", "--dry-run"}, {"get", "--force"}, {"devices", "--dry-run"}, {"--log"},
    };
    for (const auto& arguments : refused) {
        EXPECT_EQ(Ctl(arguments).exitCode, 1u) << arguments.back();
        EXPECT_THAT(out, IsEmpty());
        ASSERT_EQ(err.size(), 3u);
        EXPECT_EQ(err[1], kUsage);
    }
    EXPECT_EQ(Sets(), 0u);
    EXPECT_THAT(CardModes(), IsEmpty());
    EXPECT_EQ(SimRegistry::ReadNumber(SimRegistry::kReport, "LiveObjects", 99), 99u) << "the card was loaded";
}

}  // namespace

namespace {

// The simulated TV server's service in Wine's service manager, running, with its counts cleared;
// stopped and removed again at the end.
class SimulatedService {
public:
    SimulatedService()
    {
        manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
        EXPECT_NE(manager, nullptr) << GetLastError();
        const std::string program =
            "\"" + ProgramUnderTest::WindowsPath("TESSMOR_SIM_SERVICE_EXE", "TessmorSimService.exe") + "\"";
        service = manager ? OpenServiceA(manager, kName, SERVICE_ALL_ACCESS) : nullptr;
        if (manager && !service)
            service = CreateServiceA(manager, kName, "Tessmor simulated TV server", SERVICE_ALL_ACCESS,
                                     SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_IGNORE,
                                     program.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr);
        EXPECT_NE(service, nullptr) << GetLastError();
        SimRegistry::Delete(SimRegistry::kService);
        EXPECT_TRUE(service && StartServiceA(service, 0, nullptr)) << GetLastError();
        EXPECT_TRUE(Reaches(SERVICE_RUNNING));
    }
    ~SimulatedService()
    {
        SERVICE_STATUS status = {};
        if (service) {
            (void)ControlService(service, SERVICE_CONTROL_STOP, &status);
            (void)Reaches(SERVICE_STOPPED);
            (void)DeleteService(service);
            CloseServiceHandle(service);
        }
        if (manager)
            CloseServiceHandle(manager);
    }
    static DWORD Count(const char* what) { return SimRegistry::ReadNumber(SimRegistry::kService, what, 0); }
    // Whether the service is in the state, asked about once every 100 ms for at most 10 s.
    bool Reaches(DWORD state) const
    {
        SERVICE_STATUS status = {};
        for (int ask = 0; ask < 100 && service && QueryServiceStatus(service, &status); ++ask) {
            if (status.dwCurrentState == state)
                return true;
            Sleep(100);
        }
        return false;
    }

    static constexpr const char* kName = "TessmorSimService";
    SC_HANDLE manager = nullptr;
    SC_HANDLE service = nullptr;
};

TEST_F(CtlEndToEnd, RestartServiceRestartsTheServiceOnceAfterAWriteTheCardTookAndNeverWithoutOne)
{
    SimulatedService tvServer;
    ASSERT_EQ(SimulatedService::Count("Starts"), 1u);
    // A server that takes a second and a half to stop is waited for, polling at a pace.
    SimRegistry::WriteNumber(SimRegistry::kService, "StopMilliseconds", 1500);
    SetCardModes(4, 5);
    EXPECT_EQ(Ctl({"set", "1", "2", "--restart-service", "TessmorSimService", "--verbose"}).exitCode, 0u);
    EXPECT_THAT(out, Contains("Restarted the service \"TessmorSimService\"."));
    EXPECT_THAT(err, ::testing::IsSupersetOf({"tessmorctl: stopping the service \"TessmorSimService\"",
                                              "tessmorctl: starting the service \"TessmorSimService\""}));
    EXPECT_THAT(CardModes(), ElementsAre(1, 2));
    EXPECT_EQ(Sets(), 1u);
    // Started again: the service counts its start before it says it runs.
    EXPECT_TRUE(tvServer.Reaches(SERVICE_RUNNING));
    EXPECT_EQ(SimulatedService::Count("Stops"), 1u);
    EXPECT_EQ(SimulatedService::Count("Starts"), 2u);
    SimRegistry::WriteNumber(SimRegistry::kService, "StopMilliseconds", 0);

    // Nothing written: nothing restarted.
    EXPECT_EQ(Ctl({"set", "1", "2", "--restart-service", "TessmorSimService"}).exitCode, 0u);
    EXPECT_THAT(out, Contains(::testing::StartsWith("The modes are already set")));
    EXPECT_EQ(SimulatedService::Count("Stops"), 1u);
    EXPECT_EQ(SimulatedService::Count("Starts"), 2u);

    // A service that is not there, or a name no service can have (the manager says it is not
    // valid): refused before the card is touched.
    for (const std::string name : {"NoSuchTvServer", "Tv\\Server"}) {
        EXPECT_EQ(Ctl({"set", "4", "7", "--restart-service", name}).exitCode, 1u);
        EXPECT_THAT(err, ElementsAre("tessmorctl: the service \"" + name + "\" does not exist: give the service's "
                                     "name (its key name, as services.msc shows under \"Service name\"); nothing was "
                                     "written"));
    }
    EXPECT_EQ(Sets(), 1u);
    EXPECT_THAT(CardModes(), ElementsAre(1, 2));

    // A service that is not running is left so.
    SERVICE_STATUS status = {};
    ASSERT_TRUE(ControlService(tvServer.service, SERVICE_CONTROL_STOP, &status));
    ASSERT_TRUE(tvServer.Reaches(SERVICE_STOPPED));
    SetCardModes(4, 5);
    EXPECT_EQ(Ctl({"set", "1", "2", "--restart-service", "TessmorSimService"}).exitCode, 0u);
    EXPECT_THAT(out, Contains("The service \"TessmorSimService\" is not running: it was not restarted."));
    EXPECT_EQ(SimulatedService::Count("Starts"), 2u);
    ASSERT_TRUE(StartServiceA(tvServer.service, 0, nullptr));
    ASSERT_TRUE(tvServer.Reaches(SERVICE_RUNNING));

    // A restart that fails once the service is stopped says so, and how to do it by hand.
    ASSERT_TRUE(ChangeServiceConfigA(tvServer.service, SERVICE_NO_CHANGE, SERVICE_NO_CHANGE, SERVICE_NO_CHANGE,
                                     "C:\\no such folder\\server.exe", nullptr, nullptr, nullptr, nullptr, nullptr,
                                     nullptr));
    SetCardModes(4, 5);
    EXPECT_EQ(Ctl({"set", "1", "2", "--restart-service", "TessmorSimService"}).exitCode, 7u);
    EXPECT_THAT(err, ElementsAre("tessmorctl: the service \"TessmorSimService\" was stopped but could not be started "
                                 "again (error 2); the modes were written all the same",
                                 "tessmorctl: restart it by hand: services.msc, or net stop \"TessmorSimService\" and "
                                 "net start \"TessmorSimService\""));
    EXPECT_THAT(CardModes(), ElementsAre(1, 2));
}

// Restarts that fail, run in-process. A server that does not stop within the minute, its wait with
// the pauses recorded instead of slept: the restart gives up after 120 polls of half a second,
// says so, and leaves the service as it is.
TEST_F(CtlEndToEnd, RestartServiceSaysWhyAServerWasNotRestarted)
{
    struct Lines : ConsoleStreams {
        void Out(const std::wstring& line) override { out.push_back(line); }
        void Err(const std::wstring& line) override { err.push_back(line); }
        std::vector<std::wstring> out, err;
    };
    SimServices pauses;
    // The restart's status 7, and the lines it gives: each time on standard error only.
    const auto notRestarted = [&pauses](const wchar_t* name) {
        Lines lines;
        ScopedSystemServices scope(pauses);
        Reporter reporter(lines, false);
        EXPECT_EQ(RestartService(name, reporter), 7);
        EXPECT_THAT(lines.out, IsEmpty());
        return lines.err;
    };
    const wchar_t kByHand[] = L"tessmorctl: restart it by hand: services.msc, or net stop \"TessmorSimService\" and net "
                              L"start \"TessmorSimService\"";
    SimulatedService tvServer;
    // Long enough for the 120 polls to be asked even on a loaded machine.
    SimRegistry::WriteNumber(SimRegistry::kService, "StopMilliseconds", 6000);
    EXPECT_THAT(notRestarted(L"TessmorSimService"),
                ElementsAre(L"tessmorctl: the service \"TessmorSimService\" did not stop within 60 seconds; the modes "
                            L"were written all the same",
                            kByHand));
    EXPECT_EQ(pauses.sleeps, std::vector<DWORD>(120, 500));
    EXPECT_TRUE(tvServer.Reaches(SERVICE_STOPPED));
    EXPECT_EQ(SimulatedService::Count("Starts"), 1u) << "started again after it gave up";

    // One already stopping takes no stop: it is left to stop, and said to be restarted by hand.
    ASSERT_TRUE(StartServiceA(tvServer.service, 0, nullptr));
    ASSERT_TRUE(tvServer.Reaches(SERVICE_RUNNING));
    SERVICE_STATUS status = {};
    ASSERT_TRUE(ControlService(tvServer.service, SERVICE_CONTROL_STOP, &status));
    EXPECT_THAT(notRestarted(L"TessmorSimService"),
                ElementsAre(L"tessmorctl: the service \"TessmorSimService\" could not be stopped (error 1061); the "
                            L"modes were written all the same",
                            kByHand));
    EXPECT_TRUE(tvServer.Reaches(SERVICE_STOPPED));
    EXPECT_EQ(SimulatedService::Count("Starts"), 2u);

    // One removed after the run checked it, as by an uninstall meanwhile, cannot be opened.
    EXPECT_THAT(notRestarted(L"NoSuchTvServer"),
                ElementsAre(L"tessmorctl: the service \"NoSuchTvServer\" cannot be opened to be restarted (error "
                            L"1060); the modes were written all the same",
                            L"tessmorctl: restart it by hand: services.msc, or net stop \"NoSuchTvServer\" and net "
                            L"start \"NoSuchTvServer\""));
}

}  // namespace
