#pragma once
// The process-wide application object. Exactly one exists, constructed during static
// initialisation; its title is the caption of the application's message boxes.
#include <windows.h>

class CWnd;

class CWinApp {
public:
    // With no name, the title is the executable's file name without directory and extension.
    explicit CWinApp(LPCSTR appName = nullptr);
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    LPCSTR m_pszAppName;
    CWnd* m_pMainWnd = nullptr;

private:
    char m_title[MAX_PATH] = {};
};

// The application object, or null before it exists (and in programs without one).
CWinApp* AfxGetApp();

// The application title: the application object's, or else the module's file name without
// directory and extension.
LPCSTR AfxGetAppTitle();
