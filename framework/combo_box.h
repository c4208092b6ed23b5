#pragma once
// A combo-box control of a dialog.
#include "framework/wnd.h"

class CComboBox : public CWnd {
public:
    int GetCurSel() { return static_cast<int>(SendMessage(CB_GETCURSEL)); }
    int SetCurSel(int index) { return static_cast<int>(SendMessage(CB_SETCURSEL, index)); }
    int GetCount() { return static_cast<int>(SendMessage(CB_GETCOUNT)); }
    int AddString(LPCSTR text)
    {
        return static_cast<int>(SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)));
    }
};
