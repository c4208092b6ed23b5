// The real mode dialog, created from its template under Wine on the simulated card, and driven
// from inside its own modal loop.
#include <dshow.h>
#include <gmock/gmock.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "framework/win_app.h"
#include "graph/bda_graph.h"
#include "import_patch.h"
#include "platform/identities.h"
#include "sim/sim_card.h"
#include "sim/sim_filter.h"
#include "sim/sim_graph_builder.h"
#include "sim/sim_tuning.h"
#include "sim_test.h"
#include "ui/mode_dialog.h"
#include "ui/resource.h"
#include "window_placement.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

CWinApp theTestApp;  // the application object; its title is this program's name

std::string Text(HWND window)
{
    char text[256] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// What a user does in the dialog.
struct User {
    CTessmorDlg& dialog;

    HWND Item(int id) const { return GetDlgItem(dialog.m_hWnd, id); }
    std::string Text(int id) const { return ::Text(Item(id)); }
    void Choose(int listId, int position)
    {
        SendMessageA(Item(listId), CB_SETCURSEL, position, 0);
        // A handled command answers 0, as a window procedure that processes WM_COMMAND does.
        EXPECT_EQ(SendMessageA(dialog.m_hWnd, WM_COMMAND, MAKEWPARAM(listId, CBN_SELCHANGE),
                               reinterpret_cast<LPARAM>(Item(listId))),
                  0);
    }
    void Click(int buttonId) { SendMessageA(Item(buttonId), BM_CLICK, 0, 0); }
    void Press(WPARAM key) { PostMessageA(dialog.m_hWnd, WM_KEYDOWN, key, 0); }
};

class ModeDialogTest : public SimTest {
protected:
    ModeDialogTest()
    {
        EXPECT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED | COINIT_SPEED_OVER_MEMORY)));
        SimLiveObjects::WatchApartment(true);
    }
    ~ModeDialogTest() override
    {
        EXPECT_FALSE(ComIsUp()) << "the dialog's end did not tear the graph down";
        EXPECT_EQ(SimLiveObjects::ReleasesWithoutCom(), 0) << "released after CoUninitialize";
        SimLiveObjects::WatchApartment(false);
        EXPECT_EQ(theTestApp.m_pMainWnd, nullptr);
    }

    // Start-up's part: the card's devices and the probe for the tuner.
    void Start()
    {
        card.Install(services);
        CBDAGraph::m_pTunerDevice = CBDAGraph::FindFilter(L"VKO 8317 Tuner 0", KSCATEGORY_BDA_NETWORK_TUNER);
    }

    // Runs the dialog as start-up does; the script runs once the dialog is up and idle. What
    // comes before runs on the dialog object before its window is made.
    INT_PTR Run(std::function<void(User&)> script, std::function<void(CTessmorDlg&)> before = {})
    {
        CTessmorDlg dialog;
        if (before)
            before(dialog);
        theTestApp.m_pMainWnd = &dialog;
        s_script = [&dialog, &script] {
            User user{dialog};
            script(user);
        };
        s_dialog = &dialog;
        const UINT_PTR step = SetTimer(nullptr, 0, 10, &ModeDialogTest::RunScript);
        const UINT_PTR watchdog = SetTimer(nullptr, 0, 20000, &ModeDialogTest::GiveUp);
        const INT_PTR result = dialog.DoModal();
        KillTimer(nullptr, step);
        KillTimer(nullptr, watchdog);
        s_dialog = nullptr;
        return result;
    }


    SimCard card;

private:
    static void CALLBACK RunScript(HWND, UINT, UINT_PTR id, DWORD)
    {
        KillTimer(nullptr, id);
        auto script = std::move(s_script);
        s_script = nullptr;
        if (script)
            script();
    }
    static void CALLBACK GiveUp(HWND, UINT, UINT_PTR id, DWORD)
    {
        KillTimer(nullptr, id);
        ADD_FAILURE() << "the dialog did not end";
        if (s_dialog)
            s_dialog->EndDialog(-2);
    }

    static std::function<void()> s_script;
    static CTessmorDlg* s_dialog;
};

