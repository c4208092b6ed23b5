// tessmorctl run in-process as a logon or scheduled task runs it: waiting for a card that is
// still arriving, writing only what changes, waiting for the card to take new modes, --json,
// --quiet and --log. The pauses are recorded, not slept; the run's time is what they add up to.
#include <gmock/gmock.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "cli/console/console_services.h"
#include "cli/console/json_text.h"
#include "cli/console/run_log.h"
#include "cli/console/stop_logging.h"
#include "cli_run_fixture.h"
#include "console_program.h"
#include "platform/identities.h"

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::MatchesRegex;

namespace {

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

const wchar_t kInUse[] =
    L"tessmorctl: \"VKO 8317 Tuner 0\" is listed but cannot be opened: another program may be using the card, "
    L"or its driver is not started: close TV programs and try again";

class CtlUnattendedTest : public CtlTest {
protected:
    // How often the run listed the category's devices.
    int Listings(const GUID& category) const
    {
        int listings = 0;
        for (const auto& enumeration : card.devices->enumerations)
            listings += enumeration.category == category;
        return listings;
    }
    // The card reports the modes last written once the run has paused this long; until then
    // each pause puts the old ones back.
    void SwitchAfter(ULONGLONG milliseconds, std::vector<BYTE> oldModes)
    {
        services.onSleep = [this, milliseconds, oldModes](DWORD) {
            const std::vector<BYTE> reported = clock.Milliseconds() < milliseconds ? oldModes : Writes().back();
            std::copy(reported.begin(), reported.end(), card.channel->modes);
        };
    }
};

TEST_F(CtlUnattendedTest, TimeoutSearchesForTheTunerAboutOnceASecondUntilTheTimeIsUpAndNotSooner)
{
    card.tunerPresent = false;
    EXPECT_EQ(Run({L"get", L"--timeout", L"2", L"--verbose"}), 2);
    EXPECT_THAT(RunSleeps(), ElementsAre(1000u, 1000u));
    EXPECT_EQ(Listings(KSCATEGORY_BDA_NETWORK_TUNER), 3);
    EXPECT_THAT(streams.err, ElementsAre(L"tessmorctl: looking for the tuner \"VKO 8317 Tuner 0\"",
                                         L"tessmorctl: looking for the tuner \"VKO 8317 Tuner 0\" again (1.0 s after the start)",
                                         L"tessmorctl: looking for the tuner \"VKO 8317 Tuner 0\" again (2.0 s after the start)",
                                         kNoTuner, kNoCardAdvice));

    // The time is counted from the program's start: what its start-up took is not waited again,
    // and the last pause ends with the time.
    card.devices->enumerations.clear();
    clock.before = 300;
    EXPECT_EQ(Run({L"set", L"4", L"7", L"--timeout=2"}), 2);
    EXPECT_THAT(RunSleeps(), ElementsAre(1000u, 700u));
    EXPECT_EQ(Run({L"set", L"4", L"7", L"/timeout:0"}), 2);
    EXPECT_THAT(RunSleeps(), IsEmpty());
    EXPECT_EQ(Listings(KSCATEGORY_BDA_NETWORK_TUNER), 3 + 1);
}

TEST_F(CtlUnattendedTest, ATunerThatArrivesWhileWaitedForIsUsedAtOnce)
{
    card.tunerPresent = false;
    services.onSleep = [this](DWORD) {
        if (services.sleeps.size() == 3)
            card.AddTunerDevice();
    };
    card.channel->modes[0] = 5;
    EXPECT_EQ(Run({L"get", L"--timeout", L"30"}), 0);
    EXPECT_THAT(RunSleeps(), ElementsAre(1000u, 1000u, 1000u));
    EXPECT_THAT(streams.out, ElementsAre(L"Tuner 0: ISDB-T", L"Tuner 1: DVB-S/S2"));
    EXPECT_THAT(streams.err, IsEmpty());
}

TEST_F(CtlUnattendedTest, ATunerThatIsListedButCannotBeOpenedSaysWhatToDo)
{
    card.tunerPresent = false;
    SimDevice busy{L"VKO 8317 Tuner 0"};
    busy.bindResult = E_ACCESSDENIED;
    card.devices->Add(KSCATEGORY_BDA_NETWORK_TUNER, busy);
    for (const std::vector<std::wstring>& command :
         {std::vector<std::wstring>{L"get"}, {L"set", L"1", L"2", L"--timeout", L"1"}}) {
        EXPECT_EQ(Run(command), 2);
        EXPECT_THAT(streams.err, ElementsAre(kNoTuner, kInUse));
    }
    EXPECT_EQ(Run({L"devices"}), 2);
    EXPECT_THAT(streams.err, ElementsAre(L"tessmorctl: No VKO DVBS device!", kInUse));

    // Card 2's tuner, listed only after the first look and busy then, is not stood in for by
    // card 1's, which opens; and what the first look found is not said at the end.
    card.devices->Clear(KSCATEGORY_BDA_NETWORK_TUNER);
    card.AddTunerDevice();
    busy.devicePath = L"\\\\?\\pci#ven_1131&dev_7160&subsys_83171131&rev_03#4&3a5e91d2&0&00e6#{0}\\{0}";
    services.onSleep = [this, busy](DWORD) {
        if (clock.Milliseconds() == 1000)
            card.devices->Add(KSCATEGORY_BDA_NETWORK_TUNER, busy);
    };
    EXPECT_EQ(Run({L"get", L"--card", L"2", L"--timeout", L"2"}), 2);
    EXPECT_THAT(streams.err, ElementsAre(kNoTuner, kInUse));
    EXPECT_THAT(card.channel->calls, IsEmpty());
}

TEST_F(CtlUnattendedTest, AReceiverStillMissingAfterTheBuildsIsLookedForUntilTheTimeIsUp)
{
    card.capturePresent = false;
    // A receiver that opens only once: the look that finds it must let it go before the build.
    card.captureOpensOnce = true;
    services.onSleep = [this](DWORD) {
        if (clock.Milliseconds() == 11000)
            card.AddCaptureDevice();
    };
    EXPECT_EQ(Run({L"get", L"--timeout", L"20", L"-v"}), 0);
    // The graph's own retry in each of the three builds, then one look a second until it is
    // there, and one more build that finds it at once.
    EXPECT_THAT(RunSleeps(), ElementsAre(3000u, 3000u, 3000u, 1000u, 1000u));
    EXPECT_THAT(streams.err, Contains(L"tessmorctl: looking for the receiver \"VKO 8317 Capture 0\" again (10.0 s after the start)"));
    EXPECT_THAT(streams.out, ElementsAre(L"Tuner 0: DVB-T/T2", L"Tuner 1: DVB-S/S2"));

    card.devices->Clear(KSCATEGORY_BDA_RECEIVER_COMPONENT);
    services.onSleep = nullptr;
    EXPECT_EQ(Run({L"set", L"4", L"7", L"--timeout", L"12"}), 2);
    EXPECT_THAT(RunSleeps(), ElementsAre(3000u, 3000u, 3000u, 1000u, 1000u, 1000u));
    EXPECT_THAT(Writes(), IsEmpty());
}

TEST_F(CtlUnattendedTest, AReceiverMissedByAnEarlierBuildHasTheWholeFallbackTriedAgain)
{
    // The receiver arrives during the DVB-T build's retry, so the DVB-S build never tested the
    // property; the driver answers only under the standard named.
    const struct {
        const wchar_t* timeout;
        bool answersUnderDvbS;
        int status;
        std::vector<DWORD> sleeps;
        const wchar_t* error;
    } cases[] = {
        {L"60", true, 0, {3000, 3000, 1000}, nullptr},
        {L"60", false, 3, {3000, 3000, 1000}, kUnsupported},
        {L"0", true, 2, {3000, 3000},
         L"tessmorctl: the card's receiver device \"VKO 8317 Capture 0\" came too late for every standard to be tried"},
    };
    Install();
    for (const auto& row : cases) {
        card.devices->Clear(KSCATEGORY_BDA_RECEIVER_COMPONENT);
        card.channel->querySupportedSequence = {E_PROP_ID_UNSUPPORTED, E_PROP_ID_UNSUPPORTED};
        card.channel->querySupportedResult = row.answersUnderDvbS ? S_OK : E_PROP_ID_UNSUPPORTED;
        const size_t before = services.sleeps.size();
        services.onSleep = [this, before](DWORD) {
            if (services.sleeps.size() == before + 2)
                card.AddCaptureDevice();
        };
        EXPECT_EQ(Run({L"get", L"--timeout", row.timeout, L"-v"}), row.status) << row.timeout;
        EXPECT_EQ(RunSleeps(), row.sleeps) << row.status;
        EXPECT_THAT(streams.err, Contains(L"tessmorctl: DVB-S graph not completed: the receiver is not there"));
        if (row.error)
            EXPECT_THAT(streams.err, Contains(row.error));
        else
            EXPECT_THAT(streams.out, ElementsAre(L"Tuner 0: DVB-T/T2", L"Tuner 1: DVB-S/S2"));
    }
}

TEST_F(CtlUnattendedTest, DevicesWaitsAsTheOtherCommandsDoSoThatTheyAgree)
{
    // A receiver that arrives during the graph's first retry is found by get and by devices.
    card.capturePresent = false;
    services.onSleep = [this](DWORD) {
        if (clock.Milliseconds() == 3000)
            card.AddCaptureDevice();
    };
    EXPECT_EQ(Run({L"get"}), 0);
    card.devices->Clear(KSCATEGORY_BDA_RECEIVER_COMPONENT);
    card.devices->Add(KSCATEGORY_BDA_RECEIVER_COMPONENT, SimDevice{L"Other Capture"});
    EXPECT_EQ(Run({L"devices"}), 0);
    EXPECT_THAT(RunSleeps(), ElementsAre(3000u));
    EXPECT_THAT(streams.out, Contains(L"  VKO 8317 Capture 0: used"));
    // What was listed before the pause is listed once, as it is after it.
    EXPECT_EQ(std::count(streams.out.begin(), streams.out.end(), L"  Other Capture: not used: its name is another"), 1);

    // One that never arrives: the builds' three retries, then --timeout's looks.
    // With --verbose, each look is told before what it finds.
    card.devices->Clear(KSCATEGORY_BDA_RECEIVER_COMPONENT);
    SimDevice unreadable{L""};
    unreadable.readResult = E_FAIL;
    card.devices->Add(KSCATEGORY_BDA_RECEIVER_COMPONENT, unreadable);
    services.onSleep = nullptr;
    EXPECT_EQ(Run({L"devices", L"--timeout", L"11", L"--verbose"}), 2);
    EXPECT_THAT(RunSleeps(), ElementsAre(3000u, 3000u, 3000u, 1000u, 1000u));
    EXPECT_THAT(streams.out, Contains(L"  (no name): not used: its name cannot be read"));
    EXPECT_THAT(streams.err, Contains(L"tessmorctl: the receiver is not there yet; looking again in 3000 ms, as the graph does"));
    const auto told = std::find(streams.err.begin(), streams.err.end(),
                                L"tessmorctl: listing the receiver devices again (11.0 s after the start)");
    ASSERT_LT(told + 1, streams.err.end());
    EXPECT_EQ(told[1], L"tessmorctl: debug: FindFilter(): IPropertyBag->Read method failed");
    card.devices->Clear(KSCATEGORY_BDA_RECEIVER_COMPONENT);

    // A tuner that arrives is waited for with --timeout too; without it devices does not wait.
    card.devices->Clear(KSCATEGORY_BDA_NETWORK_TUNER);
    card.AddCaptureDevice();
    EXPECT_EQ(Run({L"devices"}), 2);
    EXPECT_THAT(RunSleeps(), IsEmpty());
    services.onSleep = [this](DWORD) {
        if (clock.Milliseconds() == 2000)
            card.AddTunerDevice();
    };
    EXPECT_EQ(Run({L"devices", L"--timeout", L"5", L"--verbose"}), 0);
    EXPECT_THAT(RunSleeps(), ElementsAre(1000u, 1000u));
    EXPECT_THAT(streams.err, Contains(L"tessmorctl: listing the tuner devices again (2.0 s after the start)"));
}

TEST_F(CtlUnattendedTest, SetWritesNothingWhenBothTunersAreAlreadyInTheAskedModes)
{
    card.channel->modes[0] = 4;
    card.channel->modes[1] = 7;
    const std::vector<std::vector<std::wstring>> alreadySet = {
        {L"set", L"4", L"7"}, {L"set", L"DVB-C", L"dvb-c2", L"--wait"}, {L"set", L"keep", L"7"},
        {L"set", L"keep", L"keep", L"--dry-run"}};
    for (const auto& command : alreadySet) {
        EXPECT_EQ(Run(command), 0);
        EXPECT_THAT(streams.out, ElementsAre(L"The modes are already set (Tuner 0: DVB-C, Tuner 1: DVBC2); nothing was written."));
        EXPECT_THAT(streams.err, IsEmpty());
    }
    EXPECT_THAT(Writes(), IsEmpty());
    EXPECT_THAT(services.sleeps, IsEmpty());

    // --force writes regardless, without reading first when nothing is kept.
    card.channel->calls.clear();
    EXPECT_EQ(Run({L"set", L"4", L"7", L"--force"}), 0);
    EXPECT_THAT(Calls(), ElementsAre(Call::QuerySupported, Call::Set));
    EXPECT_EQ(Run({L"set", L"keep", L"7", L"--force"}), 0);
    EXPECT_THAT(Writes(), ElementsAre(ElementsAre(4, 7), ElementsAre(4, 7)));
}

TEST_F(CtlUnattendedTest, DryRunWorksOutKeepAndSaysWhatWouldBeWritten)
{
    card.channel->modes[0] = 5;
    card.channel->modes[1] = 2;
    EXPECT_EQ(Run({L"set", L"keep", L"DVB-T", L"--dry-run", L"--wait"}), 0);
    EXPECT_THAT(streams.out, ElementsAre(L"Would write Tuner 0: ISDB-T, Tuner 1: DVB-T/T2; nothing was written (--dry-run)."));
    EXPECT_EQ(Run({L"set", L"keep", L"DVB-T", L"--dry-run", L"--json"}), 0);
    EXPECT_THAT(streams.out, ElementsAre(L"{\"tuners\":[{\"tuner\":0,\"code\":5,\"name\":\"ISDB-T\"},"
                                         L"{\"tuner\":1,\"code\":1,\"name\":\"DVB-T/T2\"}],\"written\":false}"));
    EXPECT_THAT(Writes(), IsEmpty());
    EXPECT_THAT(services.sleeps, IsEmpty());

    // A tuner that cannot be kept is refused as in a real set.
    card.channel->modes[0] = 3;
    EXPECT_EQ(Run({L"set", L"keep", L"1", L"--dry-run"}), 1);
    EXPECT_THAT(streams.out, IsEmpty());
}

TEST_F(CtlUnattendedTest, AFirstReadThatFailsWritesAsAskedUnlessKeepNeedsIt)
{
    card.channel->getResult = E_FAIL;
    EXPECT_EQ(Run({L"set", L"4", L"7", L"--verbose"}), 0);
    EXPECT_THAT(Writes(), ElementsAre(ElementsAre(4, 7)));
    EXPECT_THAT(streams.err, Contains(L"tessmorctl: reading the current modes failed (0x80004005): whether they are "
                                      L"already set cannot be told, so they are written as asked"));
    EXPECT_EQ(Run({L"set", L"4", L"7"}), 0);
    EXPECT_THAT(streams.err, IsEmpty());
    EXPECT_EQ(Run({L"set", L"4", L"7", L"--dry-run"}), 0);
    EXPECT_THAT(streams.out, ElementsAre(L"Would write Tuner 0: DVB-C, Tuner 1: DVBC2; nothing was written (--dry-run)."));
    EXPECT_EQ(Run({L"set", L"4", L"keep"}), 4);
    EXPECT_THAT(Writes(), ElementsAre(ElementsAre(4, 7), ElementsAre(4, 7)));
}

TEST_F(CtlUnattendedTest, WaitReadsAgainAboutOnceASecondUntilTheCardReportsTheNewModes)
{
    // The card reports the new modes 10 s after the write.
    SwitchAfter(10000, {1, 2});
    EXPECT_EQ(Run({L"set", L"4", L"7", L"--wait", L"--timeout", L"5", L"-v"}), 0);
    EXPECT_THAT(RunSleeps(), ElementsAre(8000u, 1000u, 1000u));
    EXPECT_THAT(streams.out, ElementsAre(L"Wrote Tuner 0: DVB-C, Tuner 1: DVBC2.",
                                         L"The card takes about 8 seconds to switch to the new modes.",
                                         L"Tuner 0: DVB-C", L"Tuner 1: DVBC2"));
    EXPECT_THAT(streams.err, Contains(L"tessmorctl: the card does not report the new modes yet; reading them again (9.0 s after the start)"));

    // Without --timeout the first read-back decides; with too little, the last one does.
    for (const std::vector<std::wstring>& tooShort :
         {std::vector<std::wstring>{L"set", L"4", L"7", L"--wait"}, {L"set", L"4", L"7", L"--wait", L"--timeout", L"1"}}) {
        card.channel->modes[0] = 1;
        card.channel->modes[1] = 2;
        EXPECT_EQ(Run(tooShort), 5);
        EXPECT_THAT(streams.out, ElementsAre(L"Wrote Tuner 0: DVB-C, Tuner 1: DVBC2.",
                                             L"The card takes about 8 seconds to switch to the new modes.",
                                             L"Tuner 0: DVB-T/T2", L"Tuner 1: DVB-S/S2"));
    }
    EXPECT_THAT(RunSleeps(), ElementsAre(8000u, 1000u));
}

TEST_F(CtlUnattendedTest, ACardThatTakesTheNewModeOnOneTunerOnlyIsStatus5)
{
    for (int tuner = 0; tuner < 2; ++tuner) {
        card.channel->modes[0] = 1;
        card.channel->modes[1] = 2;
        // Each pause puts the other tuner's old mode back.
        services.onSleep = [this, tuner](DWORD) { card.channel->modes[1 - tuner] = BYTE(tuner == 0 ? 2 : 1); };
        EXPECT_EQ(Run({L"set", L"4", L"7", L"--wait", L"--timeout", L"2"}), 5) << tuner;
        EXPECT_THAT(RunSleeps(), ElementsAre(8000u, 1000u, 1000u));
        EXPECT_THAT(streams.err, Contains(L"tessmorctl: the card reports other modes than were written"));
    }
}

TEST_F(CtlUnattendedTest, JsonGivesEachCommandsResultAsOneObject)
{
    card.channel->modes[0] = 4;
    card.channel->modes[1] = 0;
    EXPECT_EQ(Run({L"get", L"--json"}), 0);
    EXPECT_THAT(streams.out, ElementsAre(L"{\"tuners\":[{\"tuner\":0,\"code\":4,\"name\":\"DVB-C\"},"
                                         L"{\"tuner\":1,\"code\":0,\"name\":\"NO Set\"}]}"));

    card.channel->modes[1] = 7;
    EXPECT_EQ(Run({L"set", L"4", L"keep", L"--json"}), 0);
    EXPECT_THAT(streams.out, ElementsAre(L"{\"tuners\":[{\"tuner\":0,\"code\":4,\"name\":\"DVB-C\"},"
                                         L"{\"tuner\":1,\"code\":7,\"name\":\"DVBC2\"}],\"written\":false}"));
    EXPECT_EQ(Run({L"set", L"2", L"1", L"--json", L"--wait"}), 0);
    EXPECT_THAT(streams.out, ElementsAre(L"{\"tuners\":[{\"tuner\":0,\"code\":2,\"name\":\"DVB-S/S2\"},"
                                         L"{\"tuner\":1,\"code\":1,\"name\":\"DVB-T/T2\"}],\"written\":true,"
                                         L"\"readBack\":[{\"tuner\":0,\"code\":2,\"name\":\"DVB-S/S2\"},"
                                         L"{\"tuner\":1,\"code\":1,\"name\":\"DVB-T/T2\"}]}"));

    // A read-back that fails after the write still tells the write, and what was last read back.
    DWORD failAfter = 0;  // the reads after this pause fail
    services.onSleep = [this, &failAfter](DWORD pause) {
        card.channel->modes[0] = 1;
        if (pause == failAfter)
            card.channel->getResult = E_FAIL;
    };
    for (const wchar_t* timeout : {L"0", L"5"}) {
        failAfter = timeout[0] == L'0' ? 8000 : 1000;
        card.channel->getResult = S_OK;
        card.channel->modes[0] = 4;
        EXPECT_EQ(Run({L"set", L"2", L"1", L"--json", L"--wait", L"--timeout", timeout}), 4);
        EXPECT_THAT(streams.out, ElementsAre(std::wstring(L"{\"tuners\":[{\"tuner\":0,\"code\":2,\"name\":\"DVB-S/S2\"},"
                                                          L"{\"tuner\":1,\"code\":1,\"name\":\"DVB-T/T2\"}],\"written\":true,\"readBack\":") +
                                             (timeout[0] == L'0' ? L"null" : L"[{\"tuner\":0,\"code\":1,\"name\":\"DVB-T/T2\"},"
                                                                             L"{\"tuner\":1,\"code\":1,\"name\":\"DVB-T/T2\"}]") +
                                             L",\"readBackFailed\":true}"));
        EXPECT_THAT(streams.err, ElementsAre(L"tessmorctl: reading the modes back failed (0x80004005)"));
    }
    services.onSleep = nullptr;
    card.channel->getResult = S_OK;

    // Names that are not plain text survive any code page.
    SimDevice odd{L"Tuner \"f\u00fcr\" C:\\"};
    card.devices->Add(KSCATEGORY_BDA_NETWORK_TUNER, odd);
    SimDevice unnamed{L""};
    unnamed.readResult = E_FAIL;
    card.devices->Add(KSCATEGORY_BDA_NETWORK_TUNER, unnamed);
    // A card without a receiver of its own, and a receiver of a card whose tuner is not listed.
    card.devices->Add(KSCATEGORY_BDA_NETWORK_TUNER, SimDevice{L"VKO 8317 Tuner 0 (second card)"});
    SimDevice spare{L"VKO 8317 Capture 0"};
    spare.devicePath = L"\\\\?\\pci#ven_1131&dev_7160&subsys_83171131&rev_03#4&19d4e7a0&0&00e4#{fd0a5af4-b41d-11d2-9c95-00c04f7971e0}\\{0}";
    card.devices->Add(KSCATEGORY_BDA_RECEIVER_COMPONENT, spare);
    EXPECT_EQ(Run({L"devices", L"--json"}), 0);
    // Each device's path, null where it has none; a backslash in it is written as two.
    const std::wstring tunerPath = L"\"\\\\\\\\?\\\\pci#ven_1131&dev_7160&subsys_83171131&rev_03#4&2b1c8c1f&0&00e5#{71985f48-1ca1-11d3-9cc8-00c04f7971e0}\\\\{8b884e32-f8fe-4d0c-8c16-9a3a1f2c3e01}\"";
    const std::wstring receiverPath = L"\"\\\\\\\\?\\\\pci#ven_1131&dev_7160&subsys_83171131&rev_03#4&2b1c8c1f&0&00e5#{fd0a5af4-b41d-11d2-9c95-00c04f7971e0}\\\\{8b884e32-f8fe-4d0c-8c16-9a3a1f2c3e02}\"";
    const std::wstring sparePath = L"\"\\\\\\\\?\\\\pci#ven_1131&dev_7160&subsys_83171131&rev_03#4&19d4e7a0&0&00e4#{fd0a5af4-b41d-11d2-9c95-00c04f7971e0}\\\\{0}\"";
    EXPECT_THAT(streams.out, ElementsAre(L"{\"tunerDevices\":[{\"name\":\"VKO 8317 Tuner 0\",\"used\":true,\"verdict\":\"used\",\"path\":" +
                                         tunerPath + L"},"
                                         L"{\"name\":\"Tuner \\\"f\\u00fcr\\\" C:\\\\\",\"used\":false,\"verdict\":\"not used: an earlier device is used\",\"path\":null},"
                                         L"{\"name\":null,\"used\":false,\"verdict\":\"not used: an earlier device is used\",\"path\":null},"
                                         L"{\"name\":\"VKO 8317 Tuner 0 (second card)\",\"used\":false,\"verdict\":\"not used: an earlier device is used\",\"path\":null}],"
                                         L"\"receiverDevices\":[{\"name\":\"VKO 8317 Capture 0\",\"used\":true,\"verdict\":\"used\",\"path\":" +
                                         receiverPath + L"},"
                                         L"{\"name\":\"VKO 8317 Capture 0\",\"used\":false,\"verdict\":\"not used: an earlier device is used\",\"path\":" +
                                         sparePath + L"}],"
                                         L"\"cards\":[{\"card\":1,\"used\":true,\"tuner\":{\"name\":\"VKO 8317 Tuner 0\",\"path\":" +
                                         tunerPath + L"},\"receiver\":{\"name\":\"VKO 8317 Capture 0\",\"path\":" +
                                         receiverPath + L"}},"
                                         L"{\"card\":2,\"used\":false,\"tuner\":{\"name\":\"VKO 8317 Tuner 0 (second card)\",\"path\":null},\"receiver\":null}],"
                                         L"\"receiversOfNoCard\":[{\"name\":\"VKO 8317 Capture 0\",\"path\":" + sparePath + L"}]}"));
    EXPECT_EQ(JsonString(L"\x01\t\x7f"), L"\"\\u0001\\u0009\\u007f\"");

    // Errors stay lines on standard error.
    card.channel->getResult = E_FAIL;
    EXPECT_EQ(Run({L"get", L"--json"}), 4);
    EXPECT_THAT(streams.out, IsEmpty());
    EXPECT_THAT(streams.err, ElementsAre(L"tessmorctl: reading the modes failed (0x80004005)"));
}

TEST_F(CtlUnattendedTest, QuietLeavesOnlyJsonOnStandardOutputAndErrorsOnStandardError)
{
    for (const std::vector<std::wstring>& command :
         {std::vector<std::wstring>{L"get", L"-q"}, {L"--quiet", L"set", L"4", L"7", L"--wait"}, {L"list", L"-q"},
          {L"devices", L"/quiet"}}) {
        EXPECT_EQ(Run(command), 0);
        EXPECT_THAT(streams.out, IsEmpty());
        EXPECT_THAT(streams.err, IsEmpty());
    }
    EXPECT_EQ(Run({L"get", L"-q", L"--json"}), 0);
    EXPECT_EQ(streams.out.size(), 1u);
    card.channel->setResult = E_FAIL;
    EXPECT_EQ(Run({L"set", L"1", L"2", L"-q"}), 4);
    EXPECT_THAT(streams.err, ElementsAre(L"tessmorctl: writing the modes failed: the driver refused them"));
}

// A log file of the test's own in the prefix's temporary folder, gone before and after.
class CtlLogTest : public CtlTest {
protected:
    CtlLogTest()
    {
        wchar_t folder[MAX_PATH] = {};
        (void)GetTempPathW(MAX_PATH, folder);
        path = std::wstring(folder) + L"tessmorctl test log.txt";
        (void)DeleteFileW(path.c_str());
    }
    ~CtlLogTest() override { (void)DeleteFileW(path.c_str()); }

