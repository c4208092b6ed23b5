#include "program_user.h"

#include "framework/wnd.h"
#include "ui/resource.h"

namespace {

CTessmorApp* g_pApp = nullptr;
bool g_gaveUp = false;

HWND MainWindow()
{
    return g_pApp && g_pApp->m_pMainWnd ? g_pApp->m_pMainWnd->m_hWnd : nullptr;
}

void CALLBACK UseTheDialog(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    HWND dialog = MainWindow();
    if (!dialog)
        return;
    for (int list : {IDC_TUNER_A_SETTING, IDC_TUNER_B_SETTING}) {
        HWND box = GetDlgItem(dialog, list);
        SendMessageA(box, CB_SETCURSEL, list == IDC_TUNER_A_SETTING ? 3 : 6, 0);
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(list, CBN_SELCHANGE), reinterpret_cast<LPARAM>(box));
    }
    SendMessageA(GetDlgItem(dialog, IDC_WRITE), BM_CLICK, 0, 0);
    if (MainWindow() && IsWindow(dialog))
        PostMessageA(dialog, WM_KEYDOWN, VK_ESCAPE, 0);
}

void CALLBACK GiveUp(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    g_gaveUp = true;
    if (HWND dialog = MainWindow())
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
}

}  // namespace

bool RunTheProgramWithAWrite(CTessmorApp& app)
{
    g_pApp = &app;
    g_gaveUp = false;
    const UINT_PTR use = SetTimer(nullptr, 0, 10, UseTheDialog);
    const UINT_PTR giveUp = SetTimer(nullptr, 0, 20000, GiveUp);

    (void)app.InitInstance();

    KillTimer(nullptr, use);
    KillTimer(nullptr, giveUp);
    g_pApp = nullptr;
    return !g_gaveUp && app.m_pMainWnd == nullptr;
}