std::function<void()> ModeDialogTest::s_script;
CTessmorDlg* ModeDialogTest::s_dialog = nullptr;

TEST_F(ModeDialogTest, OpensFromItsTemplateShowingBothTunersAndTheSevenModes)
{
    card.channel->modes[0] = 1;
    card.channel->modes[1] = 2;
    Start();

    const INT_PTR result = Run([&](User& user) {
        EXPECT_EQ(Text(user.dialog.m_hWnd), "VKO8305 Change Mode Tool");
        // Owner-less, it opens in the middle of the screen's work area, not in its corner.
        EXPECT_TRUE(IsCentredOn(user.dialog.m_hWnd, PrimaryWorkArea()));
        EXPECT_TRUE(GetWindowLongA(user.dialog.m_hWnd, GWL_EXSTYLE) & WS_EX_APPWINDOW);
        EXPECT_TRUE(GetWindowLongA(user.dialog.m_hWnd, GWL_STYLE) & WS_MINIMIZEBOX);
        EXPECT_EQ(user.Text(IDC_TUNER_A_CURRENT), "DVB-T/T2");
        EXPECT_EQ(user.Text(IDC_TUNER_B_CURRENT), "DVB-S/S2");
        for (int id : {IDOK, IDCANCEL})
            EXPECT_FALSE(IsWindowVisible(user.Item(id))) << id;
        EXPECT_EQ(user.Text(IDOK), "OK");
        EXPECT_EQ(user.Text(IDCANCEL), "Cancel");
        EXPECT_EQ(user.Text(IDC_READ), "Read");
        EXPECT_EQ(user.Text(IDC_WRITE), "Write");
        for (int id : {IDC_TUNER_A_CURRENT, IDC_TUNER_B_CURRENT})
            EXPECT_TRUE(GetWindowLongA(user.Item(id), GWL_STYLE) & ES_READONLY) << id;
        for (int id : {IDC_TUNER_A_SETTING, IDC_TUNER_B_SETTING}) {
            EXPECT_EQ(GetWindowLongA(user.Item(id), GWL_STYLE) & 3, CBS_DROPDOWN) << id;
            std::vector<std::string> entries;
            const int count = static_cast<int>(SendMessageA(user.Item(id), CB_GETCOUNT, 0, 0));
            for (int i = 0; i < count; ++i) {
                char entry[32] = {};
                SendMessageA(user.Item(id), CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(entry));
                entries.push_back(entry);
            }
            EXPECT_THAT(entries, ElementsAre("DVB-T/T2", "DVB-S/S2", "ATSC", "DVB-C", "ISDB-T",
                                             "MCNS/QAMB", "DVBC2"));
            EXPECT_EQ(SendMessageA(user.Item(id), CB_GETCURSEL, 0, 0), CB_ERR);
        }
        // Tab order among the visible controls.
        std::vector<int> order;
        HWND item = user.Item(IDC_READ);
        for (int i = 0; i < 6; ++i) {
            order.push_back(GetDlgCtrlID(item));
            item = GetNextDlgTabItem(user.dialog.m_hWnd, item, FALSE);
        }
        EXPECT_THAT(order, ElementsAre(IDC_READ, IDC_WRITE, IDC_TUNER_A_CURRENT, IDC_TUNER_B_CURRENT,
                                       IDC_TUNER_A_SETTING, IDC_TUNER_B_SETTING));
        EXPECT_EQ(GetDlgCtrlID(item), IDC_READ);
        user.Press(VK_ESCAPE);
    });

    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(services.CreationsOf(CLSID_FilterGraph), 1);  // the DVB-S graph carried the property
    EXPECT_THAT(services.debugLines, ElementsAre("TunerA =1", "TunerB =2"));
    EXPECT_THAT(services.messageBoxes, IsEmpty());
}