    std::string Contents() const
    {
        std::ifstream file(std::string(path.begin(), path.end()), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }

    std::wstring path;
};

TEST_F(CtlLogTest, EachLineIsStampedWithTheTimeAndProcessBetweenTheCommandLineAndTheStatus)
{
    card.channel->modes[0] = 4;
    card.channel->modes[1] = 7;
    EXPECT_EQ(RunChecked([&] { return RunTessmorCtl({L"get", L"--log", path}, streams, clock, L"tessmorctl.exe get --log x"); }), 0);
    EXPECT_THAT(streams.out, ElementsAre(L"Tuner 0: DVB-C", L"Tuner 1: DVBC2"));  // printed as well
    card.tunerPresent = false;
    card.devices->Clear(KSCATEGORY_BDA_NETWORK_TUNER);
    EXPECT_EQ(Run({L"set", L"\u00fc", L"1", L"/log:" + path}), 1);
    EXPECT_THAT(streams.err, Contains(L"tessmorctl: unknown mode \"\u00fc\" for tuner 0; \"tessmorctl list\" shows the "
                                      L"modes"));  // printed as well

    // One byte-order mark, from the run that made the file.
    const std::string contents = Contents();
    ASSERT_EQ(contents.compare(0, 3, "\xEF\xBB\xBF"), 0);
    EXPECT_EQ(contents.find("\xEF\xBB\xBF", 3), std::string::npos);
    const std::string stamp = "\\d\\d\\d\\d-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d \\[" +
                              std::to_string(GetCurrentProcessId()) + "\\] ";
    std::vector<std::string> texts;
    for (const std::string& line : ConsoleRun::Lines(contents.substr(3))) {
        EXPECT_THAT(line, MatchesRegex(stamp + ".*"));
        texts.push_back(line.substr(std::min(line.find("] "), line.size() - 2) + 2));
    }
    EXPECT_THAT(texts, ElementsAre("tessmorctl.exe get --log x", "Tuner 0: DVB-C", "Tuner 1: DVBC2", "exit 0",
                                   "tessmorctl",
                                   // The refusal is logged too, in UTF-8 whatever the console's code page.
                                   "tessmorctl: unknown mode \"\xc3\xbc\" for tuner 0; \"tessmorctl list\" shows the modes",
                                   Narrow(kUsage), "\"tessmorctl --help\" tells more.", "exit 1"));
    // Nothing holds the log open after a run.
    EXPECT_TRUE(DeleteFileW(path.c_str())) << GetLastError();
}

TEST_F(CtlLogTest, TheLogHoldsEachLineWhileTheRunGoesOnAndAStoppedRunEndsWithTheReason)
{
    // At the wait for the card to switch, the write is in the log already; the console is then
    // closed under the run.
    std::string duringTheWait;
    services.onSleep = [&](DWORD pause) {
        if (pause != 8000)
            return;
        duringTheWait = Contents();
        // The run installed the handler: only a handler that is installed can be taken out.
        EXPECT_TRUE(SetConsoleCtrlHandler(StopLogging::OnControl, FALSE)) << "the run installed no handler";
        (void)SetConsoleCtrlHandler(StopLogging::OnControl, TRUE);
        EXPECT_FALSE(StopLogging::OnControl(CTRL_CLOSE_EVENT)) << "the system's own handler must end the run";
    };
    EXPECT_EQ(Run({L"set", L"4", L"7", L"--wait", L"--log", path}), 0);
    EXPECT_FALSE(SetConsoleCtrlHandler(StopLogging::OnControl, FALSE)) << "the run left its handler installed";
    EXPECT_THAT(duringTheWait, ::testing::HasSubstr("Wrote Tuner 0: DVB-C, Tuner 1: DVBC2.\r\n"));
    const std::vector<std::string> lines = ConsoleRun::Lines(Contents());
    ASSERT_FALSE(lines.empty());
    EXPECT_THAT(lines.back(), MatchesRegex(".* \\[\\d+\\] stopped \\(its console was closed\\)"));
    EXPECT_EQ(Contents().find("exit "), std::string::npos) << "nothing is written after stopped";

    const std::pair<DWORD, const wchar_t*> reasons[] = {
        {CTRL_C_EVENT, L"Ctrl+C"}, {CTRL_BREAK_EVENT, L"Ctrl+Break"}, {CTRL_CLOSE_EVENT, L"its console was closed"},
        {CTRL_LOGOFF_EVENT, L"logoff"}, {CTRL_SHUTDOWN_EVENT, L"shutdown"}, {7, nullptr},
    };
    for (const auto& reason : reasons)
        EXPECT_EQ(StopLogging::Reason(reason.first) ? std::wstring(StopLogging::Reason(reason.first)) : L"(none)",
                  reason.second ? reason.second : L"(none)");
}

TEST_F(CtlLogTest, AControlCharacterInTheCommandLineOrALineCannotMakeALineOfItsOwn)
{
    const std::wstring line = L"tessmorctl.exe get --log \"x\r\n2026-03-09 07:05:12.348 [1] exit 0\"";
    EXPECT_EQ(RunChecked([&] { return RunTessmorCtl({L"get", L"--log", path}, streams, clock, line); }), 0);
    const std::vector<std::string> lines = ConsoleRun::Lines(Contents().substr(3));
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_THAT(lines[0], MatchesRegex(".*\\] tessmorctl.exe get --log \"x\\?\\?2026-03-09 07:05:12.348 \\[1\\] exit 0\""));
    EXPECT_THAT(lines[3], MatchesRegex(".*\\] exit 0"));
}

TEST_F(CtlLogTest, ALogPastOneMebibyteIsRenamedAndBegunAnewReplacingTheOlderOne)
{
    const auto write = [](const std::wstring& file, size_t size) {
        std::ofstream out(std::string(file.begin(), file.end()), std::ios::binary | std::ios::trunc);
        out << std::string(size, 'x');
    };
    const std::wstring older = path + L".1";
    // 1 MiB, as the README says.
    for (const size_t size : {size_t(1048576), size_t(1048577)}) {
        write(path, size);
        write(older, 10);
        EXPECT_EQ(Run({L"list", L"--log", path}), 0);
        std::ifstream kept(std::string(older.begin(), older.end()), std::ios::binary | std::ios::ate);
        const bool rotated = size > 1048576;
        EXPECT_EQ(static_cast<size_t>(kept.tellg()), rotated ? size : 10u) << size;
        kept.close();
        const std::string now = Contents();
        EXPECT_EQ(now.compare(0, 3, rotated ? "\xEF\xBB\xBF" : "xxx"), 0) << size;
        EXPECT_NE(now.find("exit 0\r\n"), std::string::npos);
    }
    (void)DeleteFileW(older.c_str());
}

TEST_F(CtlLogTest, ARunThatRunsOutOfMemoryLeavesTheLogClosed)
{
    wchar_t program[] = L"tessmorctl.exe", get[] = L"get", log[] = L"--log";
    std::vector<wchar_t> file(path.begin(), path.end());
    file.push_back(L'\0');
    wchar_t* argv[] = {program, get, log, file.data(), nullptr};
    StreamsOutOfMemory exhausted;
    EXPECT_EQ(RunChecked([&] { return RunTessmorCtlMain(4, argv, exhausted); }), 4);
    EXPECT_TRUE(DeleteFileW(path.c_str())) << GetLastError();
}

TEST_F(CtlLogTest, ALogThatCannotBeOpenedOrIsALinkIsAUsageErrorBeforeTheCardIsTouched)
{
    // A second name for a file elsewhere (a hard link) would have the run write there.
    const std::wstring elsewhere = path + L" elsewhere";
    {
        std::ofstream(std::string(elsewhere.begin(), elsewhere.end()), std::ios::binary) << "another file\r\n";
    }
    const std::wstring linked = path + L" linked";
    (void)DeleteFileW(linked.c_str());  // left by a run that was stopped
    ASSERT_TRUE(CreateHardLinkW(linked.c_str(), elsewhere.c_str(), nullptr)) << GetLastError();
    wchar_t temp[MAX_PATH] = {};
    ASSERT_NE(GetTempPathW(MAX_PATH, temp), 0u);
    const std::pair<std::wstring, const wchar_t*> unusable[] = {
        {path + L"\\no such folder\\run.log",
         L" cannot be opened for appending (error 3): check that its folder exists and may be written to, and that it "
         L"names a file"},
        {std::wstring(L"Q:\\") + L"\x01", L" cannot be opened for appending (error "},
        {temp, L" is a folder: give the log the name of a file in it"},
        {linked, L" has 2 names (hard links): a log is written only to a file of one name"},
    };
    for (const auto& log : unusable) {
        EXPECT_EQ(Run({L"set", L"4", L"7", L"--log", log.first}), 1);
        EXPECT_THAT(streams.out, IsEmpty());
        ASSERT_EQ(streams.err.size(), 1u);
        EXPECT_THAT(streams.err[0], ::testing::StartsWith(L"tessmorctl: the log \""));
        EXPECT_THAT(streams.err[0], ::testing::HasSubstr(log.second));
    }
    std::ifstream kept(std::string(elsewhere.begin(), elsewhere.end()), std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), std::istreambuf_iterator<char>()), "another file\r\n");
    kept.close();
    (void)DeleteFileW(linked.c_str());
    (void)DeleteFileW(elsewhere.c_str());
    EXPECT_THAT(services.creations, IsEmpty());
    EXPECT_THAT(card.channel->calls, IsEmpty());
}

