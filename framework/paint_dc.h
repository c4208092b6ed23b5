#pragma once
// The device context of one WM_PAINT: begun on construction, ended on destruction.
#include "framework/wnd.h"

class CPaintDC {
public:
    explicit CPaintDC(CWnd* wnd) : m_hWnd(wnd->m_hWnd), m_hDC(::BeginPaint(m_hWnd, &m_ps)) {}
    ~CPaintDC() { ::EndPaint(m_hWnd, &m_ps); }
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;

private:
    HWND m_hWnd;
    PAINTSTRUCT m_ps = {};

public:
    HDC m_hDC;
};
