#include "framework/win_app.h"

#include <cstring>

#include "framework/module_title.h"

namespace {
CWinApp* g_pApp = nullptr;
}  // namespace

CWinApp::CWinApp(LPCSTR appName)
{
    if (appName) {
        lstrcpynA(m_title, appName, MAX_PATH);
    } else {
        ModuleTitle(m_title);
    }
    m_pszAppName = m_title;
    g_pApp = this;
}

CWinApp::~CWinApp()
{
    if (g_pApp == this)
        g_pApp = nullptr;
}

CWinApp* AfxGetApp()
{
    return g_pApp;
}

LPCSTR AfxGetAppTitle()
{
    if (g_pApp)
        return g_pApp->m_pszAppName;
    static char title[MAX_PATH];
    if (!title[0])
        ModuleTitle(title);
    return title;
}
