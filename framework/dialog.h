#pragma once
// A modal dialog made from a dialog template among the module's resources. DoModal creates the
// dialog window itself and runs its own message loop, so that when the dialog ends the dialog
// object's own (virtual) DestroyWindow runs, with whatever the dialog does there; the window is
// hidden by then.
#include <windows.h>

#include "framework/wnd.h"

class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId, CWnd* parent = nullptr);
    ~CDialog() override;

    // Creates the dialog, runs it until EndDialog, hides and then destroys it; returns
    // EndDialog's result, or -1 when the dialog could not be created.
    virtual INT_PTR DoModal();
    void EndDialog(int result);

    // Fills the controls from the template's dialog-init data, then exchanges data towards the
    // controls. TRUE: the dialog manager sets the initial focus.
    virtual BOOL OnInitDialog();
    // Enter (the default button): data from the controls, then IDOK.
    virtual void OnOK();
    // Esc, the system menu's close, the Cancel button: IDCANCEL.
    virtual void OnCancel();

protected:
    // The dialog's painting when a handler leaves it to the framework.
    void OnPaint() { Default(); }
    void OnLButtonDown(UINT, POINT) { Default(); }

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void ExecuteDlgInit();
    // After initialisation: centres the dialog as a modal dialog opens, given where it stood
    // and its style before.
    void CentreUnlessPlaced(const RECT& before, LONG_PTR styleBefore);

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;
    bool m_bEnded = false;
    int m_nModalResult = -1;
};
