// The framework's modal loop with a dialog of its own, under Wine.
#include <gtest/gtest.h>

#include "framework/dialog.h"

namespace {

constexpr UINT kTemplate = 1;

// Notes whether its window could be seen while it ran and when its destruction began, which
// for the program's dialog is where the tuner graph is torn down.
class WatchedDialog : public CDialog {
public:
    WatchedDialog() : CDialog(kTemplate) {}

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

}  // namespace
