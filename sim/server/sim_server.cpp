// The simulated platform as a COM server: Wine loads it for the card's devices and for the
// stock BDA classes it lacks, so that the real Tessmor.exe runs without the card. It is meant
// for a private Wine prefix only and refuses to register anywhere else.
#include <windows.h>
#include <olectl.h>

#include <string>

#include "platform/com_ptr.h"
#include "sim/server/sim_classes.h"
#include "sim/server/sim_registry.h"
#include "sim/server/window_watch.h"
#include "sim/sim_object.h"

namespace {

HMODULE g_module = nullptr;

class ClassFactory : public SimObject<IClassFactory> {
public:
    explicit ClassFactory(const SimServerClass& served) : m_served(served) {}

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        WindowWatch::Sample();
        if (outer)
            return CLASS_E_NOAGGREGATION;
        ComPtr<IUnknown> object;
        object.Attach(m_served.make());
        if (!object)
            return CLASS_E_CLASSNOTAVAILABLE;  // not there in this scenario
        return object->QueryInterface(iid, ppv);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

private:
    const SimServerClass& m_served;
};

bool RunningUnderWine()
{
    HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
    return ntdll && ::GetProcAddress(ntdll, "wine_get_version");
}

// HKCR is HKLM\Software\Classes in the prefix.
const char kClasses[] = "Software\\Classes\\CLSID\\";

bool SetText(const std::string& key, const char* name, const std::string& value)
{
    HKEY created = nullptr;
    if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                          &created, nullptr) != ERROR_SUCCESS)
        return false;
    const bool ok = ::RegSetValueExA(created, name, 0, REG_SZ,
                                     reinterpret_cast<const BYTE*>(value.c_str()),
                                     static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
    ::RegCloseKey(created);
    return ok;
}

std::string DeviceKey(const SimServerClass& served)
{
    return kClasses + SimRegistry::GuidText(*served.deviceCategory) + "\\Instance\\" + SimRegistry::GuidText(served.clsid);
}

void Refuse(const char* why)
{
    ::OutputDebugStringA(why);
    DWORD written = 0;
    (void)::WriteFile(::GetStdHandle(STD_ERROR_HANDLE), why, lstrlenA(why), &written, nullptr);
}

// What the test wants to know after each run: whether everything was released, and released
// while COM was still up, and how many windows the program had while it used the card.
void Report()
{
    SimRegistry::WriteNumber(SimRegistry::kReport, "WindowsSeen", WindowWatch::Most());
    SimRegistry::WriteNumber(SimRegistry::kReport, "LiveObjects",
                             static_cast<DWORD>(SimLiveObjects::Count()));
    SimRegistry::WriteNumber(SimRegistry::kReport, "ReleasesWithoutCom",
                             static_cast<DWORD>(SimLiveObjects::ReleasesWithoutCom()));
    SimRegistry::WriteNumber(SimRegistry::kReport, "CaptureRefusals",
                             static_cast<DWORD>(SimCaptureRefusals()));
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        ::DisableThreadLibraryCalls(instance);
        SimLiveObjects::WatchApartment(true);
    } else if (reason == DLL_PROCESS_DETACH) {
        Report();
    }
    return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    for (const SimServerClass& served : SimServerClasses()) {
        if (served.clsid != clsid)
            continue;
        ComPtr<IClassFactory> factory;
        factory.Attach(new ClassFactory(served));
        return factory->QueryInterface(iid, ppv);
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow()
{
    return SimLiveObjects::Count() == 0 ? S_OK : S_FALSE;
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer()
{
    if (!RunningUnderWine()) {
        Refuse("TessmorSim.dll: refusing to register: the simulated card and its stand-ins for "
               "stock system classes belong in a private Wine prefix, never on Windows.\n");
        return SELFREG_E_CLASS;
    }
    char path[MAX_PATH] = {};
    if (!::GetModuleFileNameA(g_module, path, MAX_PATH))
        return SELFREG_E_CLASS;
    for (const SimServerClass& served : SimServerClasses()) {
        const std::string key = kClasses + SimRegistry::GuidText(served.clsid);
        if (!SetText(key, nullptr, served.name) || !SetText(key + "\\InprocServer32", nullptr, path) ||
            !SetText(key + "\\InprocServer32", "ThreadingModel", "Both"))
            return SELFREG_E_CLASS;
        if (served.deviceCategory) {
            char name[128] = {};
            ::WideCharToMultiByte(CP_ACP, 0, served.friendlyName, -1, name, sizeof name, nullptr, nullptr);
            if (!SetText(DeviceKey(served), "FriendlyName", name) ||
                !SetText(DeviceKey(served), "CLSID", SimRegistry::GuidText(served.clsid)) ||
                (served.devicePath && !SetText(DeviceKey(served), "DevicePath", served.devicePath)))
                return SELFREG_E_CLASS;
        }
    }
    return S_OK;
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer()
{
    if (!RunningUnderWine())
        return SELFREG_E_CLASS;
    for (const SimServerClass& served : SimServerClasses()) {
        const std::string key = kClasses + SimRegistry::GuidText(served.clsid);
        (void)::RegDeleteTreeA(HKEY_LOCAL_MACHINE, key.c_str());
        (void)::RegDeleteKeyA(HKEY_LOCAL_MACHINE, key.c_str());
        if (served.deviceCategory) {
            (void)::RegDeleteTreeA(HKEY_LOCAL_MACHINE, DeviceKey(served).c_str());
            (void)::RegDeleteKeyA(HKEY_LOCAL_MACHINE, DeviceKey(served).c_str());
        }
    }
    return S_OK;
}
