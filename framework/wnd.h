#pragma once
// The window wrapper: an object that stands for one window handle, with the few window
// operations the program uses.
#include <windows.h>

#include "framework/message_map.h"

class CDataExchange;

class CWnd : public CCmdTarget {
public:
    CWnd() = default;
    ~CWnd() override = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND GetSafeHwnd() const { return m_hWnd; }

    // Destroys the window; the handle is cleared when the window is gone.
    virtual BOOL DestroyWindow();

    // A message box owned by this window.
    int MessageBox(LPCSTR text, LPCSTR caption = nullptr, UINT type = MB_OK);

    // Dialog-data exchange: towards the controls (FALSE) or from them (TRUE).
    BOOL UpdateData(BOOL saveAndValidate = TRUE);
    virtual void DoDataExchange(CDataExchange* dx);

    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    void SetDlgItemText(int id, LPCSTR text) { (void)::SetDlgItemTextA(m_hWnd, id, text); }
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
    {
        return ::SendMessageA(m_hWnd, message, wParam, lParam);
    }
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
    {
        return ::PostMessageA(m_hWnd, message, wParam, lParam);
    }
    HICON SetIcon(HICON icon, BOOL bigIcon)
    {
        return reinterpret_cast<HICON>(
            SendMessage(WM_SETICON, bigIcon ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(icon)));
    }
    BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
    // Centres the window on its owner when that is visible and not minimised, otherwise in the
    // work area of the monitor of the application's main window (the primary monitor when there
    // is none), and keeps it inside that monitor's work area.
    void CenterWindow();

    HWND m_hWnd = nullptr;

protected:
    // From inside a handler: let the window's default processing run for this message too.
    void Default() { m_bDefaultProcessing = true; }
    bool m_bDefaultProcessing = false;
};