TEST_F(ModeDialogTest, WriteChecksTheChoicesThenWritesThePairAndEnds)
{
    Start();
    HWND dialogWindow = nullptr;
    // What the user had been told, and what the card had received, when the pause came.
    std::vector<std::string> messagesBeforeThePause;
    SimPropertySet::Call lastCallBeforeThePause = SimPropertySet::Call::QuerySupported;
    services.onSleep = [&](DWORD) {
        messagesBeforeThePause = services.MessageTexts();
        lastCallBeforeThePause = card.channel->calls.back().call;
    };

    const INT_PTR result = Run([&](User& user) {
        dialogWindow = user.dialog.m_hWnd;
        user.Click(IDC_WRITE);                       // nothing chosen
        user.Choose(IDC_TUNER_A_SETTING, 3);         // DVB-C
        user.Click(IDC_WRITE);                       // only tuner A
        user.Choose(IDC_TUNER_A_SETTING, -1);
        user.Choose(IDC_TUNER_B_SETTING, 2);         // ATSC, tuner A unset: unset wins
        user.Click(IDC_WRITE);
        user.Choose(IDC_TUNER_A_SETTING, 3);         // DVB-C, tuner B still ATSC
        user.Click(IDC_WRITE);
        EXPECT_EQ(SendMessageA(user.Item(IDC_TUNER_B_SETTING), CB_GETCURSEL, 0, 0), 2);
        EXPECT_TRUE(card.channel->calls.back().call != SimPropertySet::Call::Set);
        user.Choose(IDC_TUNER_B_SETTING, 6);         // DVBC2
        user.Click(IDC_WRITE);
    });

    EXPECT_EQ(result, IDCANCEL);
    EXPECT_THAT(services.MessageTexts(),
                ElementsAre("Sorry,Please Set all Tuner mode. ", "Sorry,Please Set all Tuner mode. ",
                            "Sorry,Please Set all Tuner mode. ", "Sorry,VKO8305 can not support ATSC. ",
                            "Set finished,Please wait about 8 seconds let device finish changed mode .Thank you "));
    for (const auto& box : services.messageBoxes) {
        EXPECT_EQ(box.caption, "VKO Changed Mode Tool");
        EXPECT_EQ(box.owner, dialogWindow);
        EXPECT_EQ(box.type, UINT(MB_OK));
    }
    EXPECT_THAT(card.channel->modes, ElementsAre(4, 7));
    EXPECT_EQ(card.channel->calls.back().call, SimPropertySet::Call::Set);
    EXPECT_THAT(card.channel->calls.back().data, ElementsAre(4, 7));
    EXPECT_THAT(services.sleeps, ElementsAre(1000u));
    // The pause comes between the write and the message that the write is done.
    EXPECT_EQ(lastCallBeforeThePause, SimPropertySet::Call::Set);
    EXPECT_EQ(messagesBeforeThePause.size(), 4u);
    EXPECT_THAT(std::vector<std::string>(services.debugLines.begin() + 2, services.debugLines.end()),
                ElementsAre("TunerAMode =4", "TunerAMode =0", "TunerBMode =3", "TunerAMode =4",
                            "TunerBMode =7"));
}

TEST_F(ModeDialogTest, AFailedWriteIsReportedAndNothingClaimsSuccess)
{
    card.channel->setResult = E_FAIL;
    Start();
    HWND dialogWindow = nullptr;

    const INT_PTR result = Run([&](User& user) {
        dialogWindow = user.dialog.m_hWnd;
        user.Choose(IDC_TUNER_A_SETTING, 0);
        user.Choose(IDC_TUNER_B_SETTING, 1);
        user.Click(IDC_WRITE);
        EXPECT_TRUE(IsWindow(dialogWindow)) << "the dialog stays after a failed write";
        EXPECT_THAT(services.sleeps, IsEmpty());
        // The user tries again once the card takes it.
        card.channel->setResult = S_OK;
        user.Click(IDC_WRITE);
    });

    EXPECT_EQ(result, IDCANCEL);
    ASSERT_THAT(services.MessageTexts(), ElementsAre("write mac11 ",
                                        "Set finished,Please wait about 8 seconds let device finish changed mode .Thank you "));
    EXPECT_EQ(services.messageBoxes[0].caption, "error");
    EXPECT_EQ(services.messageBoxes[0].owner, dialogWindow);
    EXPECT_EQ(services.messageBoxes[0].type, UINT(MB_OK));
    EXPECT_THAT(services.sleeps, ElementsAre(1000u));
    EXPECT_THAT(card.channel->modes, ElementsAre(1, 2));
}