TEST(CtlRunLog, ALinesPrefixIsTheLocalTimeToTheMillisecondAndTheProcessId)
{
    SYSTEMTIME time = {};
    time.wYear = 2026;
    time.wMonth = 3;
    time.wDay = 9;
    time.wHour = 7;
    time.wMinute = 5;
    time.wSecond = 2;
    time.wMilliseconds = 48;
    EXPECT_EQ(RunLog::Prefix(time, 4120), L"2026-03-09 07:05:02.048 [4120] ");
}

DWORD WINAPI StopOnAnotherThread(void* log)
{
    static_cast<RunLog*>(log)->Stop(L"Ctrl+C");
    return 0;
}

// The stop comes on a thread of its own (the console's handler) after the run's own lines: it
// must get the log, and be its last line. A run that ends without its status line (an exception
// on the way out) still lets go of its log: no handle is left that would keep others from having
// it to themselves.
TEST(CtlRunLog, AStopFromAnotherThreadEndsTheLogAndALogLeftOpenIsClosedWithTheRun)
{
    wchar_t folder[MAX_PATH] = {};
    ASSERT_NE(GetTempPathW(MAX_PATH, folder), 0u);
    const std::wstring path = std::wstring(folder) + L"tessmorctl unclosed log.txt";
    (void)DeleteFileW(path.c_str());
    {
        RunLog log;
        std::wstring problem;
        ASSERT_TRUE(log.Open(path, L"tessmorctl.exe get", problem)) << Narrow(problem);
        log.Write(L"Tuner 0: DVB-C");
        const HANDLE handler = CreateThread(nullptr, 0, StopOnAnotherThread, &log, 0, nullptr);
        ASSERT_NE(handler, nullptr);
        EXPECT_EQ(WaitForSingleObject(handler, 10000), WAIT_OBJECT_0) << "the stop waits for a lock the run holds";
        CloseHandle(handler);
        log.Write(L"Tuner 1: DVBC2");
        std::ifstream written(std::string(path.begin(), path.end()), std::ios::binary);
        std::vector<std::string> texts;
        for (const std::string& line : ConsoleRun::Lines(std::string(std::istreambuf_iterator<char>(written), {})))
            texts.push_back(line.substr(std::min(line.find("] "), line.size() - 2) + 2));
        EXPECT_THAT(texts, ElementsAre("tessmorctl.exe get", "Tuner 0: DVB-C", "stopped (Ctrl+C)"));
    }
    {
        RunLog log;
        std::wstring problem;
        ASSERT_TRUE(log.Open(path, L"tessmorctl.exe get", problem)) << Narrow(problem);
    }
    const HANDLE alone = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(alone, INVALID_HANDLE_VALUE) << "still open: error " << GetLastError();
    if (alone != INVALID_HANDLE_VALUE)
        CloseHandle(alone);
    (void)DeleteFileW(path.c_str());
}

// The graph's debugger lines, echoed with --verbose, each on one line of its own.
TEST(CtlConsoleServices, ADebuggerLineIsEchoedAsOneLineWithoutTheBreaksItEndsWith)
{
    const struct {
        const char* text;
        const wchar_t* echoed;
    } lines[] = {
        {"FindFilter(): failed\r\n", L"tessmorctl: debug: FindFilter(): failed"},
        {"two\r\nlines\n\n", L"tessmorctl: debug: two  lines"},
        {" \r\n", L"tessmorctl: debug: "},
        {"", L"tessmorctl: debug: "},
    };
    for (const auto& line : lines) {
        SimServices inner;
        RecordedStreams streams;
        Reporter reporter(streams, true);
        ConsoleServices(inner, reporter).DebugOutput(line.text);
        EXPECT_THAT(streams.err, ElementsAre(line.echoed)) << line.text;
        EXPECT_THAT(inner.debugLines, ElementsAre(line.text)) << "passed on as it came";
    }
}

}  // namespace
