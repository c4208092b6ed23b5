// tessmorctl run in-process on the simulated card: each command's output and exit status, the
// graph's messages as lines on standard error, and never a message box.
#include <dshow.h>
#include <gmock/gmock.h>

#include <algorithm>
#include <cwctype>
#include <numeric>
#include <string>
#include <vector>

#include "cli/console/text.h"
#include "cli_run_fixture.h"
#include "platform/identities.h"

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::StartsWith;

const wchar_t kCardsHeading[] =
    L"Cards (numbered by their tuners' device paths; --card N or --device PATH takes one):";

namespace {

TEST_F(CtlTest, GetPrintsBothTunersWithoutAPauseAndWithNoSetForUnknownCodes)
{
    card.channel->modes[0] = 4;
    card.channel->modes[1] = 0;
    EXPECT_EQ(Run({}), 0);
    EXPECT_THAT(streams.out, ElementsAre(L"Tuner 0: DVB-C", L"Tuner 1: NO Set"));
    EXPECT_THAT(streams.err, IsEmpty());
    EXPECT_THAT(services.sleeps, IsEmpty());
    EXPECT_EQ(services.CreationsOf(CLSID_FilterGraph), 1);  // the DVB-S graph carried the property
    EXPECT_THAT(Calls(), ElementsAre(Call::QuerySupported, Call::Get));

    card.channel->modes[0] = 200;
    card.channel->modes[1] = 7;
    EXPECT_EQ(Run({L"get"}), 0);
    EXPECT_THAT(streams.out, ElementsAre(L"Tuner 0: NO Set", L"Tuner 1: DVBC2"));

    // One card, in the singular.
    EXPECT_EQ(Run({L"get", L"--card", L"2"}), 2);
    EXPECT_THAT(streams.err, ElementsAre(L"tessmorctl: card 2 is not there: the system lists 1 card (\"tessmorctl "
                                         L"devices\" shows them)"));
}

TEST_F(CtlTest, WithTwoCardsListedCrossedGetReadsTheFirstTunerThroughItsOwnReceiver)
{
    SimCard second;
    second.JoinCrossed(card, [this] { Install(); });
    card.channel->modes[0] = 4;
    card.channel->modes[1] = 7;
    second.channel->modes[0] = 5;
    EXPECT_EQ(Run({L"get"}), 0);
    EXPECT_THAT(streams.out, ElementsAre(L"Tuner 0: DVB-C", L"Tuner 1: DVBC2"));
    EXPECT_EQ(*card.receiverConnections, 1);
    EXPECT_EQ(*second.receiverConnections, 0) << "the first card's tuner went to the second card's receiver";
    EXPECT_TRUE(second.channel->calls.empty());

    // devices says what get used, and numbers the cards by their paths.
    EXPECT_EQ(Run({L"devices"}), 0);
    const auto at = std::find(streams.out.begin(), streams.out.end(), kCardsHeading);
    ASSERT_NE(at, streams.out.end());
    EXPECT_THAT(std::vector<std::wstring>(at - 2, streams.out.end()),
                ElementsAre(L"  VKO 8317 Capture 0: not used: it belongs to another card", L"  VKO 8317 Capture 0: used",
                            kCardsHeading, L"  Card 1: used", L"    tuner VKO 8317 Tuner 0: " + card.TunerPath(),
                            L"    receiver VKO 8317 Capture 0: " + card.ReceiverPath(), L"  Card 2: not used",
                            L"    tuner VKO 8317 Tuner 0: " + second.TunerPath(),
                            L"    receiver VKO 8317 Capture 0: " + second.ReceiverPath()));

    // Card 2, by number or by either form of its tuner's path, reaches only card 2.
    std::wstring upper = second.TunerPath();
    for (wchar_t& c : upper)
        c = towupper(c);
    for (const std::vector<std::wstring>& chosen :
         {std::vector<std::wstring>{L"--card", L"2"}, {L"--device", upper}, {L"--device=" + second.deviceInstance},
          {L"--device=\\\\?\\PCI#VEN_1131&DEV_7160&SUBSYS_83171131&REV_03#4&3A5E91D2&0&00E6"}}) {
        std::vector<std::wstring> arguments = {L"set", L"DVB-C", L"DVBC2"};
        arguments.insert(arguments.end(), chosen.begin(), chosen.end());
        second.channel->modes[0] = 1;
        EXPECT_EQ(Run(arguments), 0) << chosen[0];
        EXPECT_EQ(second.channel->modes[0], 4) << chosen[0];
    }
    EXPECT_EQ(card.channel->modes[0], 4);
    EXPECT_EQ(*card.receiverConnections, 1) << "card 1 was reached only by the first get";
    EXPECT_EQ(*second.receiverConnections, 4);
    EXPECT_EQ(Run({L"devices", L"--card", L"2", L"--json"}), 0);
    EXPECT_THAT(streams.out.at(0), ::testing::HasSubstr(L"{\"card\":2,\"used\":true,"));

    // A card that is not there: what was asked for and what there is.
    const std::pair<std::vector<std::wstring>, const wchar_t*> absent[] = {
        {{L"get", L"--card", L"3"}, L"card 3 is not there"},
        {{L"devices", L"--device", L"\\\\?\\pci#none"}, L"no card has the device \"\\\\?\\pci#none\""},
    };
    for (const auto& card : absent) {
        EXPECT_EQ(Run(card.first), 2);
        EXPECT_THAT(streams.err, ElementsAre(L"tessmorctl: " + std::wstring(card.second) +
                                             L": the system lists 2 cards (\"tessmorctl devices\" shows them)"));
    }

    // Without a receiver of its own, the tuner's card takes the first one listed, as with
    // devices that have no paths.
    card.devices->Clear(KSCATEGORY_BDA_RECEIVER_COMPONENT);
    second.AddCaptureDevice();
    EXPECT_EQ(Run({L"devices"}), 0);
    EXPECT_THAT(streams.out, Contains(L"  VKO 8317 Capture 0: used: the tuner's card has no receiver of its own"));
    EXPECT_EQ(Run({L"get"}), 0);
    EXPECT_EQ(*second.receiverConnections, 5);
}

TEST_F(CtlTest, CardsAreNumberedByTheirTunersPathsWhateverOrderTheSystemListsThemIn)
{
    // The second card's place sorts before the first one's, but the system lists it after.
    Install();
    SimCard second;
    second.Join(card, L"\\\\?\\pci#ven_1131&dev_7160&subsys_83171131&rev_03#4&19d4e7a0&0&00e4",
                L"PCI\\VEN_1131&DEV_7160&SUBSYS_83171131&REV_03\\4&19D4E7A0&0&00E4");
    second.AddTunerDevice();
    second.AddCaptureDevice();
    second.channel->modes[0] = 1;
    EXPECT_EQ(Run({L"set", L"DVB-C", L"DVBC2", L"--card", L"1"}), 0);
    EXPECT_EQ(second.channel->modes[0], 4);
    EXPECT_THAT(Writes(), IsEmpty()) << "card 1 is the one whose tuner's path sorts first";
    EXPECT_EQ(Run({L"devices"}), 0);
    const auto at = std::find(streams.out.begin(), streams.out.end(), kCardsHeading);
    ASSERT_GE(streams.out.end() - at, 5);
    EXPECT_THAT(std::vector<std::wstring>(at + 1, at + 5),
                ElementsAre(L"  Card 1: not used", L"    tuner VKO 8317 Tuner 0: " + second.TunerPath(),
                            L"    receiver VKO 8317 Capture 0: " + second.ReceiverPath(), L"  Card 2: used"));
}

TEST_F(CtlTest, DevicesDoesNotUseAnotherCardsReceiverWhileTheCardsOwnIsListedButBusy)
{
    // get and set wait for the card's own receiver rather than take another card's.
    card.captureOpensOnce = true;
    SimCard second;
    second.JoinCrossed(card, [this] { Install(); });
    const std::shared_ptr<void> busy = card.capture->Claim();  // another program has it open
    EXPECT_EQ(Run({L"devices"}), 2);
    const auto at = std::find(streams.out.begin(), streams.out.end(), kCardsHeading);
    ASSERT_GE(at - streams.out.begin(), 2);
    EXPECT_THAT(std::vector<std::wstring>(at - 2, at),
                ElementsAre(L"  VKO 8317 Capture 0: not used: it belongs to another card",
                            L"  VKO 8317 Capture 0: not used: it cannot be opened"));
}

TEST_F(CtlTest, SetWritesBothModesInOneSetAndSaysTheCardTakesEightSeconds)
{
    EXPECT_EQ(Run({L"SET", L"dvb-c", L"7"}), 0);
    EXPECT_THAT(Writes(), ElementsAre(ElementsAre(4, 7)));
    EXPECT_THAT(streams.out, ElementsAre(L"Wrote Tuner 0: DVB-C, Tuner 1: DVBC2.",
                                         L"The card takes about 8 seconds to switch to the new modes."));
    EXPECT_THAT(streams.err, IsEmpty());
    EXPECT_THAT(services.sleeps, IsEmpty());
    EXPECT_THAT(Calls(), ElementsAre(Call::QuerySupported, Call::Get, Call::Set));

    // The next run reads the pair back.
    EXPECT_EQ(Run({L"get"}), 0);
    EXPECT_THAT(streams.out, ElementsAre(L"Tuner 0: DVB-C", L"Tuner 1: DVBC2"));
}

TEST_F(CtlTest, KeepWritesATunersCurrentModeBackWithTheOther)
{
    card.channel->modes[0] = 5;
    card.channel->modes[1] = 2;
    EXPECT_EQ(Run({L"set", L"Keep", L"DVBC2"}), 0);
    EXPECT_THAT(Calls(), ElementsAre(Call::QuerySupported, Call::Get, Call::Set));
    EXPECT_THAT(Writes(), ElementsAre(ElementsAre(5, 7)));
    EXPECT_THAT(streams.out, Contains(L"Wrote Tuner 0: ISDB-T, Tuner 1: DVBC2."));

    EXPECT_EQ(Run({L"set", L"1", L"keep"}), 0);
    EXPECT_THAT(Writes().back(), ElementsAre(1, 7));
}

TEST_F(CtlTest, ATunerWhoseModeIsNotOneOfTheSevenOrIsAtscCannotBeKept)
{
    card.channel->modes[0] = 0;
    card.channel->modes[1] = 9;
    EXPECT_EQ(Run({L"set", L"keep", L"keep"}), 1);
    EXPECT_THAT(streams.err, ElementsAre(L"tessmorctl: tuner 0 cannot be kept: its current mode (code 0) is not one of the seven modes"));
    EXPECT_EQ(Run({L"set", L"2", L"keep"}), 1);
    EXPECT_THAT(streams.err, ElementsAre(L"tessmorctl: tuner 1 cannot be kept: its current mode (code 9) is not one of the seven modes"));
    card.channel->modes[1] = 3;
    EXPECT_EQ(Run({L"set", L"2", L"keep"}), 1);
    EXPECT_THAT(streams.err, ElementsAre(L"tessmorctl: tuner 1 cannot be kept: it is in ATSC, which the card does not support"));
    EXPECT_THAT(Writes(), IsEmpty());
    EXPECT_THAT(streams.out, IsEmpty());
}

TEST_F(CtlTest, RefusedChoicesAndUsageErrorsEndWithStatus1BeforeTheCardIsTouched)
{
    for (const std::vector<std::wstring>& refused :
         {std::vector<std::wstring>{L"set", L"ATSC", L"1"}, {L"set", L"2", L"3"}, {L"set", L"1"},
          {L"set", L"bogus", L"1"}, {L"frobnicate"}, {L"get", L"extra"}, {L""}, {L"--bogus"}}) {
        EXPECT_EQ(Run(refused), 1) << refused.back().size();
        EXPECT_THAT(streams.out, IsEmpty());
        ASSERT_EQ(streams.err.size(), 3u);
        EXPECT_THAT(streams.err[0], StartsWith(L"tessmorctl: "));
        EXPECT_EQ(streams.err[1], kUsage);
    }
    EXPECT_THAT(services.creations, IsEmpty());
    EXPECT_THAT(card.channel->calls, IsEmpty());
}

TEST_F(CtlTest, WithoutTheCardItSaysSoAtOnceAndEndsWithStatus2)
{
    card.tunerPresent = false;
    EXPECT_EQ(Run({L"get"}), 2);
    EXPECT_THAT(streams.err, ElementsAre(kNoTuner, kNoCardAdvice));
    EXPECT_THAT(streams.out, IsEmpty());
    EXPECT_THAT(services.sleeps, IsEmpty());
    EXPECT_EQ(services.CreationsOf(CLSID_FilterGraph), 0);

    EXPECT_EQ(Run({L"set", L"1", L"2"}), 2);
}

TEST_F(CtlTest, AReceiverThatNeverArrivesIsWaitedForOncePerStandardThenTheCardIsNotFound)
{
    card.capturePresent = false;
    EXPECT_EQ(Run({L"get"}), 2);
    EXPECT_THAT(services.sleeps, ElementsAre(3000u, 3000u, 3000u));
    EXPECT_THAT(streams.err, ElementsAre(L"tessmorctl: the card's receiver device \"VKO 8317 Capture 0\" is not found",
                                         kNoCardAdvice));
}

TEST_F(CtlTest, APropertyOnlyUnderCableIsFoundThroughTheThirdGraph)
{
    card.channel->modes[0] = 2;
    card.channel->modes[1] = 1;
    card.channel->querySupportedSequence = {E_FAIL, E_FAIL};
    EXPECT_EQ(Run({L"get", L"--verbose"}), 0);
    EXPECT_THAT(streams.out, ElementsAre(L"Tuner 0: DVB-S/S2", L"Tuner 1: DVB-T/T2"));
    EXPECT_EQ(services.CreationsOf(CLSID_FilterGraph), 3);
    EXPECT_THAT(streams.err, ElementsAre(L"tessmorctl: looking for the tuner \"VKO 8317 Tuner 0\"",
                                         L"tessmorctl: tuner found",
                                         L"tessmorctl: DVB-S graph built; the property is not supported",
                                         L"tessmorctl: DVB-T graph built; the property is not supported",
                                         L"tessmorctl: DVB-C graph built; the property is supported",
                                         L"tessmorctl: receiver found",
                                         L"tessmorctl: reading the modes: tuner 0 code 2, tuner 1 code 1"));
}

TEST_F(CtlTest, APropertySupportedNowhereEndsWithStatus3AndWritesNothing)
{
    card.channel->querySupportedResult = E_PROP_ID_UNSUPPORTED;
    EXPECT_EQ(Run({L"set", L"1", L"2"}), 3);
    EXPECT_THAT(streams.err, ElementsAre(kUnsupported, kUnsupportedAdvice));
    EXPECT_THAT(Writes(), IsEmpty());
    EXPECT_EQ(services.CreationsOf(CLSID_FilterGraph), 3);

}

TEST_F(CtlTest, ATunerWithoutAnInput0PinHasNoChannelAndGetsTheSameAnswer)
{
    card.input0Present = false;
    EXPECT_EQ(Run({L"get"}), 3);
    EXPECT_THAT(streams.out, IsEmpty());
}

TEST_F(CtlTest, TheGraphsMessageBoxesBecomeOneLineEachOnStandardError)
{
    card.transportInformationPresent = false;
    EXPECT_EQ(Run({L"get"}), 3);
    EXPECT_THAT(streams.err, ElementsAre(L"tessmorctl: Createtransport Failed", L"tessmorctl: Createtransport Failed",
                                         L"tessmorctl: Createtransport Failed", kUnsupported, kUnsupportedAdvice));
    EXPECT_THAT(streams.out, IsEmpty());
}

TEST_F(CtlTest, AFailedReadIsStatus4AndPrintsNoModes)
{
    card.channel->getResult = E_FAIL;
    EXPECT_EQ(Run({L"get"}), 4);
    EXPECT_THAT(streams.out, IsEmpty());
    EXPECT_THAT(streams.err, ElementsAre(L"tessmorctl: reading the modes failed (0x80004005)"));

    // A read that hands back only one of the two bytes is no answer either.
    card.channel->getResult = S_OK;
    card.channel->getBytesWritten = 1;
    EXPECT_EQ(Run({L"get"}), 4);
    EXPECT_THAT(streams.err, ElementsAre(L"tessmorctl: reading the modes failed (0x8000FFFF)"));

    // keep needs the read too: nothing is written without it.
    EXPECT_EQ(Run({L"set", L"keep", L"1"}), 4);
    EXPECT_THAT(streams.err, ElementsAre(L"tessmorctl: reading the current modes failed (0x8000FFFF)"));
    EXPECT_THAT(Writes(), IsEmpty());
}

TEST_F(CtlTest, AFailedWriteIsStatus4AndClaimsNothing)
{
    card.channel->setResult = E_FAIL;
    EXPECT_EQ(Run({L"set", L"4", L"5", L"--wait"}), 4);
    EXPECT_THAT(streams.out, IsEmpty());
    EXPECT_THAT(streams.err, ElementsAre(L"tessmorctl: writing the modes failed: the driver refused them"));
    EXPECT_THAT(services.sleeps, IsEmpty());
}

TEST_F(CtlTest, WaitReadsBothModesBackAfterEightSeconds)
{
    EXPECT_EQ(Run({L"set", L"isdb-t", L"mcns/qamb", L"--wait"}), 0);
    EXPECT_THAT(services.sleeps, ElementsAre(8000u));
    EXPECT_THAT(Calls(), ElementsAre(Call::QuerySupported, Call::Get, Call::Set, Call::Get));
    EXPECT_THAT(streams.out, ElementsAre(L"Wrote Tuner 0: ISDB-T, Tuner 1: MCNS/QAMB.",
                                         L"The card takes about 8 seconds to switch to the new modes.",
                                         L"Tuner 0: ISDB-T", L"Tuner 1: MCNS/QAMB"));
    EXPECT_THAT(streams.err, IsEmpty());
}

TEST_F(CtlTest, WaitFailsWithStatus5WhenTheCardKeepsItsOldModes)
{
    card.channel->modes[0] = 1;
    card.channel->modes[1] = 2;
    // The card takes the write, then switches back while the program waits.
    services.onSleep = [this](DWORD) {
        card.channel->modes[0] = 1;
        card.channel->modes[1] = 2;
    };
    EXPECT_EQ(Run({L"set", L"4", L"keep", L"--wait"}), 5);
    EXPECT_THAT(Writes(), ElementsAre(ElementsAre(4, 2)));
    EXPECT_THAT(streams.out, ElementsAre(L"Wrote Tuner 0: DVB-C, Tuner 1: DVB-S/S2.",
                                         L"The card takes about 8 seconds to switch to the new modes.",
                                         L"Tuner 0: DVB-T/T2", L"Tuner 1: DVB-S/S2"));
    EXPECT_THAT(streams.err, ElementsAre(L"tessmorctl: the card reports other modes than were written",
                                         L"tessmorctl: the card may need longer to switch: try again with a longer "
                                         L"--timeout, such as --timeout 30"));

    // A read-back that fails is a failed read.
    services.onSleep = [this](DWORD) { card.channel->getResult = E_FAIL; };
    EXPECT_EQ(Run({L"set", L"4", L"5", L"--wait"}), 4);
    EXPECT_THAT(streams.err, ElementsAre(L"tessmorctl: reading the modes back failed (0x80004005)"));
}

TEST_F(CtlTest, VerboseAlsoEchoesTheDebuggerLines)
{
    SimDevice unnamed{L"ignored"};
    unnamed.readResult = E_FAIL;
    card.devices->Add(KSCATEGORY_BDA_NETWORK_TUNER, unnamed);
    EXPECT_EQ(Run({L"/verbose"}), 0);
    EXPECT_THAT(streams.err, Contains(L"tessmorctl: debug: FindFilter(): IPropertyBag->Read method failed"));
    EXPECT_THAT(services.debugLines, Contains("FindFilter(): IPropertyBag->Read method failed"));
    EXPECT_EQ(Run({}), 0);
    EXPECT_THAT(streams.err, IsEmpty());
}

TEST_F(CtlTest, VerboseTellsThePairBeforeItIsWrittenAndResultsKeepEveryHexDigit)
{
    card.channel->modes[0] = 1;
    card.channel->modes[1] = 2;
    EXPECT_EQ(Run({L"set", L"dvb-c", L"dvbc2", L"--verbose"}), 0);
    EXPECT_THAT(streams.err, Contains(L"tessmorctl: reading the current modes: tuner 0 code 1, tuner 1 code 2"));
    EXPECT_THAT(streams.err, Contains(L"tessmorctl: writing tuner 0 code 4, tuner 1 code 7"));
    // With --wait, the wait is told too, after the write.
    EXPECT_EQ(Run({L"set", L"dvb-c", L"dvbc2", L"--verbose", L"--wait", L"--force"}), 0);
    const auto writing = std::find(streams.err.begin(), streams.err.end(),
                                   L"tessmorctl: writing tuner 0 code 4, tuner 1 code 7");
    const auto waiting = std::find(streams.err.begin(), streams.err.end(),
                                   L"tessmorctl: waiting 8000 ms for the card to switch");
    EXPECT_NE(waiting, streams.err.end());
    EXPECT_LT(writing, waiting);

    // Results read as the system writes them: eight upper-case digits, leading zeros kept.
    EXPECT_EQ(ResultCode(static_cast<HRESULT>(0x89ABCDEFu)), L"0x89ABCDEF");
    EXPECT_EQ(ResultCode(static_cast<HRESULT>(0x01234567u)), L"0x01234567");
}

TEST_F(CtlTest, DevicesListsEveryTunerAndReceiverAndTheOnesTheToolUses)
{
    SimDevice unnamed{L""};
    unnamed.readResult = E_FAIL;
    SimDevice broken{L"VKO 8317 Tuner 0"};
    broken.bindResult = E_FAIL;
    for (const SimDevice& device : {SimDevice{L"Other Tuner"}, unnamed, broken})
        card.devices->Add(KSCATEGORY_BDA_NETWORK_TUNER, device);
    SimDevice numbered{L"VKO 8317 Capture 0"};
    numbered.nameIsText = false;
    card.devices->Add(KSCATEGORY_BDA_RECEIVER_COMPONENT, numbered);
    Install();  // the card's own devices come after those
    card.devices->Add(KSCATEGORY_BDA_NETWORK_TUNER, SimDevice{L"VKO 8317 Tuner 0 (second card)"});

    EXPECT_EQ(Run({L"devices"}), 0);
    EXPECT_THAT(streams.out,
                ElementsAre(L"Tuner devices (the first that opens and whose name begins with \"VKO 8317 Tuner 0\" is used):",
                            L"  Other Tuner: not used: its name is another",
                            L"  (no name): not used: its name cannot be read",
                            L"  VKO 8317 Tuner 0: not used: it cannot be opened",
                            L"  VKO 8317 Tuner 0: used",
                            L"  VKO 8317 Tuner 0 (second card): not used: an earlier device is used",
                            L"Receiver devices (the first that opens and whose name begins with \"VKO 8317 Capture 0\" is used):",
                            L"  (no name): not used: its name is not text",
                            L"  VKO 8317 Capture 0: used", kCardsHeading, L"  Card 1: used",
                            L"    tuner VKO 8317 Tuner 0: " + card.TunerPath(),
                            L"    receiver VKO 8317 Capture 0: " + card.ReceiverPath(),
                            // Tuners without paths are cards too, after those with them.
                            L"  Card 2: not used", L"    tuner VKO 8317 Tuner 0: (no device path)",
                            L"    receiver: none of its own", L"  Card 3: not used",
                            L"    tuner VKO 8317 Tuner 0 (second card): (no device path)",
                            L"    receiver: none of its own"));
    EXPECT_THAT(streams.err, IsEmpty());
}

TEST_F(CtlTest, DevicesSaysWhyTheCardIsNotFound)
{
    card.tunerPresent = false;
    SimDevice closed{L"VKO 8317 Capture 0"};
    closed.hasPropertyBag = false;
    card.devices->Add(KSCATEGORY_BDA_RECEIVER_COMPONENT, closed);
    EXPECT_EQ(Run({L"Devices"}), 2);
    EXPECT_THAT(streams.out,
                ElementsAre(L"Tuner devices (the first that opens and whose name begins with \"VKO 8317 Tuner 0\" is used):",
                            L"  (none listed)",
                            L"Receiver devices (the first that opens and whose name begins with \"VKO 8317 Capture 0\" is used):",
                            L"  (no name): not used: its properties cannot be read, which ends the search",
                            L"  VKO 8317 Capture 0: not used: the search ended at an earlier device", kCardsHeading,
                            L"  (none listed)", L"Receivers of no card:",
                            L"  VKO 8317 Capture 0: " + card.ReceiverPath()));
    EXPECT_THAT(streams.err, ElementsAre(L"tessmorctl: No VKO DVBS device!",
                                         L"tessmorctl: the card's receiver device \"VKO 8317 Capture 0\" is not found",
                                         kNoCardAdvice));

    // The first receiver listed is one of no card as well as any other.
    card.devices->Clear(KSCATEGORY_BDA_RECEIVER_COMPONENT);
    card.AddCaptureDevice();
    EXPECT_EQ(Run({L"devices"}), 2);
    ASSERT_GE(streams.out.size(), 2u);
    EXPECT_THAT(std::vector<std::wstring>(streams.out.end() - 2, streams.out.end()),
                ElementsAre(L"Receivers of no card:", L"  VKO 8317 Capture 0: " + card.ReceiverPath()));
}

TEST_F(CtlTest, HelpListAndVersionNeedNoCard)
{
    // The help as the user reads it, word for word: a change to it is made here too, on purpose.
    EXPECT_EQ(Run({L"/?"}), 0);
    EXPECT_THAT(streams.out,
                ElementsAre(kUsage,
                            L"",
                            L"Reads and changes the demodulator modes of the two tuners of the VKO 8317 card,",
                            L"as Tessmor.exe does, without a window.",
                            L"",
                            L"Commands:",
                            L"  get              print both tuners' current modes (also with no command)",
                            L"  set MODE0 MODE1  write a mode for tuner 0 and one for tuner 1, in one write,",
                            L"                   unless both are already set; the card then takes about",
                            L"                   8 seconds to switch",
                            L"  list             list the modes, their codes and other names",
                            L"  devices          list the tuner and receiver devices of the system and say",
                            L"                   which of them are used",
                            L"  autostart enable MODE0 MODE1 [--resume] [--device-start] [--system]",
                            L"                   register the task that sets these modes with its own copy of",
                            L"                   tessmorctlw.exe, at each logon of this user (--resume: and on",
                            L"                   each resume from sleep; --device-start: and each time the",
                            L"                   card's driver starts; --system: as SYSTEM at each system",
                            L"                   start, from an elevated prompt); its --timeout (120 s by",
                            L"                   default), --log FILE and --restart-service NAME are for the",
                            L"                   task's runs",
                            L"  autostart status [--system]",
                            L"                   say whether the task is registered, and what it does",
                            L"  autostart disable [--system]",
                            L"                   remove the task and its copy of the program (also when there",
                            L"                   is none)",
                            L"  help, version    print this help, or the version",
                            L"",
                            L"tessmorctlw.exe takes the same commands and gives the same exit statuses, but",
                            L"opens no console: what it would print goes only to --log.",
                            L"",
                            L"Modes, by name or code, in any case: DVB-T/T2 (1), DVB-S/S2 (2), DVB-C (4),",
                            L"ISDB-T (5), MCNS/QAMB (6), DVBC2 (7), or another name \"tessmorctl list\" shows,",
                            L"such as DVB-T2 or DVB-C2. ATSC (3) is not supported by the card.",
                            L"keep writes a tuner's current mode back unchanged.",
                            L"",
                            L"Options:",
                            L"  --wait           with set: wait the 8 seconds, read both modes back and",
                            L"                   succeed only if they are the ones written (with --timeout,",
                            L"                   read again about once a second for that many seconds more)",
                            L"  --force          with set: write even when both modes are already set",
                            L"  --dry-run        with set: say what would be written, and write nothing",
                            L"  --restart-service NAME",
                            L"                   with set: once the card reports the modes just written,",
                            L"                   restart that Windows service if it is running (a TV server",
                            L"                   that reads the tuners' types only when it starts)",
                            L"  --timeout SECONDS",
                            L"                   wait up to SECONDS (0 to 3600, counted from the start) for",
                            L"                   the card to appear; 0, the default, looks once",
                            L"  --card N         get, set, devices, autostart enable: the Nth card, as",
                            L"                   \"tessmorctl devices\" numbers them (by default, the first",
                            L"                   tuner that opens, with its own card's receiver)",
                            L"  --device PATH    the same: the card whose tuner has that device path, or",
                            L"                   that path's part before \"#{\"",
                            L"  --log FILE       append each line the run prints to FILE as it is printed,",
                            L"                   after the time and the process id: the command line first,",
                            L"                   the exit status last (UTF-8; a log past 1 MiB is renamed",
                            L"                   FILE.1 and begun anew)",
                            L"  --json           the result as one JSON object (get, set, list, devices,",
                            L"                   autostart status)",
                            L"  --quiet, -q      nothing on standard output but --json's object",
                            L"  --verbose, -v    tell each step on standard error",
                            L"  --version        print the version",
                            L"  --help, /?       print this help",
                            L"Options that take a value also take it as --timeout=30 or /timeout:30.",
                            L"",
                            L"Exit status:",
                            L"  0  success",
                            L"  1  usage error or refused choice (nothing written)",
                            L"  2  the card is not found",
                            L"  3  the property is supported under none of DVB-S, DVB-T and DVB-C",
                            L"  4  a read or write failed",
                            L"  5  --wait read back other modes than written",
                            L"  6  the task could not be registered, read or removed",
                            L"  7  the modes were written, but the service was not restarted",
                            L"",
                            L"Examples:",
                            L"  tessmorctl get",
                            L"  tessmorctl set DVB-C DVBC2",
                            L"  tessmorctl set keep dvb-t/t2 --wait",
                            L"  tessmorctl set DVB-C DVB-C2 --wait --timeout 60 --log C:\\Tessmor\\logon.log",
                            L"  tessmorctl autostart enable DVB-C DVB-C2 --resume"));
    EXPECT_THAT(streams.err, IsEmpty());

    EXPECT_EQ(Run({L"list"}), 0);
    EXPECT_THAT(streams.out, ElementsAre(L"1  DVB-T/T2 (also DVB-T, DVB-T2, DVBT, DVBT2)",
                                         L"2  DVB-S/S2 (also DVB-S, DVB-S2, DVBS, DVBS2)",
                                         L"3  ATSC (not supported by the card)", L"4  DVB-C (also DVBC)",
                                         L"5  ISDB-T (also ISDBT)", L"6  MCNS/QAMB (also MCNS, QAMB, QAM-B)",
                                         L"7  DVBC2 (also DVB-C2)"));
    // This test program is not signed, and Windows (here Wine) says so.
    EXPECT_EQ(Run({L"--version"}), 0);
    EXPECT_THAT(streams.out, ElementsAre(L"tessmorctl 1.0.0.1", L"Signature: none (this copy is not signed)"));
    EXPECT_EQ(Run({L"version", L"--json"}), 0);
    EXPECT_THAT(streams.out, ElementsAre(L"{\"program\":\"tessmorctl\",\"version\":\"1.0.0.1\",\"signature\":\"none\","
                                         L"\"signed\":false,\"signer\":null,\"reason\":null,\"trustResult\":\"0x800B0100\"}"));
    EXPECT_THAT(services.creations, IsEmpty());
}

TEST_F(CtlTest, WhenComCannotStartTheCommandsThatNeedTheCardSaySoAndEndWithStatus4)
{
    Install();
    // A thread already in a single-threaded apartment cannot join the multithreaded one.
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    for (const std::vector<std::wstring>& command :
         {std::vector<std::wstring>{L"get"}, {L"set", L"DVB-C", L"DVBC2"}, {L"devices"}}) {
        streams = RecordedStreams();
        EXPECT_EQ(RunTessmorCtl(command, streams), 4) << command[0];
        EXPECT_THAT(streams.out, IsEmpty()) << command[0];
        EXPECT_THAT(streams.err, ElementsAre(L"tessmorctl: COM cannot be started (0x80010106)")) << command[0];
    }
    EXPECT_TRUE(ComIsUp());  // the caller's apartment is left as it was
    CoUninitialize();
    EXPECT_THAT(services.creations, IsEmpty());
    EXPECT_THAT(Writes(), IsEmpty());
}


TEST_F(CtlTest, RunningOutOfMemoryEndsWithStatus4AndOneLineAndLeavesNothingBehind)
{
    wchar_t program[] = L"tessmorctl.exe", get[] = L"get", list[] = L"list";
    wchar_t* argv[] = {program, get, nullptr};
    StreamsOutOfMemory exhausted;
    // The modes are read with the graph built; the first line of output fails.
    EXPECT_EQ(RunChecked([&] { return RunTessmorCtlMain(2, argv, exhausted); }), 4);
    EXPECT_THAT(exhausted.err, ElementsAre(L"tessmorctl: out of memory"));
    EXPECT_EQ(card.channel->calls.back().call, Call::Get);

    // The program's own name is not an argument.
    argv[1] = list;
    EXPECT_EQ(RunChecked([&] { return RunTessmorCtlMain(2, argv, streams); }), 0);
    EXPECT_EQ(streams.out.size(), 7u);
}

}  // namespace