TEST_F(ModeDialogTest, ReadShowsWhatTheCardHoldsAndNoSetForUnknownCodes)
{
    card.channel->modes[0] = 0;
    card.channel->modes[1] = 200;
    Start();

    Run([&](User& user) {
        EXPECT_EQ(user.Text(IDC_TUNER_A_CURRENT), "NO Set");
        EXPECT_EQ(user.Text(IDC_TUNER_B_CURRENT), "NO Set");
        card.channel->modes[0] = 4;
        card.channel->modes[1] = 5;
        user.Click(IDC_READ);
        EXPECT_EQ(user.Text(IDC_TUNER_A_CURRENT), "DVB-C");
        EXPECT_EQ(user.Text(IDC_TUNER_B_CURRENT), "ISDB-T");
        user.Press(VK_RETURN);
    });

    EXPECT_THAT(services.debugLines, ElementsAre("TunerA =0", "TunerB =200", "TunerA =4", "TunerB =5"));
}

TEST_F(ModeDialogTest, EnterAndTheSystemMenusCloseEndTheDialogThroughTheirPaths)
{
    Start();
    EXPECT_EQ(Run([](User& user) { user.Press(VK_RETURN); }), IDOK);
    EXPECT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED | COINIT_SPEED_OVER_MEMORY)));
    Start();
    EXPECT_EQ(Run([](User& user) {
                  SendMessageA(user.dialog.m_hWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
              }),
              IDCANCEL);
}

// What the dialog paints while it is minimised. Windows and Wine give a minimised window no client
// area today, so nothing of it can be seen there; where minimised windows are icons they have one,
// and the test stands in such an area for the dialog.
struct MinimisedPainting {
    HWND dialog = nullptr;
    RECT iconClient = {};
    decltype(&::GetClientRect) realGetClientRect = nullptr;
    WNDPROC dialogProc = nullptr;
    struct Draw {
        HDC dc;
        int x, y;
        HICON icon;
    };
    std::vector<HDC> erases;
    std::vector<Draw> draws;
    std::vector<std::string> order;

    static MinimisedPainting* s_watch;

    static BOOL WINAPI GetClientRect(HWND window, RECT* rect)
    {
        if (window == s_watch->dialog && IsIconic(window)) {
            *rect = s_watch->iconClient;
            return TRUE;
        }
        return s_watch->realGetClientRect(window, rect);
    }
    static BOOL WINAPI DrawIcon(HDC dc, int x, int y, HICON icon)
    {
        s_watch->draws.push_back({dc, x, y, icon});
        s_watch->order.push_back("draw");
        return TRUE;
    }
    static LRESULT CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_ICONERASEBKGND) {
            s_watch->erases.push_back(reinterpret_cast<HDC>(wParam));
            s_watch->order.push_back("erase");
        }
        return CallWindowProcA(s_watch->dialogProc, window, message, wParam, lParam);
    }
};
MinimisedPainting* MinimisedPainting::s_watch = nullptr;

