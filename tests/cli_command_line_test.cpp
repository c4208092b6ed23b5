// tessmorctl's arguments: what they ask for, and every way they can be wrong.
#include <gmock/gmock.h>

#include <string>
#include <vector>

#include "cli/options/command_line.h"
#include "cli/console/console_streams.h"
#include "cli/options/mode_names.h"
#include "cli/console/program_clock.h"
#include "cli/console/text.h"

namespace {

struct Parsed {
    bool understood;
    CtlRequest request;
    std::wstring reason;
};

Parsed Parse(std::vector<std::wstring> arguments)
{
    Parsed parsed;
    parsed.understood = ParseCommandLine(arguments, parsed.request, parsed.reason);
    return parsed;
}

std::wstring Refusal(std::vector<std::wstring> arguments)
{
    const Parsed parsed = Parse(arguments);
    EXPECT_FALSE(parsed.understood);
    EXPECT_FALSE(parsed.reason.empty());
    return parsed.reason;
}

TEST(CtlCommandLine, CommandsAndOptionsAreTakenInAnyCaseAndOptionsAnywhere)
{
    EXPECT_EQ(Parse({}).request.command, CtlCommand::Get);
    EXPECT_EQ(Parse({L"GET"}).request.command, CtlCommand::Get);
    EXPECT_EQ(Parse({L"List"}).request.command, CtlCommand::List);
    EXPECT_EQ(Parse({L"deviceS"}).request.command, CtlCommand::Devices);

    const Parsed set = Parse({L"--VERBOSE", L"sEt", L"dvb-c", L"/Wait", L"dvbc2"});
    ASSERT_TRUE(set.understood) << set.reason;
    EXPECT_EQ(set.request.command, CtlCommand::Set);
    EXPECT_TRUE(set.request.verbose);
    EXPECT_TRUE(set.request.wait);
    EXPECT_EQ(set.request.tuners[0].mode, 4);
    EXPECT_EQ(set.request.tuners[1].mode, 7);
    EXPECT_FALSE(Parse({L"get"}).request.verbose);

    // Help wins over everything else, mistakes included.
    for (const std::vector<std::wstring>& help :
         {std::vector<std::wstring>{L"--help"}, {L"/?"}, {L"-?"}, {L"-H"}, {L"/HELP"},
          {L"set", L"nonsense", L"/?"}, {L"", L"--bogus", L"--help"}}) {
        const Parsed parsed = Parse(help);
        EXPECT_TRUE(parsed.understood);
        EXPECT_EQ(parsed.request.command, CtlCommand::Help) << help.back();
    }
    EXPECT_EQ(Parse({L"--version"}).request.command, CtlCommand::Version);
}

TEST(CtlCommandLine, ModesAreNamedByDisplayNameOrCodeOrKept)
{
    const char* names[] = {"dvb-t/t2", "DVB-S/S2", nullptr, "Dvb-C", "isdb-t", "mcns/qamb", "DVBc2"};
    for (int code = 1; code <= 7; ++code) {
        if (!names[code - 1])
            continue;
        const Parsed byName = Parse({L"set", Widen(names[code - 1]), std::to_wstring(code)});
        ASSERT_TRUE(byName.understood) << names[code - 1] << ": " << std::string(byName.reason.begin(), byName.reason.end());
        EXPECT_EQ(byName.request.tuners[0].mode, code);
        EXPECT_EQ(byName.request.tuners[1].mode, code);
        EXPECT_FALSE(byName.request.tuners[0].keep);
    }
    const Parsed kept = Parse({L"set", L"KEEP", L"keep"});
    ASSERT_TRUE(kept.understood);
    EXPECT_TRUE(kept.request.tuners[0].keep);
    EXPECT_TRUE(kept.request.tuners[1].keep);
}

TEST(CtlCommandLine, AtscAndUnknownModesAreRefusedWithTheirTuner)
{
    EXPECT_EQ(Refusal({L"set", L"atsc", L"1"}), L"ATSC cannot be set for tuner 0: the card does not support it");
    EXPECT_EQ(Refusal({L"set", L"1", L"3"}), L"ATSC cannot be set for tuner 1: the card does not support it");
    // An unknown mode is found before ATSC, whichever tuner has which.
    EXPECT_EQ(Refusal({L"set", L"ATSC", L"DVB-X"}),
              L"unknown mode \"DVB-X\" for tuner 1 (did you mean \"DVB-T\"?); \"tessmorctl list\" shows the modes");
    EXPECT_EQ(Refusal({L"set", L"bogus", L"1"}), L"unknown mode \"bogus\" for tuner 0; \"tessmorctl list\" shows the modes");
    for (const wchar_t* unknown : {L"0", L"8", L"04", L" 4", L"4 ", L"DVBT/T2", L"DVB-T3x", L"keeps", L"1.0", L"-1"}) {
        const Parsed parsed = Parse({L"set", unknown, L"1"});
        EXPECT_FALSE(parsed.understood) << unknown;
    }
    // A mode name in another script is unknown too, not a crash or a match.
    EXPECT_FALSE(Parse({L"set", L"\u0414\u0412\u0411-\u0421", L"1"}).understood);
}

TEST(CtlCommandLine, UsageErrorsSayWhatIsWrong)
{
    EXPECT_EQ(Refusal({L"status"}), L"unknown command \"status\"");
    EXPECT_EQ(Refusal({L"get", L"now"}), L"too many arguments: \"now\" after \"get\"");
    EXPECT_EQ(Refusal({L"list", L"1", L"2"}), L"too many arguments: \"1\" after \"list\"");
    EXPECT_EQ(Refusal({L"set"}), L"set needs a mode for each tuner: set MODE0 MODE1");
    EXPECT_EQ(Refusal({L"set", L"1"}), L"set needs a mode for each tuner: set MODE0 MODE1");
    EXPECT_EQ(Refusal({L"set", L"1", L"2", L"4"}), L"set takes two modes, one for each tuner: set MODE0 MODE1");
    EXPECT_EQ(Refusal({L"get", L"--wait"}), L"--wait goes only with set");
    EXPECT_EQ(Refusal({L"--wait"}), L"--wait goes only with set");
    EXPECT_EQ(Refusal({L"--frobnicate", L"get"}), L"unknown option \"--frobnicate\"");
    EXPECT_EQ(Refusal({L"-x"}), L"unknown option \"-x\"");
    EXPECT_EQ(Refusal({L"/x"}), L"unknown option \"/x\"");
    EXPECT_EQ(Refusal({L"--version", L"get"}), L"--version takes no command");
    for (const std::vector<std::wstring>& empty :
         {std::vector<std::wstring>{L""}, {L"get", L""}, {L"set", L"", L"1"}, {L"set", L"1", L"2", L""}})
        EXPECT_EQ(Refusal(empty), L"an empty argument is neither a command, a mode nor an option");
}

TEST(CtlCommandLine, OptionValuesAreTakenInEachFormAndTheNewSwitchesAnywhere)
{
    for (const std::vector<std::wstring>& timeout :
         {std::vector<std::wstring>{L"--timeout", L"30"}, {L"--timeout=30"}, {L"/timeout:30"},
          {L"/TIMEOUT=30"}, {L"get", L"--Timeout:30"}}) {
        const Parsed parsed = Parse(timeout);
        ASSERT_TRUE(parsed.understood) << parsed.reason.size();
        EXPECT_EQ(parsed.request.timeoutSeconds, 30u);
        EXPECT_EQ(parsed.request.command, CtlCommand::Get);
    }
    EXPECT_EQ(Parse({}).request.timeoutSeconds, 0u);
    EXPECT_EQ(Parse({L"--timeout", L"3600"}).request.timeoutSeconds, 3600u);

    for (const std::vector<std::wstring>& log :
         {std::vector<std::wstring>{L"--log", L"C:\\logs\\a b.log"}, {L"--log=C:\\logs\\a b.log"},
          {L"/log:C:\\logs\\a b.log"}}) {
        const Parsed parsed = Parse(log);
        ASSERT_TRUE(parsed.understood) << parsed.reason.size();
        EXPECT_TRUE(parsed.request.log);
        EXPECT_EQ(parsed.request.logFile, L"C:\\logs\\a b.log");
    }

    const Parsed set = Parse({L"-q", L"set", L"--JSON", L"4", L"/force", L"7", L"-V"});
    ASSERT_TRUE(set.understood) << set.reason.size();
    EXPECT_TRUE(set.request.quiet && set.request.json && set.request.force && set.request.verbose);
    EXPECT_FALSE(set.request.dryRun || set.request.wait || set.request.log);
    EXPECT_TRUE(Parse({L"set", L"4", L"7", L"--dry-run", L"--wait"}).request.dryRun);
    EXPECT_TRUE(Parse({L"--quiet"}).request.quiet);

    EXPECT_EQ(Parse({L"help"}).request.command, CtlCommand::Help);
    EXPECT_EQ(Parse({L"HELP", L"set"}).request.command, CtlCommand::Help);
    EXPECT_EQ(Parse({L"version"}).request.command, CtlCommand::Version);
}

TEST(CtlCommandLine, BadOptionValuesAndOptionsThatDoNotGoTogetherAreRefused)
{
    const struct {
        std::vector<std::wstring> arguments;
        const wchar_t* reason;
    } refused[] = {
        {{L"--timeout"}, L"--timeout needs a number of seconds: --timeout SECONDS"},
        {{L"--timeout="}, L"--timeout needs a number of seconds: --timeout SECONDS"},
        {{L"get", L"/timeout:"}, L"/timeout needs a number of seconds: --timeout SECONDS"},
        {{L"--timeout", L"-5"}, L"--timeout takes a whole number of seconds from 0 to 3600, not \"-5\""},
        {{L"--timeout", L"ten"}, L"--timeout takes a whole number of seconds from 0 to 3600, not \"ten\""},
        {{L"--timeout=1.5"}, L"--timeout takes a whole number of seconds from 0 to 3600, not \"1.5\""},
        {{L"--timeout", L"3601"}, L"--timeout takes a whole number of seconds from 0 to 3600, not \"3601\""},
        {{L"--timeout", L"99999999999"}, L"--timeout takes a whole number of seconds from 0 to 3600, not \"99999999999\""},
        {{L"--log"}, L"--log needs a file: --log FILE"},
        {{L"/log:"}, L"/log needs a file: --log FILE"},
        {{L"--json=yes"}, L"unknown option \"--json=yes\""},
        {{L"set", L"1", L"2", L"--force", L"--dry-run"}, L"--force and --dry-run do not go together: --dry-run writes nothing"},
        {{L"get", L"--force"}, L"--force goes only with set"},
        {{L"--dry-run"}, L"--dry-run goes only with set"},
        {{L"devices", L"--dry-run"}, L"--dry-run goes only with set"},
        {{L"list", L"--timeout", L"5"}, L"--timeout goes only with the commands that use the card: get, set and devices"},
        {{L"version", L"get"}, L"too many arguments: \"get\" after \"version\""},
        {{L"autostart"}, L"autostart needs enable, status or disable"},
        {{L"autostart", L"start"}, L"autostart takes enable, status or disable, not \"start\""},
        {{L"autostart", L"status", L"now"}, L"too many arguments: \"now\" after \"status\""},
        {{L"autostart", L"enable", L"4"}, L"autostart enable needs a mode for each tuner: autostart enable MODE0 MODE1"},
        {{L"autostart", L"enable", L"4", L"atsc"}, L"ATSC cannot be set for tuner 1: the card does not support it"},
        {{L"autostart", L"disable", L"--resume"}, L"--resume goes only with autostart enable"},
        {{L"set", L"1", L"2", L"--system"}, L"--system goes only with autostart"},
        {{L"autostart", L"enable", L"1", L"2", L"--json"}, L"--json goes with autostart only as autostart status --json"},
        {{L"autostart", L"status", L"--timeout", L"5"}, L"--timeout goes with autostart only as autostart enable's, for the task's runs"},
        {{L"autostart", L"enable", L"1", L"2", L"--wait"}, L"--wait goes only with set"},
        {{L"get", L"--card", L"0"}, L"--card takes a card's number from 1 to 99, as \"tessmorctl devices\" numbers them, not \"0\""},
        {{L"get", L"--card=x"}, L"--card takes a card's number from 1 to 99, as \"tessmorctl devices\" numbers them, not \"x\""},
        {{L"get", L"--card"}, L"--card needs a card's number: --card N"},
        {{L"get", L"/device:"}, L"/device needs a device path: --device PATH"},
        {{L"get", L"--card", L"1", L"--device", L"x"}, L"--card and --device do not go together: each names a card"},
        {{L"list", L"--card", L"2"}, L"--card and --device go only with get, set, devices and autostart enable"},
        {{L"autostart", L"status", L"--device", L"x"}, L"--card and --device go only with get, set, devices and autostart enable"},
        {{L"set", L"1", L"2", L"--device-start"}, L"--device-start goes only with autostart enable"},
        {{L"autostart", L"status", L"--device-start"}, L"--device-start goes only with autostart enable"},
        {{L"get", L"--restart-service", L"TVService"}, L"--restart-service goes only with set and autostart enable"},
        {{L"autostart", L"disable", L"--restart-service=TVService"}, L"--restart-service goes only with set and autostart enable"},
        {{L"set", L"1", L"2", L"--restart-service"}, L"--restart-service needs a service's name: --restart-service NAME"},
        {{L"set", L"1", L"2", L"--dry-run", L"/restart-service:TVService"},
         L"--restart-service and --dry-run do not go together: --dry-run writes nothing"},
    };
    for (const auto& refusal : refused)
        EXPECT_EQ(Refusal(refusal.arguments), refusal.reason);

    // A log asked for well is taken even from a refused command line, so the refusal is logged.
    const Parsed parsed = Parse({L"set", L"1", L"--log", L"run.log"});
    EXPECT_FALSE(parsed.understood);
    EXPECT_TRUE(parsed.request.log);
    EXPECT_EQ(parsed.request.logFile, L"run.log");

    // autostart enable's --timeout and --log are the task's runs', not this run's.
    const Parsed enable = Parse({L"Autostart", L"ENABLE", L"dvb-c", L"keep", L"--timeout=30", L"--log", L"a.log",
                                 L"/resume", L"--system"});
    ASSERT_TRUE(enable.understood) << enable.reason;
    EXPECT_EQ(enable.request.autostart, AutostartAction::Enable);
    EXPECT_EQ(enable.request.tuners[0].mode, 4);
    EXPECT_TRUE(enable.request.tuners[1].keep && enable.request.resume && enable.request.system);
    EXPECT_EQ(enable.request.taskTimeoutSeconds, 30u);
    EXPECT_EQ(enable.request.taskLogFile, L"a.log");
    EXPECT_FALSE(enable.request.log);
    EXPECT_EQ(enable.request.timeoutSeconds, 0u);
    EXPECT_EQ(Parse({L"autostart", L"enable", L"1", L"2"}).request.taskTimeoutSeconds, 120u);
    const Parsed status = Parse({L"autostart", L"status", L"--log", L"b.log", L"--json"});
    EXPECT_EQ(status.request.autostart, AutostartAction::Status);
    EXPECT_TRUE(status.request.log && status.request.json);
    EXPECT_EQ(Parse({L"autostart", L"disable"}).request.autostart, AutostartAction::Disable);
    EXPECT_EQ(Parse({L"set", L"1", L"2", L"--card", L"99"}).request.card, 99u);
    EXPECT_EQ(Parse({L"devices", L"--device=\\\\?\\pci#a"}).request.device, L"\\\\?\\pci#a");
    const Parsed restart = Parse({L"autostart", L"enable", L"1", L"2", L"--device-start", L"--restart-service", L"TV Server"});
    ASSERT_TRUE(restart.understood) << restart.reason;
    EXPECT_TRUE(restart.request.deviceStart);
    EXPECT_EQ(restart.request.restartService, L"TV Server");
}

TEST(CtlModeNames, OtherNamesAreTakenInAnyCaseAndNearMissesGetAHint)
{
    // The other names are each tried on the real program; here, that they are names like the
    // display names, in any case.
    EXPECT_EQ(Parse({L"set", L"dvb-t", L"Dvb-C2"}).request.tuners[1].mode, 7);
    EXPECT_TRUE(Parse({L"set", L"DVB-T", L"DVB-C2"}).understood);
    EXPECT_TRUE(Parse({L"set", L"DVB-S2", L"DVB-T2"}).understood);

    const struct {
        const wchar_t* typed;
        const char* nearest;  // null: no hint
    } misses[] = {
        {L"dvb-cc2", "DVB-C2"}, {L"isdb", "ISDBT"}, {L"QAMC", "QAMB"}, {L"kep", "keep"},
        {L"mcns/qam", "MCNS/QAMB"}, {L"ATSC3", nullptr}, {L"x", nullptr}, {L"bogus", nullptr},
        {L"DVB-T/T3", "DVB-T/T2"}, {L"12345678901234567890123", nullptr},
    };
    for (const auto& miss : misses) {
        const char* nearest = NearestModeName(miss.typed);
        if (!miss.nearest)
            EXPECT_EQ(nearest, nullptr) << nearest;
        else
            EXPECT_STREQ(nearest, miss.nearest);
    }
}

TEST(CtlCommandLine, VeryLongAndOddArgumentsAreRefusedAndQuotedShort)
{
    const std::wstring longWord(100000, L'x');
    const std::wstring reason = Refusal({longWord});
    EXPECT_EQ(reason, L"unknown command \"" + std::wstring(40, L'x') + L"...\"");
    EXPECT_LT(Refusal({L"set", L"1", longWord}).size(), 120u);
    EXPECT_LT(Refusal({L"--" + longWord}).size(), 80u);
    EXPECT_EQ(Refusal({std::wstring(L"g\te\x1b" L"t")}), L"unknown command \"g?e?t\"");
}

// When this test program was loaded, on the tick count.
const ULONGLONG kLoadedAt = GetTickCount64();

TEST(CtlClock, TheProgramsClockCountsFromTheProcesssStartNotFromWhenItIsMade)
{
    // So that the process has run for a while before the clock is made.
    Sleep(100);
    const ULONGLONG sinceLoad = GetTickCount64() - kLoadedAt;
    ProgramClock clock;
    // The tick count moves in steps of up to 16 ms.
    EXPECT_GE(clock.Milliseconds() + 16, sinceLoad);
}

TEST(CtlText, ResultCodesAndNumbersAreWrittenAsScriptsReadThem)
{
    EXPECT_EQ(ResultCode(E_FAIL), L"0x80004005");
    EXPECT_EQ(ResultCode(E_UNEXPECTED), L"0x8000FFFF");
    EXPECT_EQ(ResultCode(S_OK), L"0x00000000");
    EXPECT_EQ(Decimal(0), L"0");
    EXPECT_EQ(Decimal(255), L"255");
    EXPECT_EQ(Decimal(4294967295UL), L"4294967295");
}

TEST(CtlText, PartsAreJoinedWholeWhateverTheirKind)
{
    // A text's own length counts (a NUL in it stays), the others end at their NUL; ASCII bytes
    // are characters as they are, in every code page.
    const std::wstring held(L"a\0b", 3);
    const std::wstring joined = Concat({held, "\x7f~ c:\\", L"\u00fc\u4e00", std::wstring(), "", L"z"});
    EXPECT_EQ(joined, std::wstring(L"a\0b\x7f~ c:\\\u00fc\u4e00z", 12));
    EXPECT_EQ(Concat({}), L"");
    EXPECT_EQ(Ascii("tessmorctl: \"x\""), L"tessmorctl: \"x\"");
}

TEST(CtlText, LinesLeaveInTheConsolesCodePageWithWindowsLineEnds)
{
    // "Tuner für Kabel": u-umlaut is 0x81 in the OEM code page 850 and 0xFC in 1252.
    const std::wstring name = L"Tuner f\u00fcr Kabel";
    EXPECT_EQ(StandardStreams::Encode(name, 850), "Tuner f\x81r Kabel\r\n");
    EXPECT_EQ(StandardStreams::Encode(name, 1252), "Tuner f\xfcr Kabel\r\n");
    EXPECT_EQ(StandardStreams::Encode(name, CP_UTF8), "Tuner f\xc3\xbcr Kabel\r\n");
    // A character the code page lacks is replaced, not dropped with the rest of the line.
    const std::string replaced = StandardStreams::Encode(L"\u4e00 Tuner", 850);
    EXPECT_EQ(replaced.substr(1), " Tuner\r\n");
    EXPECT_EQ(StandardStreams::Encode(L"", 850), "\r\n");
    // A code page the system does not have still ends the line.
    EXPECT_EQ(StandardStreams::Encode(name, 54321), "\r\n");

    // Through the real handles: what reaches a pipe is the encoded line.
    HANDLE read = nullptr, write = nullptr;
    ASSERT_TRUE(CreatePipe(&read, &write, nullptr, 0));
    StandardStreams streams(write, write, 850);
    streams.Out(name);
    streams.Err(L"x");
    CloseHandle(write);
    char bytes[64] = {};
    DWORD got = 0;
    ASSERT_TRUE(ReadFile(read, bytes, sizeof bytes, &got, nullptr));
    CloseHandle(read);
    EXPECT_EQ(std::string(bytes, got), "Tuner f\x81r Kabel\r\nx\r\n");
}

}  // namespace
