#pragma once
// The one table of system services that the program reaches through an indirection, so that a
// test can stand in for the platform: object creation, pauses, debugger output and message boxes.
// The default entries call Windows. Everything else the program uses from the platform is called
// directly; what it relies on from each service is noted beside the service below.
#include <windows.h>
#include <commctrl.h>
#include <oleauto.h>

class SystemServices {
public:
    virtual ~SystemServices() = default;

    // COM object creation, as CoCreateInstance. Relied on: a failure result leaves *ppv null;
    // a success hands over exactly one new reference. Device enumerators, graph managers,
    // stock filters, the tuning model's objects and network providers all come from here.
    virtual HRESULT CreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid,
                                   void** ppv);

    // A new COM text (BSTR), as SysAllocString; null when memory is exhausted.
    virtual BSTR AllocString(const OLECHAR* text);

    // Registers the common-control classes that the structure names, as InitCommonControlsEx.
    // Its default lies apart (common_controls.cpp): a program that makes no window links
    // windowless_controls.cpp instead, and so never imports the common-controls library.
    virtual BOOL InitCommonControls(const INITCOMMONCONTROLSEX& controls);

    // A blocking pause of the calling (user-interface) thread, as Sleep.
    virtual void Sleep(DWORD milliseconds);

    // One diagnostic line to the debugger, as OutputDebugStringA; there is no other log.
    virtual void DebugOutput(const char* text);

    // Every message box, as MessageBoxA: owner window (or none), text, caption and type.
    virtual int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT type);
};

// The table in force: the Windows defaults unless a test has installed its own.
SystemServices& Services();

// Installs a table for the lifetime of this object and restores the previous one afterwards.
class ScopedSystemServices {
public:
    explicit ScopedSystemServices(SystemServices& replacement);
    ~ScopedSystemServices();
    ScopedSystemServices(const ScopedSystemServices&) = delete;
    ScopedSystemServices& operator=(const ScopedSystemServices&) = delete;

private:
    SystemServices* m_pPrevious;
};