TEST_F(ModeDialogTest, MinimisedItErasesUnderItsIconThenDrawsTheIconInTheMiddle)
{
    Start();
    MinimisedPainting watch;
    MinimisedPainting::s_watch = &watch;
    const int iconWidth = GetSystemMetrics(SM_CXICON);
    const int iconHeight = GetSystemMetrics(SM_CYICON);
    // Odd spare room on both axes, so that the rounding of the middle shows.
    watch.iconClient = {0, 0, iconWidth + 17, iconHeight + 9};
    HICON dialogIcon = nullptr;

    const INT_PTR result = Run([&](User& user) {
        watch.dialog = user.dialog.m_hWnd;
        dialogIcon = reinterpret_cast<HICON>(SendMessageA(watch.dialog, WM_GETICON, ICON_BIG, 0));
        ScopedImportPatch clientArea("user32.dll", "GetClientRect",
                                     reinterpret_cast<const void*>(&MinimisedPainting::GetClientRect));
        ScopedImportPatch drawing("user32.dll", "DrawIcon",
                                  reinterpret_cast<const void*>(&MinimisedPainting::DrawIcon));
        ASSERT_TRUE(clientArea.Installed());
        ASSERT_TRUE(drawing.Installed());
        watch.realGetClientRect = clientArea.Original<decltype(&::GetClientRect)>();
        watch.dialogProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
            watch.dialog, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&MinimisedPainting::DialogProc)));

        SendMessageA(watch.dialog, WM_PAINT, 0, 0);  // shown normally: no icon
        EXPECT_TRUE(watch.order.empty());
        ShowWindow(watch.dialog, SW_MINIMIZE);
        EXPECT_TRUE(IsIconic(watch.dialog));
        SendMessageA(watch.dialog, WM_PAINT, 0, 0);
        ShowWindow(watch.dialog, SW_RESTORE);

        SetWindowLongPtrA(watch.dialog, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(watch.dialogProc));
        user.Press(VK_ESCAPE);
    });

    MinimisedPainting::s_watch = nullptr;
    EXPECT_EQ(result, IDCANCEL);
    ASSERT_NE(dialogIcon, nullptr);
    EXPECT_THAT(watch.order, ElementsAre("erase", "draw"));
    ASSERT_EQ(watch.draws.size(), 1u);
    ASSERT_EQ(watch.erases.size(), 1u);
    EXPECT_NE(watch.draws[0].dc, nullptr);
    EXPECT_EQ(watch.erases[0], watch.draws[0].dc);  // the background under the icon, on the same surface
    EXPECT_EQ(watch.draws[0].x, 9);
    EXPECT_EQ(watch.draws[0].y, 5);
    EXPECT_EQ(watch.draws[0].icon, dialogIcon);
}

TEST_F(ModeDialogTest, ItOpensWithoutWhatAnEarlierGraphLeftButKeepsTheTunerFoundAtStart)
{
    Start();
    // No new graph manager can be made, so nothing of a new graph replaces the old references.
    services.FailCreation(CLSID_FilterGraph, E_OUTOFMEMORY);
    // What an earlier graph left: each reference to an object of its own, which the test holds too.
    SimGraphBuilder* graph = SimGraphBuilder::Create();
    SimFilter* provider = SimFilter::Create(L"earlier provider");
    SimFilter* capture = SimFilter::Create(L"earlier capture");
    SimFilter* demux = SimFilter::Create(L"earlier demultiplexer");
    SimFilter* tif = SimFilter::Create(L"earlier transport information");
    SimFilter* tee = SimFilter::Create(L"earlier tee");
    SimFilter* tunerFilter = SimFilter::Create(L"earlier tuner filter");
    SimTuningSpace* space = SimTuningSpace::Create(true);
    CBDAGraph::m_pGraphBuilder = static_cast<IGraphBuilder*>(graph);
    CBDAGraph::m_pMediaControl = static_cast<IMediaControl*>(graph);
    CBDAGraph::m_pNetworkProvider = provider;
    CBDAGraph::m_pCaptureDevice = capture;
    CBDAGraph::m_pDemux = demux;
    CBDAGraph::m_pTIF = tif;
    CBDAGraph::m_pInfTee = tee;
    IBaseFilter* const tuner = CBDAGraph::m_pTunerDevice.Get();

    const INT_PTR result = Run(
        [&](User& user) {
            for (SimFilter* left : {provider, capture, demux, tif, tee, tunerFilter})
                EXPECT_EQ(left->RefCount(), 1) << "still held by the dialog's graph";
            EXPECT_EQ(graph->RefCount(), 1);
            EXPECT_EQ(space->RefCount(), 1);
            EXPECT_EQ(CBDAGraph::m_pTunerDevice.Get(), tuner);
            // The test's own references go while COM is up.
            for (SimFilter* left : {provider, capture, demux, tif, tee, tunerFilter})
                left->Release();
            graph->Release();
            space->Release();
            user.Press(VK_ESCAPE);
        },
        [&](CTessmorDlg& dialog) {
            dialog.TunerFilter() = tunerFilter;
            dialog.TuningSpace() = static_cast<ITuningSpace*>(space);
        });

    EXPECT_EQ(result, IDCANCEL);
    EXPECT_NE(tuner, nullptr);
}

