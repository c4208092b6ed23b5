#include "framework/win_app.h"

#include "framework/module_title.h"

namespace {
CWinApp* g_pApp = nullptr;
}  // namespace

CWinApp::CWinApp(LPCSTR appName)
{
    if (appName)
        lstrcpynA(m_title, appName, MAX_PATH);
    else
        ModuleTitle(m_title);
    m_pszAppName = m_title;
    g_pApp = this;
}

CWinApp::~CWinApp()
{
    if (g_pApp == this)
        g_pApp = nullptr;
}

BOOL CWinApp::InitInstance()
{
    return TRUE;
}

int CWinApp::ExitInstance()
{
    return 0;
}

int CWinApp::Run()
{
    MSG msg;
    BOOL got;
    while ((got = ::GetMessageA(&msg, nullptr, 0, 0)) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    (void)ExitInstance();
    return got == 0 ? static_cast<int>(msg.wParam) : -1;
}

const CMessageMap* CWinApp::GetMessageMap() const
{
    return nullptr;
}

void CWinApp::SetRegistryKey(LPCSTR key)
{
    lstrcpynA(m_registryKey, key, MAX_PATH);
    m_pszRegistryKey = m_registryKey;
}

void CWinApp::OnHelp()
{
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

void AfxEnableControlContainer()
{
}
