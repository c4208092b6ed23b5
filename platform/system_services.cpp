#include "platform/system_services.h"

#include <objbase.h>

namespace {
SystemServices g_windowsServices;
SystemServices* g_pServices = &g_windowsServices;
}  // namespace

HRESULT SystemServices::CreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context,
                                       REFIID iid, void** ppv)
{
    return ::CoCreateInstance(clsid, outer, context, iid, ppv);
}

BSTR SystemServices::AllocString(const OLECHAR* text)
{
    return ::SysAllocString(text);
}

void SystemServices::Sleep(DWORD milliseconds)
{
    ::Sleep(milliseconds);
}

void SystemServices::DebugOutput(const char* text)
{
    ::OutputDebugStringA(text);
}

int SystemServices::ShowMessageBox(HWND owner, const char* text, const char* caption, UINT type)
{
    return ::MessageBoxA(owner, text, caption, type);
}

SystemServices& Services()
{
    return *g_pServices;
}

ScopedSystemServices::ScopedSystemServices(SystemServices& replacement)
    : m_pPrevious(g_pServices)
{
    g_pServices = &replacement;
}

ScopedSystemServices::~ScopedSystemServices()
{
    g_pServices = m_pPrevious;
}