TEST_F(ModeDialogTest, TheStandardsAreTriedInTurnUntilTheChannelSupportsTheProperty)
{
    card.channel->querySupportedSequence = {E_PROP_ID_UNSUPPORTED, E_PROP_ID_UNSUPPORTED};
    Start();

    Run([&](User& user) {
        EXPECT_EQ(user.Text(IDC_TUNER_A_CURRENT), "DVB-T/T2");
        user.Press(VK_ESCAPE);
    });

    EXPECT_EQ(services.CreationsOf(CLSID_FilterGraph), 3);
    EXPECT_THAT(services.messageBoxes, IsEmpty());
    // The DVB-C build is kept without a test of its own: only the read tested it.
    EXPECT_EQ(std::count_if(card.channel->calls.begin(), card.channel->calls.end(),
                            [](const auto& call) { return call.call == SimPropertySet::Call::QuerySupported; }),
              3);
}

TEST_F(ModeDialogTest, AChannelThatNeverSupportsThePropertyIsReportedOnceAndTheDialogStillOpens)
{
    card.channel->querySupportedResult = E_PROP_SET_UNSUPPORTED;
    Start();
    HWND dialogWindow = nullptr;

    Run([&](User& user) {
        dialogWindow = user.dialog.m_hWnd;
        EXPECT_EQ(user.Text(IDC_TUNER_A_CURRENT), "");
        EXPECT_EQ(user.Text(IDC_TUNER_B_CURRENT), "");
        user.Press(VK_ESCAPE);
    });

    EXPECT_EQ(services.CreationsOf(CLSID_FilterGraph), 3);
    ASSERT_THAT(services.MessageTexts(), ElementsAre("QuerySupported KSPROPERTY_BDA_CTRL_DemodMode error"));
    EXPECT_EQ(services.messageBoxes[0].caption, "dialog_test");
    EXPECT_EQ(services.messageBoxes[0].type, UINT(MB_OK | MB_ICONEXCLAMATION));
    EXPECT_EQ(services.messageBoxes[0].owner, dialogWindow);
}

TEST_F(ModeDialogTest, WithoutAChannelReadAndWriteReportTheSupportTest)
{
    card.input0Present = false;
    Start();

    Run([&](User& user) {
        user.Choose(IDC_TUNER_A_SETTING, 0);
        user.Choose(IDC_TUNER_B_SETTING, 0);
        user.Click(IDC_WRITE);
        user.Click(IDC_READ);
        user.Press(VK_ESCAPE);
    });

    EXPECT_EQ(services.CreationsOf(CLSID_FilterGraph), 3);
    EXPECT_THAT(services.MessageTexts(), ElementsAre("QuerySupported KSPROPERTY_BDA_CTRL_DemodMode error",
                                        "QuerySupported KSPROPERTY_BDA_CTRL_DemodMode error",
                                        "QuerySupported KSPROPERTY_BDA_CTRL_DemodMode error"));
    EXPECT_THAT(card.channel->calls, IsEmpty());
}


