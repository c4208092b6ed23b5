#include "framework/wnd.h"

#include "framework/data_exchange.h"
#include "framework/win_app.h"
#include "platform/system_services.h"

BOOL CWnd::DestroyWindow()
{
    if (!m_hWnd)
        return FALSE;
    return ::DestroyWindow(m_hWnd);
}

int CWnd::MessageBox(LPCSTR text, LPCSTR caption, UINT type)
{
    return Services().ShowMessageBox(m_hWnd, text, caption ? caption : AfxGetAppTitle(), type);
}

BOOL CWnd::UpdateData(BOOL saveAndValidate)
{
    CDataExchange dx(this, saveAndValidate);
    DoDataExchange(&dx);
    return TRUE;
}

void CWnd::DoDataExchange(CDataExchange*)
{
}
