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

void CWnd::CenterWindow()
{
    HWND centre = ::GetWindow(m_hWnd, GW_OWNER);
    if (centre) {
        const LONG_PTR style = ::GetWindowLongPtrA(centre, GWL_STYLE);
        if (!(style & WS_VISIBLE) || (style & WS_MINIMIZE))
            centre = nullptr;
    }
    RECT window = {};
    if (!::GetWindowRect(m_hWnd, &window))
        return;
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    RECT around = {};
    if (centre) {
        if (!::GetWindowRect(centre, &around) ||
            !::GetMonitorInfoA(::MonitorFromWindow(centre, MONITOR_DEFAULTTONEAREST), &monitor))
            return;
    } else {
        CWnd* main = AfxGetApp() ? AfxGetApp()->m_pMainWnd : nullptr;
        HMONITOR home = ::MonitorFromWindow(main ? main->m_hWnd : nullptr, MONITOR_DEFAULTTOPRIMARY);
        if (!::GetMonitorInfoA(home, &monitor))
            return;
        around = monitor.rcWork;
    }
    const RECT& area = monitor.rcWork;
    const int width = window.right - window.left;
    const int height = window.bottom - window.top;
    int x = (around.left + around.right) / 2 - width / 2;
    int y = (around.top + around.bottom) / 2 - height / 2;
    // Inside the work area; one larger than it keeps its top left corner (and caption) there.
    if (x + width > area.right)
        x = area.right - width;
    if (x < area.left)
        x = area.left;
    if (y + height > area.bottom)
        y = area.bottom - height;
    if (y < area.top)
        y = area.top;
    (void)::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
