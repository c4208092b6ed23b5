#pragma once
// Dialog-data exchange: binds control wrappers to the dialog's controls.
#include <windows.h>

class CWnd;

class CDataExchange {
public:
    CDataExchange(CWnd* dialog, BOOL saveAndValidate)
        : m_bSaveAndValidate(saveAndValidate), m_pDlgWnd(dialog)
    {
    }

    BOOL m_bSaveAndValidate;
    CWnd* m_pDlgWnd;
};

// Binds the wrapper to the dialog's control with the id, once.
void DDX_Control(CDataExchange* dx, int id, CWnd& control);