// The dialog at the display's scale: every text fits its control, and at 150 % (a child run of
// this program with the user's LogPixels at 144) the dialog is laid out half as large again.
class ModeDialogScaleTest : public ModeDialogTest {
protected:
    // What the dialog looks like at this process's scale: its client size and the controls
    // whose text (or widest list entry) is wider or taller than the control shows.
    struct Layout {
        SIZE client;
        std::vector<std::string> cut;
    };
    Layout Measure()
    {
        Start();
        Layout layout{};
        Run([&](User& user) {
            RECT client;
            GetClientRect(user.dialog.m_hWnd, &client);
            layout.client = {client.right, client.bottom};
            for (HWND item = GetWindow(user.dialog.m_hWnd, GW_CHILD); item; item = GetWindow(item, GW_HWNDNEXT)) {
                if (!IsWindowVisible(item))
                    continue;
                std::vector<std::string> texts{Text(item)};
                char kind[16] = {};
                GetClassNameA(item, kind, sizeof kind);
                const bool list = lstrcmpiA(kind, "ComboBox") == 0;
                for (int i = 0; list && i < SendMessageA(item, CB_GETCOUNT, 0, 0); ++i) {
                    char entry[32] = {};
                    SendMessageA(item, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(entry));
                    texts.push_back(entry);
                }
                RECT room;
                GetClientRect(item, &room);
                // A list's entries share the field with its drop-down button.
                const LONG width = room.right - (list ? GetSystemMetrics(SM_CXVSCROLL) : 0);
                HDC dc = GetDC(item);
                const HGDIOBJ before = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(item, WM_GETFONT, 0, 0)));
                for (const std::string& text : texts) {
                    SIZE extent = {};
                    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &extent);
                    if (extent.cx > width || extent.cy > room.bottom)
                        layout.cut.push_back(text);
                }
                SelectObject(dc, before);
                ReleaseDC(item, dc);
            }
            user.Press(VK_ESCAPE);
        });
        return layout;
    }
};

constexpr char kScaleChild[] = "TESSMOR_TEST_SCALE_FROM";  // the client size at 100 %, for the child

TEST_F(ModeDialogScaleTest, EveryTextFitsAtEachScaleAndAt150PercentTheDialogIsHalfAsLargeAgain)
{
    const Layout layout = Measure();
    EXPECT_THAT(layout.cut, IsEmpty());
    if (const char* from = std::getenv(kScaleChild)) {
        // The child: laid out at 144 dots per inch, in proportion to the same dialog at 96.
        int width = 0, height = 0;
        ASSERT_EQ(std::sscanf(from, "%d %d", &width, &height), 2);
        HDC screen = GetDC(nullptr);
        EXPECT_EQ(GetDeviceCaps(screen, LOGPIXELSY), 144);
        ReleaseDC(nullptr, screen);
        EXPECT_NEAR(layout.client.cx, width * 1.5, width * 0.1);
        EXPECT_NEAR(layout.client.cy, height * 1.5, height * 0.1);
        return;
    }

    // The user's scale is read by each program as it starts: set it for the child, then put
    // back what was there.
    const char* const desktop = "Control Panel\\Desktop";
    DWORD saved = 0, size = sizeof saved;
    const bool had = RegGetValueA(HKEY_CURRENT_USER, desktop, "LogPixels", RRF_RT_REG_DWORD, nullptr, &saved,
                                  &size) == ERROR_SUCCESS;
    const DWORD dpi = 144;
    ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, desktop, "LogPixels", REG_DWORD, &dpi, sizeof dpi), ERROR_SUCCESS);
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string command = std::string("\"") + self + "\" --gtest_filter=ModeDialogScaleTest.*";
    SetEnvironmentVariableA(kScaleChild, (std::to_string(layout.client.cx) + " " + std::to_string(layout.client.cy)).c_str());
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child = {};
    const BOOL started = CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &child);
    SetEnvironmentVariableA(kScaleChild, nullptr);
    DWORD status = 1;
    if (started) {
        WaitForSingleObject(child.hProcess, 60000);
        GetExitCodeProcess(child.hProcess, &status);
        CloseHandle(child.hThread);
        CloseHandle(child.hProcess);
    }
    if (had)
        (void)RegSetKeyValueA(HKEY_CURRENT_USER, desktop, "LogPixels", REG_DWORD, &saved, sizeof saved);
    else
        (void)RegDeleteKeyValueA(HKEY_CURRENT_USER, desktop, "LogPixels");
    ASSERT_TRUE(started) << GetLastError();
    EXPECT_EQ(status, 0u) << "the dialog at 150 % (its failures are above)";
}

}  // namespace
