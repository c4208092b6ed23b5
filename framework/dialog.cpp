#include "framework/dialog.h"

#include <cstring>

#include "framework/win_app.h"

namespace {

// Dialog-init data, the resource type that lists the strings to put into a dialog's list
// controls: records of control id, message, data length and data, ended by a zero id.
const LPCSTR RT_DLGINIT_DATA = MAKEINTRESOURCEA(240);
// Messages as the resource compiler writes them (16-bit numbering) and their 32-bit meaning.
constexpr WORD kInitAddComboString = 0x0403;
constexpr WORD kInitAddListString = 0x0401;

}  // namespace

CDialog::CDialog(UINT templateId, CWnd* parent) : m_nIDTemplate(templateId), m_pParentWnd(parent)
{
}

CDialog::~CDialog()
{
    if (m_hWnd) {
        // Destroyed without its window having ended: take the window down without the
        // dialog's own teardown (the derived part of the object is already gone).
        ::SetWindowLongPtrA(m_hWnd, DWLP_USER, 0);
        ::DestroyWindow(m_hWnd);
        m_hWnd = nullptr;
    }
}

INT_PTR CDialog::DoModal()
{
    const HINSTANCE module = ::GetModuleHandleA(nullptr);
    HRSRC found = ::FindResourceA(module, MAKEINTRESOURCEA(m_nIDTemplate), MAKEINTRESOURCEA(5));
    HGLOBAL loaded = found ? ::LoadResource(module, found) : nullptr;
    auto dialogTemplate = static_cast<LPCDLGTEMPLATEA>(loaded ? ::LockResource(loaded) : nullptr);
    if (!dialogTemplate)
        return -1;

    m_bEnded = false;
    m_nModalResult = -1;
    HWND parent = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
    const bool parentWasEnabled = parent && ::IsWindowEnabled(parent);
    if (parentWasEnabled)
        ::EnableWindow(parent, FALSE);

    if (::CreateDialogIndirectParamA(module, dialogTemplate, parent, DialogProc,
                                     reinterpret_cast<LPARAM>(this))) {
        MSG msg;
        while (!m_bEnded && m_hWnd) {
            const BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
            if (got == 0) {
                ::PostQuitMessage(static_cast<int>(msg.wParam));  // for the outer loop
                break;
            }
            if (got < 0)
                break;
            if (!::IsDialogMessageA(m_hWnd, &msg)) {
                ::TranslateMessage(&msg);
                ::DispatchMessageA(&msg);
            }
        }
    }
    // An ended dialog leaves the screen at once, before the parent comes back: what its own
    // destruction does may take a moment, and the window must not linger meanwhile.
    if (m_hWnd) {
        (void)::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                             SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (parentWasEnabled)
        ::EnableWindow(parent, TRUE);
    if (m_hWnd)
        (void)DestroyWindow();
    return m_nModalResult;
}

void CDialog::EndDialog(int result)
{
    m_nModalResult = result;
    m_bEnded = true;
    if (m_hWnd)
        (void)PostMessage(WM_NULL);  // wakes the modal loop
}

BOOL CDialog::OnInitDialog()
{
    ExecuteDlgInit();
    (void)UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

void CDialog::CentreUnlessPlaced(const RECT& before, LONG_PTR styleBefore)
{
    // A modal dialog opens centred, unless its initialisation showed or moved it, it is a child,
    // it has an owner that still takes input (so it is not modal to it), or its template asks
    // the dialog manager to place it (which then already did).
    if (styleBefore & WS_VISIBLE)
        return;
    const LONG_PTR style = ::GetWindowLongPtrA(m_hWnd, GWL_STYLE);
    if (style & (WS_VISIBLE | WS_CHILD))
        return;
    if (style & (DS_CENTER | DS_CENTERMOUSE | DS_ABSALIGN))
        return;
    RECT now = {};
    if (!::GetWindowRect(m_hWnd, &now) || now.left != before.left || now.top != before.top)
        return;
    HWND owner = ::GetWindow(m_hWnd, GW_OWNER);
    if (owner && ::IsWindowEnabled(owner))
        return;
    CenterWindow();
}

void CDialog::ExecuteDlgInit()
{
    const HINSTANCE module = ::GetModuleHandleA(nullptr);
    HRSRC found = ::FindResourceA(module, MAKEINTRESOURCEA(m_nIDTemplate), RT_DLGINIT_DATA);
    if (!found)
        return;
    HGLOBAL loaded = ::LoadResource(module, found);
    auto data = static_cast<const BYTE*>(loaded ? ::LockResource(loaded) : nullptr);
    const DWORD size = ::SizeofResource(module, found);
    if (!data)
        return;

    // Every read stays inside the resource: a malformed record ends the list.
    DWORD at = 0;
    while (at + sizeof(WORD) <= size) {
        WORD id;
        std::memcpy(&id, data + at, sizeof id);
        if (id == 0 || at + 2 * sizeof(WORD) + sizeof(DWORD) > size)
            break;
        WORD message;
        DWORD length;
        std::memcpy(&message, data + at + 2, sizeof message);
        std::memcpy(&length, data + at + 4, sizeof length);
        at += 8;
        if (length > size - at)
            break;
        const char* text = reinterpret_cast<const char*>(data + at);
        if (length > 0 && text[length - 1] == '\0') {
            const UINT add = message == kInitAddComboString  ? CB_ADDSTRING
                             : message == kInitAddListString ? LB_ADDSTRING
                                                             : message;
            (void)::SendDlgItemMessageA(m_hWnd, id, add, 0, reinterpret_cast<LPARAM>(text));
        }
        at += length;
    }
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        auto* dialog = reinterpret_cast<CDialog*>(lParam);
        ::SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
        dialog->m_hWnd = hwnd;
        RECT placed = {};
        (void)::GetWindowRect(hwnd, &placed);
        const LONG_PTR style = ::GetWindowLongPtrA(hwnd, GWL_STYLE);
        const BOOL setFocus = dialog->OnInitDialog();
        if (dialog->m_hWnd == hwnd)
            dialog->CentreUnlessPlaced(placed, style);
        return setFocus;
    }
    auto* dialog = reinterpret_cast<CDialog*>(::GetWindowLongPtrA(hwnd, DWLP_USER));
    if (!dialog)
        return FALSE;
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrA(hwnd, DWLP_USER, 0);
        dialog->m_hWnd = nullptr;
        CWinApp* app = AfxGetApp();
        if (app && app->m_pMainWnd == dialog)
            app->m_pMainWnd = nullptr;
        return FALSE;
    }
    return dialog->OnDialogMessage(message, wParam, lParam);
}

