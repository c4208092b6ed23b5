#include "framework/data_exchange.h"

#include "framework/wnd.h"

void DDX_Control(CDataExchange* dx, int id, CWnd& control)
{
    if (!control.m_hWnd)
        control.m_hWnd = dx->m_pDlgWnd->GetDlgItem(id);
}
