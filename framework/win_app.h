#pragma once
// The process-wide application object. Exactly one exists, constructed during static
// initialisation; the program's entry point runs it. Its title is the caption of the
// application's message boxes.
#include <windows.h>

#include "framework/message_map.h"

class CWnd;

class CWinApp : public CCmdTarget {
public:
    // With no name, the title is the executable's file name without directory and extension.
    explicit CWinApp(LPCSTR appName = nullptr);
    ~CWinApp() override;
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // Called once by the entry point. FALSE ends the application at once; TRUE runs the
    // application's message loop until WM_QUIT.
    virtual BOOL InitInstance();
    virtual int ExitInstance();
    int Run();

    const CMessageMap* GetMessageMap() const override;

    // Names the registry key under which the application would keep its settings.
    void SetRegistryKey(LPCSTR key);
    // The help command: there is no help file, so there is nothing to show.
    void OnHelp();

    LPCSTR m_pszAppName;
    LPCSTR m_pszRegistryKey = nullptr;
    HINSTANCE m_hInstance = nullptr;
    CWnd* m_pMainWnd = nullptr;

private:
    char m_title[MAX_PATH] = {};
    char m_registryKey[MAX_PATH] = {};
};

// The application object, or null before it exists (and in programs without one).
CWinApp* AfxGetApp();

// The application title: the application object's, or else the module's file name without
// directory and extension.
LPCSTR AfxGetAppTitle();

// Prepares the program to contain OLE controls: the program has none, so there is nothing to do.
void AfxEnableControlContainer();