INT_PTR CDialog::OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    // A handler may open a message box, whose loop dispatches further messages to this dialog
    // before the handler returns: each message's wish for default processing is its own.
    const bool outerWantsDefault = m_bDefaultProcessing;
    m_bDefaultProcessing = false;
    LRESULT result = 0;
    const CMessageMap* map = GetMessageMap();
    const bool handled = map && map->Dispatch(this, message, wParam, lParam, result);
    const bool wantsDefault = m_bDefaultProcessing;
    m_bDefaultProcessing = outerWantsDefault;
    if (handled) {
        if (wantsDefault)
            return FALSE;
        if (message == WM_QUERYDRAGICON)
            return static_cast<INT_PTR>(result);  // returned directly by a dialog procedure
        ::SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, result);
        return TRUE;
    }
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        switch (LOWORD(wParam)) {
        case IDOK:
            OnOK();
            return TRUE;
        case IDCANCEL:
            OnCancel();
            return TRUE;
        default:
            break;
        }
        // Commands the dialog does not handle go to the application.
        CWinApp* app = AfxGetApp();
        const CMessageMap* appMap = app ? app->GetMessageMap() : nullptr;
        if (appMap && appMap->Dispatch(app, message, wParam, lParam, result))
            return TRUE;
    }
    return FALSE;
}
