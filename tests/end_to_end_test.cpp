// The real Tessmor.exe, run in the private Wine prefix on the simulated card (the registered
// simulated platform), driven from outside as a user would.
#include <gmock/gmock.h>

#include <cstdlib>
#include <string>

#include "program_under_test.h"
#include "simulated_card_test.h"
#include "ui/resource.h"
#include "window_placement.h"

using ::testing::ElementsAre;

namespace {

const char kDialog[] = "VKO8305 Change Mode Tool";
const char kToolCaption[] = "VKO Changed Mode Tool";
const char kUnsupported[] = "QuerySupported KSPROPERTY_BDA_CTRL_DemodMode error";
const char kFinished[] = "Set finished,Please wait about 8 seconds let device finish changed mode .Thank you ";

std::string Text(HWND window)
{
    char text[256] = {};
    SendMessageA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

class EndToEnd : public SimulatedCardTest {
protected:
    // After a run of the dialog: nothing left and nothing released too late; and the card saw
    // the program's windows, which shows that it can see windows at all.
    void ExpectCleanRun() { EXPECT_GE(ExpectReleasedInTime(), 1u); }

    // The user's side of one run.
    struct Session {
        ProgramUnderTest& program;
        HWND dialog = nullptr;

        HWND Item(int id) const { return GetDlgItem(dialog, id); }
        std::string Field(int id) const { return Text(Item(id)); }
        void Choose(int listId, int position) const
        {
            SendMessageA(Item(listId), CB_SETCURSEL, position, 0);
            PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(listId, CBN_SELCHANGE),
                         reinterpret_cast<LPARAM>(Item(listId)));
        }
        void Click(int buttonId) const { PostMessageA(Item(buttonId), BM_CLICK, 0, 0); }
        void Escape() const { PostMessageA(dialog, WM_KEYDOWN, VK_ESCAPE, 0); }
        // The message box with the caption: its text, after which it is dismissed.
        std::string Answer(const char* caption) const
        {
            HWND box = program.WaitForWindow(caption, kPatience);
            if (!box)
                return std::string("(no message box \"") + caption + "\")";
            const std::string text = ProgramUnderTest::MessageText(box);
            ProgramUnderTest::PressOk(box);
            for (int i = 0; i < 200 && IsWindow(box); ++i)
                Sleep(10);
            return text;
        }
        bool StillOpen() const { return program.WaitForExit(300) == STILL_ACTIVE && IsWindowVisible(dialog); }
    };

    // Starts the program, waits for its dialog, runs the script, and waits for the end.
    void Run(const std::function<void(Session&)>& script)
    {
        ProgramUnderTest program;
        ASSERT_TRUE(program.Started()) << "CreateProcess failed with error " << program.StartError();
        Session session{program};
        session.dialog = program.WaitForWindow(kDialog, kPatience);
        ASSERT_NE(session.dialog, nullptr) << "the dialog did not appear";
        script(session);
        EXPECT_EQ(program.WaitForExit(kPatience), 0u);
        ExpectCleanRun();
    }

};

TEST_F(EndToEnd, ShowsTheModesTheCardHoldsAndEscCloses)
{
    SetCardModes(4, 5);
    Run([](Session& user) {
        EXPECT_EQ(user.Field(IDC_TUNER_A_CURRENT), "DVB-C");
        EXPECT_EQ(user.Field(IDC_TUNER_B_CURRENT), "ISDB-T");
        EXPECT_TRUE(IsCentredOn(user.dialog, PrimaryWorkArea()));
        user.Escape();
    });
}

TEST_F(EndToEnd, WithTwoCardsListedCrossedTheDialogReadsTheFirstCardThroughItsOwnReceiver)
{
    UseTwoCards(4, 5, 6, 7);
    Run([](Session& user) {
        EXPECT_EQ(user.Field(IDC_TUNER_A_CURRENT), "DVB-C");
        EXPECT_EQ(user.Field(IDC_TUNER_B_CURRENT), "ISDB-T");
        user.Escape();
    });
    EXPECT_GE(ReceiverConnections(SimRegistry::kCard), 1u);
    EXPECT_EQ(ReceiverConnections(SimRegistry::kSecondCard), 0u)
        << "the first card's tuner went to the second card's receiver";
}

TEST_F(EndToEnd, AWrittenPairReachesTheCardAndTheNextRunReadsItBack)
{
    Run([](Session& user) {
        user.Choose(IDC_TUNER_A_SETTING, 3);  // DVB-C
        user.Choose(IDC_TUNER_B_SETTING, 6);  // DVBC2
        user.Click(IDC_WRITE);
        EXPECT_EQ(user.Answer(kToolCaption), kFinished);
    });
    EXPECT_THAT(CardModes(), ElementsAre(4, 7));
    // The tuning space was added on the first run only.
    EXPECT_THAT(TuningSpaceNames(), ElementsAre(L"quorvantel dvb-s"));

    Run([](Session& user) {
        EXPECT_EQ(user.Field(IDC_TUNER_A_CURRENT), "DVB-C");
        EXPECT_EQ(user.Field(IDC_TUNER_B_CURRENT), "DVBC2");
        user.Escape();
    });
    EXPECT_THAT(TuningSpaceNames(), ElementsAre(L"quorvantel dvb-s"));
}

TEST_F(EndToEnd, RefusedChoicesKeepTheDialogOpen)
{
    Run([](Session& user) {
        user.Click(IDC_WRITE);
        EXPECT_EQ(user.Answer(kToolCaption), "Sorry,Please Set all Tuner mode. ");
        user.Choose(IDC_TUNER_B_SETTING, 2);  // ATSC, tuner A unset
        user.Click(IDC_WRITE);
        EXPECT_EQ(user.Answer(kToolCaption), "Sorry,Please Set all Tuner mode. ");
        user.Choose(IDC_TUNER_A_SETTING, 0);
        user.Click(IDC_WRITE);
        EXPECT_EQ(user.Answer(kToolCaption), "Sorry,VKO8305 can not support ATSC. ");
        EXPECT_TRUE(user.StillOpen());
        user.Escape();
    });
    EXPECT_THAT(CardModes(), ElementsAre());  // nothing was written
}

TEST_F(EndToEnd, APropertyOnlyUnderCableStillWorks)
{
    scenario.supportedNetworks = L"C";
    scenario.Write();
    SetCardModes(2, 1);
    Run([](Session& user) {
        EXPECT_EQ(user.Field(IDC_TUNER_A_CURRENT), "DVB-S/S2");
        EXPECT_EQ(user.Field(IDC_TUNER_B_CURRENT), "DVB-T/T2");
        user.Escape();
    });
    EXPECT_THAT(TuningSpaceNames(), ElementsAre(L"quorvantel dvb-s", L"quorvantel dvb-t", L"quorvantel dvb-c"));
}

TEST_F(EndToEnd, APropertyNowhereIsReportedBeforeTheDialogWithEmptyFields)
{
    scenario.supportedNetworks = L"";
    scenario.Write();
    ProgramUnderTest program;
    ASSERT_TRUE(program.Started()) << "CreateProcess failed with error " << program.StartError();
    HWND box = program.WaitForWindow("Tessmor", kPatience);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(ProgramUnderTest::MessageText(box), kUnsupported);
    EXPECT_FALSE(program.HasWindow(kDialog));
    ProgramUnderTest::PressOk(box);

    Session user{program, program.WaitForWindow(kDialog, kPatience)};
    ASSERT_NE(user.dialog, nullptr);
    EXPECT_EQ(user.Field(IDC_TUNER_A_CURRENT), "");
    EXPECT_EQ(user.Field(IDC_TUNER_B_CURRENT), "");
    user.Escape();
    EXPECT_EQ(program.WaitForExit(kPatience), 0u);
    ExpectCleanRun();
}

TEST_F(EndToEnd, AFailedWriteSaysSoAndClaimsNoSuccess)
{
    scenario.setFails = true;
    scenario.Write();
    Run([](Session& user) {
        user.Choose(IDC_TUNER_A_SETTING, 4);
        user.Choose(IDC_TUNER_B_SETTING, 5);
        user.Click(IDC_WRITE);
        EXPECT_EQ(user.Answer("error"), "write mac11 ");
        EXPECT_TRUE(user.StillOpen());
        EXPECT_FALSE(user.program.HasWindow(kToolCaption));
        user.Escape();
    });
    EXPECT_THAT(CardModes(), ElementsAre());
}

TEST_F(EndToEnd, ACaptureDeviceThatArrivesLateIsWaitedFor)
{
    scenario.captureDelayMilliseconds = 2500;
    scenario.Write();
    Run([](Session& user) {
        EXPECT_EQ(user.Field(IDC_TUNER_A_CURRENT), "DVB-T/T2");
        user.Escape();
    });
}

TEST_F(EndToEnd, AReceiverThatOpensOnlyOnceIsFoundAgainByEachRebuildAfterItsWait)
{
    // Where the property answers only under DVB-T (one rebuild) or only under DVB-C (two), each
    // rebuild lets the receiver of the build before go, waits and opens it again.
    const std::pair<const wchar_t*, DWORD> cards[] = {{L"T", 1}, {L"C", 2}};
    for (const auto& [supported, rebuilds] : cards) {
        SCOPED_TRACE(rebuilds);
        scenario.supportedNetworks = supported;
        scenario.captureOpensOnce = true;
        scenario.Write();
        SetCardModes(4, 7);
        DWORD shownAfter = 0;
        Run([&shownAfter](Session& user) {
            shownAfter = user.program.Elapsed();
            EXPECT_EQ(user.Field(IDC_TUNER_A_CURRENT), "DVB-C");
            EXPECT_EQ(user.Field(IDC_TUNER_B_CURRENT), "DVBC2");
            user.Escape();
        });
        EXPECT_EQ(captureRefusals, rebuilds);
        EXPECT_GE(shownAfter, 1000 + rebuilds * 3000) << "a rebuild did not wait for the receiver";
    }
}

TEST_F(EndToEnd, WithoutTheCardTheProgramSaysSoAfterItsPauseAndEndsWhenTold)
{
    scenario.cardPresent = false;
    scenario.Write();
    ProgramUnderTest program;
    ASSERT_TRUE(program.Started()) << "CreateProcess failed with error " << program.StartError();

    HWND box = program.WaitForWindow("Tessmor", kPatience);
    ASSERT_NE(box, nullptr) << "no message box titled Tessmor";
    EXPECT_GE(program.Elapsed(), 1000u) << "the message came before the one-second pause";
    EXPECT_EQ(ProgramUnderTest::MessageText(box), "No VKO DVBS device!");
    EXPECT_NE(GetDlgItem(box, IDOK), nullptr);
    for (int other : {IDCANCEL, IDYES, IDNO, IDRETRY, IDABORT, IDIGNORE})
        EXPECT_EQ(GetDlgItem(box, other), nullptr) << other;
    // Which icon it is (the warning icon) is the box's type, checked where the box is made;
    // from another process it can only be seen that the box shows one.
    HWND icon = GetDlgItem(box, 0x0440);
    ASSERT_NE(icon, nullptr);
    EXPECT_TRUE(IsWindowVisible(icon));
    EXPECT_NE(SendMessageA(icon, STM_GETICON, 0, 0), 0);
    EXPECT_FALSE(program.HasWindow(kDialog));

    ProgramUnderTest::PressOk(box);
    EXPECT_EQ(program.WaitForExit(kPatience), 0u);
}

}  // namespace
