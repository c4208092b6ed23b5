// The framework's modal loop with a dialog of its own, under Wine.
#include <gtest/gtest.h>

#include <vector>

#include "framework/dialog.h"
#include "framework/win_app.h"

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

void CALLBACK AskForTheDragIcon(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    auto* dialog = static_cast<IconDialog*>(g_pDialog);
    dialog->answered = SendMessageA(dialog->m_hWnd, WM_QUERYDRAGICON, 0, 0);
    dialog->EndDialog(IDOK);
}

TEST(ModalDialog, TheDragIconIsTheAnswerItselfNotAMessageResult)
{
    IconDialog dialog;
    ASSERT_NE(dialog.icon, nullptr);
    EXPECT_EQ(RunWithStep(dialog, AskForTheDragIcon), IDOK);
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
