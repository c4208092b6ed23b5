#include "framework/message_box.h"

#include "framework/win_app.h"
#include "framework/wnd.h"
#include "platform/system_services.h"

int AfxMessageBox(LPCSTR text, UINT type, UINT /*helpContext: no help file*/)
{
    CWinApp* app = AfxGetApp();
    HWND owner = app && app->m_pMainWnd ? app->m_pMainWnd->GetSafeHwnd() : nullptr;
    if ((type & MB_TYPEMASK) == MB_OK && (type & MB_ICONMASK) == 0)
        type |= MB_ICONEXCLAMATION;
    return Services().ShowMessageBox(owner, text, AfxGetAppTitle(), type);
}
