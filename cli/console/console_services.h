#pragma once
// tessmorctl's table of system services, installed for the whole run: the table in force when
// it is made still creates objects, allocates texts and pauses, but every message box the graph
// would show becomes one line on standard error, and with --verbose every debugger line is
// echoed there too. No box, and so no window, is ever shown: a script must never wait on one.
#include "cli/console/reporter.h"
#include "platform/system_services.h"

class ConsoleServices : public SystemServices {
public:
    ConsoleServices(SystemServices& inner, Reporter& reporter) : m_inner(inner), m_reporter(reporter) {}

    HRESULT CreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid,
                           void** ppv) override
    {
        return m_inner.CreateInstance(clsid, outer, context, iid, ppv);
    }
    BSTR AllocString(const OLECHAR* text) override { return m_inner.AllocString(text); }
    void Sleep(DWORD milliseconds) override { m_inner.Sleep(milliseconds); }
    void DebugOutput(const char* text) override;
    // Answers OK, the only button the program's boxes have.
    int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT type) override;

private:
    SystemServices& m_inner;
    Reporter& m_reporter;
};
