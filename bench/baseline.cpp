// The floor the tool's timings are measured against: a minimal dialog that does the start-up
// work the tool must do before its own (common controls and COM initialised the same way),
// pauses 1000 ms before it shows (as the tool does before its probe), fills two fields, and ends
// 1000 ms after its button is clicked (as the tool does after a write), ending COM as the tool's
// teardown does. What the tool takes beyond this is what it adds.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "bench/baseline_resource.h"

namespace {

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        SetDlgItemTextA(dialog, IDC_FIELD_A, "DVB-T/T2");
        SetDlgItemTextA(dialog, IDC_FIELD_B, "DVB-S/S2");
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_CLICK || LOWORD(wParam) == IDCANCEL) {
            if (LOWORD(wParam) == IDC_CLICK)
                Sleep(1000);
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
    (void)InitCommonControlsEx(&controls);
    (void)CoInitializeEx(nullptr, COINIT_MULTITHREADED | COINIT_SPEED_OVER_MEMORY);
    Sleep(1000);
    const INT_PTR result = DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_BASELINE), nullptr, DialogProc, 0);
    CoUninitialize();
    return result == IDC_CLICK ? 0 : 1;
}
