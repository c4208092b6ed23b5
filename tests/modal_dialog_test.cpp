// The framework's modal loop with a dialog of its own, under Wine.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "framework/dialog.h"
#include "framework/win_app.h"
#include "import_patch.h"
#include "window_placement.h"

namespace {

constexpr UINT kTemplate = 1;

// Notes whether its window could be seen while it ran and when its destruction began, which
// for the program's dialog is where the tuner graph is torn down.
class WatchedDialog : public CDialog {
public:
    explicit WatchedDialog(CWnd* parent = nullptr) : CDialog(kTemplate, parent) {}

    BOOL DestroyWindow() override
    {
        ++destructions;
        visibleAtDestruction = ::IsWindowVisible(m_hWnd) != FALSE;
        return CDialog::DestroyWindow();
    }

    int destructions = 0;
    bool visibleWhileRunning = false;
    bool visibleAtDestruction = true;
};

WatchedDialog* g_pDialog = nullptr;

void CALLBACK PressEsc(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    g_pDialog->visibleWhileRunning = ::IsWindowVisible(g_pDialog->m_hWnd) != FALSE;
    PostMessageA(g_pDialog->m_hWnd, WM_KEYDOWN, VK_ESCAPE, 0);
}

void CALLBACK GiveUp(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    ADD_FAILURE() << "the dialog did not end";
    g_pDialog->EndDialog(-2);
}

TEST(ModalDialog, LeavesTheScreenWhenItEndsBeforeItsWindowIsDestroyed)
{
    WatchedDialog dialog;
    g_pDialog = &dialog;
    const UINT_PTR esc = SetTimer(nullptr, 0, 10, PressEsc);
    const UINT_PTR giveUp = SetTimer(nullptr, 0, 20000, GiveUp);

    EXPECT_EQ(dialog.DoModal(), IDCANCEL);

    KillTimer(nullptr, esc);
    KillTimer(nullptr, giveUp);
    g_pDialog = nullptr;
    EXPECT_TRUE(dialog.visibleWhileRunning);
    EXPECT_EQ(dialog.destructions, 1);
    EXPECT_FALSE(dialog.visibleAtDestruction);
    EXPECT_EQ(dialog.m_hWnd, nullptr);
}

// Runs a dialog with one step done from its loop shortly after it is up; a watchdog ends it
// (and fails the test) if it does not end by itself.
template <class Dialog>
INT_PTR RunWithStep(Dialog& dialog, TIMERPROC step)
{
    g_pDialog = &dialog;
    const UINT_PTR first = SetTimer(nullptr, 0, 50, step);
    const UINT_PTR giveUp = SetTimer(nullptr, 0, 20000, GiveUp);
    const INT_PTR result = dialog.DoModal();
    KillTimer(nullptr, first);
    KillTimer(nullptr, giveUp);
    g_pDialog = nullptr;
    return result;
}

DWORD WINAPI SendCancel(void* window)
{
    (void)SendMessageA(static_cast<HWND>(window), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    return 0;
}

HANDLE g_hSender = nullptr;

void CALLBACK CancelFromAnotherThread(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    g_hSender = CreateThread(nullptr, 0, SendCancel, g_pDialog->m_hWnd, 0, nullptr);
}

TEST(ModalDialog, EndsWhenAnotherThreadSendsItsCancelCommand)
{
    // A message sent from another thread is handled inside GetMessage, which does not return
    // for it: ending the dialog there must still wake the loop, or it would wait for the next
    // message that happens to come.
    WatchedDialog dialog;
    EXPECT_EQ(RunWithStep(dialog, CancelFromAnotherThread), IDCANCEL);
    ASSERT_NE(g_hSender, nullptr);
    EXPECT_EQ(WaitForSingleObject(g_hSender, 10000), WAIT_OBJECT_0);
    CloseHandle(g_hSender);
    g_hSender = nullptr;
    EXPECT_EQ(dialog.destructions, 1);
}

void CALLBACK Quit(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    PostQuitMessage(3);
}

TEST(ModalDialog, AQuitMessageEndsItWithoutAResultAndIsLeftForTheOuterLoop)
{
    WatchedDialog dialog;
    EXPECT_EQ(RunWithStep(dialog, Quit), -1);
    EXPECT_EQ(dialog.destructions, 1);
    EXPECT_EQ(dialog.m_hWnd, nullptr);
    MSG quit;
    ASSERT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(quit.wParam, 3u);
}

HWND g_hOwner = nullptr;
bool g_ownerEnabledWhileRunning = true;

void CALLBACK NoteTheOwnerThenPressEsc(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    g_ownerEnabledWhileRunning = ::IsWindowEnabled(g_hOwner) != FALSE;
    PostMessageA(g_pDialog->m_hWnd, WM_KEYDOWN, VK_ESCAPE, 0);
}

TEST(ModalDialog, KeepsItsOwnerDisabledWhileItRunsAndGivesBackOnlyWhatItTook)
{
    CWnd owner;
    owner.m_hWnd = CreateWindowExA(0, "STATIC", "owner", WS_POPUP | WS_VISIBLE, 0, 0, 60, 40, nullptr,
                                   nullptr, nullptr, nullptr);
    ASSERT_NE(owner.m_hWnd, nullptr);
    g_hOwner = owner.m_hWnd;
    {
        WatchedDialog dialog(&owner);
        EXPECT_EQ(RunWithStep(dialog, NoteTheOwnerThenPressEsc), IDCANCEL);
        EXPECT_FALSE(g_ownerEnabledWhileRunning);
        EXPECT_TRUE(IsWindowEnabled(owner.m_hWnd));
    }
    // An owner that was disabled before stays disabled.
    EnableWindow(owner.m_hWnd, FALSE);
    {
        WatchedDialog dialog(&owner);
        EXPECT_EQ(RunWithStep(dialog, NoteTheOwnerThenPressEsc), IDCANCEL);
        EXPECT_FALSE(IsWindowEnabled(owner.m_hWnd));
    }
    g_hOwner = nullptr;
    EXPECT_TRUE(DestroyWindow(owner.m_hWnd));
    owner.m_hWnd = nullptr;
}

// A dialog that answers WM_QUERYDRAGICON through its message map.
class IconDialog : public WatchedDialog {
public:
    const CMessageMap* GetMessageMap() const override
    {
        static const MessageMap<IconDialog> map(CDialog::GetMessageMap(),
                                                {DragIconEntry(&IconDialog::OnQueryDragIcon)});
        return &map;
    }
    HCURSOR OnQueryDragIcon() { return icon; }

    HICON icon = LoadIconA(nullptr, MAKEINTRESOURCEA(32512) /* IDI_APPLICATION */);
    LRESULT answered = 0;
};

// A step that sends the running dialog one message, keeps the answer in the dialog, and ends it.
template <class Dialog, UINT message>
void CALLBACK AskThenEnd(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    auto* dialog = static_cast<Dialog*>(g_pDialog);
    dialog->answered = SendMessageA(dialog->m_hWnd, message, 0, 0);
    dialog->EndDialog(IDOK);
}

TEST(ModalDialog, TheDragIconIsTheAnswerItselfNotAMessageResult)
{
    IconDialog dialog;
    ASSERT_NE(dialog.icon, nullptr);
    EXPECT_EQ(RunWithStep(dialog, AskThenEnd<IconDialog, WM_QUERYDRAGICON>), IDOK);
    EXPECT_EQ(dialog.answered, reinterpret_cast<LRESULT>(dialog.icon));
}

struct ListContents {
    LRESULT listCount = -1, comboCount = -1;
    char first[16] = {}, second[16] = {}, combo[16] = {};
} g_lists;

void CALLBACK ReadTheLists(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    HWND dialog = g_pDialog->m_hWnd;
    g_lists.listCount = SendDlgItemMessageA(dialog, 100, LB_GETCOUNT, 0, 0);
    g_lists.comboCount = SendDlgItemMessageA(dialog, 101, CB_GETCOUNT, 0, 0);
    SendDlgItemMessageA(dialog, 100, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(g_lists.first));
    SendDlgItemMessageA(dialog, 100, LB_GETTEXT, 1, reinterpret_cast<LPARAM>(g_lists.second));
    SendDlgItemMessageA(dialog, 101, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(g_lists.combo));
    g_pDialog->EndDialog(IDOK);
}

TEST(ModalDialog, ItsListsAreFilledFromTheTemplatesInitialisationData)
{
    WatchedDialog dialog;
    EXPECT_EQ(RunWithStep(dialog, ReadTheLists), IDOK);
    EXPECT_EQ(g_lists.listCount, 3);  // the last entry is the empty text
    EXPECT_STREQ(g_lists.first, "first");
    EXPECT_STREQ(g_lists.second, "second");
    EXPECT_EQ(g_lists.comboCount, 1);
    EXPECT_STREQ(g_lists.combo, "combo");
}

// Where a modal dialog opens: a test's owner (or none) and what the dialog does to itself while
// it initialises.
struct Placement {
    const char* what;
    bool owned;
    RECT ownerRect;     // in screen coordinates
    bool ownerVisible;
    int moves;          // the axes along which it moves itself to kOwnPlace while it initialises
};

enum { kStays = 0, kMovesAcross = 1, kMovesDown = 2, kMovesBoth = kMovesAcross | kMovesDown };
const POINT kOwnPlace = {37, 41};

class PlacedDialog : public WatchedDialog {
public:
    PlacedDialog(CWnd* owner, int moves) : WatchedDialog(owner), m_moves(moves) {}
    BOOL OnInitDialog() override
    {
        const BOOL focus = WatchedDialog::OnInitDialog();
        RECT start = {};
        GetWindowRect(m_hWnd, &start);
        startedAt = {start.left, start.top};
        if (m_moves)
            SetWindowPos(m_hWnd, nullptr, m_moves & kMovesAcross ? kOwnPlace.x : start.left,
                         m_moves & kMovesDown ? kOwnPlace.y : start.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        return focus;
    }
    POINT startedAt = {};  // where the template put it

private:
    int m_moves;
};

RECT g_shownAt = {};
bool g_centredAsExpected = false;
RECT g_expectedCentre = {};

void CALLBACK NoteWhereItIsThenEnd(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    GetWindowRect(g_pDialog->m_hWnd, &g_shownAt);
    g_centredAsExpected = IsCentredOn(g_pDialog->m_hWnd, g_expectedCentre);
    g_pDialog->EndDialog(IDOK);
}

// Every monitor's work area smaller than the monitor, as taskbars at the left and at the bottom
// leave it, for the scope of a test: Wine's work area is the whole screen, where a framework that
// centred on the screen would pass for one that centres in the work area.
class SmallerWorkArea {
public:
    SmallerWorkArea() : m_patch("user32.dll", "GetMonitorInfoA", reinterpret_cast<const void*>(&Shrunk))
    {
        EXPECT_TRUE(m_patch.Installed());
        s_original = m_patch.Original<decltype(&GetMonitorInfoA)>();
    }

private:
    static BOOL WINAPI Shrunk(HMONITOR monitor, LPMONITORINFO info)
    {
        if (!s_original(monitor, info))
            return FALSE;
        info->rcWork.left += 64;
        info->rcWork.bottom -= 40;
        return TRUE;
    }

    ScopedImportPatch m_patch;
    static decltype(&GetMonitorInfoA) s_original;
};
decltype(&GetMonitorInfoA) SmallerWorkArea::s_original = nullptr;

TEST(ModalDialog, OpensCentredOnAVisibleOwnerElseInTheWorkAreaUnlessItPlacedItself)
{
    const SmallerWorkArea taskbars;
    const RECT area = PrimaryWorkArea();
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    ASSERT_TRUE(GetMonitorInfoA(MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY), &monitor));
    ASSERT_FALSE(EqualRect(&area, &monitor.rcMonitor)) << "the work area must differ from the screen";
    const RECT ownerRect = {area.left + 20, area.top + 30, area.left + 420, area.top + 330};
    // An owner in the corner would put half the dialog outside the work area.
    const RECT cornerOwner = {area.left - 200, area.top - 200, area.left + 10, area.top + 10};
    const Placement placements[] = {
        {"no owner", false, {}, false, kStays},
        {"a visible owner", true, ownerRect, true, kStays},
        {"a hidden owner", true, ownerRect, false, kStays},
        {"an owner in the corner", true, cornerOwner, true, kStays},
        {"moved itself, no owner", false, {}, false, kMovesBoth},
        {"moved itself, a visible owner", true, ownerRect, true, kMovesBoth},
        {"moved itself across only", false, {}, false, kMovesAcross},
        {"moved itself down only", false, {}, false, kMovesDown},
    };
    for (const Placement& placement : placements) {
        SCOPED_TRACE(placement.what);
        CWnd owner;
        if (placement.owned) {
            const RECT& r = placement.ownerRect;
            owner.m_hWnd = CreateWindowExA(0, "STATIC", "owner", WS_POPUP | (placement.ownerVisible ? WS_VISIBLE : 0),
                                           r.left, r.top, r.right - r.left, r.bottom - r.top, nullptr,
                                           nullptr, nullptr, nullptr);
            ASSERT_NE(owner.m_hWnd, nullptr);
        }
        PlacedDialog dialog(placement.owned ? &owner : nullptr, placement.moves);
        g_expectedCentre = placement.owned && placement.ownerVisible ? placement.ownerRect : area;
        g_shownAt = {};
        EXPECT_EQ(RunWithStep(dialog, NoteWhereItIsThenEnd), IDOK);
        const RECT shown = g_shownAt;
        ASSERT_GT(shown.right - shown.left, 0);

        if (placement.moves) {
            // Where it put itself, and where the template put it along the other axis.
            EXPECT_EQ(shown.left, placement.moves & kMovesAcross ? kOwnPlace.x : dialog.startedAt.x);
            EXPECT_EQ(shown.top, placement.moves & kMovesDown ? kOwnPlace.y : dialog.startedAt.y);
        } else if (placement.ownerRect.left == cornerOwner.left) {
            EXPECT_EQ(shown.left, area.left);
            EXPECT_EQ(shown.top, area.top);
        } else {
            EXPECT_TRUE(g_centredAsExpected);
        }
        if (!placement.moves) {
            EXPECT_GE(shown.left, area.left);
            EXPECT_GE(shown.top, area.top);
            EXPECT_LE(shown.right, area.right);
            EXPECT_LE(shown.bottom, area.bottom);
        }
        if (owner.m_hWnd) {
            EXPECT_TRUE(DestroyWindow(owner.m_hWnd));
            owner.m_hWnd = nullptr;
        }
    }
}

// A dialog whose handler for one message lets a second message in before it returns, as a
// handler that opens a message box does (a WM_PAINT arrives under the box). Either may ask for
// default processing; that answer is its message's alone.
class NestingDialog : public WatchedDialog {
public:
    const CMessageMap* GetMessageMap() const override
    {
        static const MessageMap<NestingDialog> map(
            CDialog::GetMessageMap(),
            {MessageEntry(WM_GETTEXTLENGTH, &NestingDialog::OnOuter), MessageEntry(WM_APP, &NestingDialog::OnNested)});
        return &map;
    }
    void OnOuter()
    {
        if (outerWantsDefault)
            Default();
        (void)SendMessage(WM_APP);
    }
    void OnNested()
    {
        if (nestedWantsDefault)
            Default();
    }

    bool outerWantsDefault = false, nestedWantsDefault = false;
    LRESULT answered = -1;
};

TEST(ModalDialog, AMessageHandledInsideAnothersHandlerDoesNotDecideTheOuterOnesDefault)
{
    const LRESULT captionLength = LRESULT(std::strlen("Modal loop"));  // what default processing answers
    for (bool outer : {false, true}) {
        for (bool nested : {false, true}) {
            SCOPED_TRACE(std::string("outer asks for default: ") + (outer ? "yes" : "no") +
                         ", nested asks: " + (nested ? "yes" : "no"));
            NestingDialog dialog;
            dialog.outerWantsDefault = outer;
            dialog.nestedWantsDefault = nested;
            EXPECT_EQ(RunWithStep(dialog, AskThenEnd<NestingDialog, WM_GETTEXTLENGTH>), IDOK);
            EXPECT_EQ(dialog.answered, outer ? captionLength : 0);
        }
    }
}

class CountingApp : public CWinApp {
public:
    CountingApp() : CWinApp("Framework test") {}
    int ExitInstance() override
    {
        ++exits;
        return CWinApp::ExitInstance();
    }
    int exits = 0;
};

TEST(WinApp, RunDispatchesUntilQuitThenExitsWithTheQuitCode)
{
    {
        CountingApp gone;
        EXPECT_EQ(AfxGetApp(), &gone);
    }
    EXPECT_EQ(AfxGetApp(), nullptr) << "an application object outlived";

    CountingApp app;
    EXPECT_EQ(AfxGetApp(), &app);
    EXPECT_STREQ(AfxGetAppTitle(), "Framework test");
    ASSERT_TRUE(PostThreadMessageA(GetCurrentThreadId(), WM_USER, 0, 0));
    PostQuitMessage(5);
    EXPECT_EQ(app.Run(), 5);
    EXPECT_EQ(app.exits, 1);
    MSG left;
    EXPECT_FALSE(PeekMessageA(&left, nullptr, 0, 0, PM_REMOVE)) << "message " << left.message << " left behind";
}

std::vector<WPARAM> g_characters;

LRESULT CALLBACK TypingTarget(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CHAR) {
        g_characters.push_back(wParam);
        PostQuitMessage(0);
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void CALLBACK NoCharacterCame(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    PostQuitMessage(9);
}

TEST(WinApp, ItsLoopTurnsKeysIntoCharacters)
{
    CountingApp app;
    WNDCLASSA type = {};
    type.lpfnWndProc = TypingTarget;
    type.hInstance = GetModuleHandleA(nullptr);
    type.lpszClassName = "TypingTarget";
    ASSERT_NE(RegisterClassA(&type), 0);
    HWND target = CreateWindowExA(0, type.lpszClassName, "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  type.hInstance, nullptr);
    ASSERT_NE(target, nullptr);
    const LPARAM firstPress = MAKELPARAM(1, MapVirtualKeyA('A', MAPVK_VK_TO_VSC));
    ASSERT_TRUE(PostMessageA(target, WM_KEYDOWN, 'A', firstPress));
    const UINT_PTR giveUp = SetTimer(nullptr, 0, 3000, NoCharacterCame);

    EXPECT_EQ(app.Run(), 0) << "no character came of the key";
    EXPECT_EQ(g_characters, std::vector<WPARAM>{'a'});

    KillTimer(nullptr, giveUp);
    EXPECT_TRUE(DestroyWindow(target));
    EXPECT_TRUE(UnregisterClassA(type.lpszClassName, type.hInstance));
    g_characters.clear();
}

}  // namespace
