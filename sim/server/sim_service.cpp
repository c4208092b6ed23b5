// TessmorSimService: a Windows service of the simulated PC that stands for a TV server, so that
// --restart-service can be tried end to end under Wine's service manager. It does nothing but
// count, in the simulated platform's registry, each time it is started and each time it is
// stopped (HKLM\Software\TessmorSim\Service, Starts and Stops), and it stops when told: at once,
// or, as a TV server that closes its recordings first, after the StopMilliseconds that key names,
// saying all that time that it is stopping.
#include <windows.h>

#include "sim/server/sim_registry.h"

namespace {

wchar_t g_name[] = L"TessmorSimService";
SERVICE_STATUS_HANDLE g_status = nullptr;
HANDLE g_stop = nullptr;

DWORD StopMilliseconds()
{
    return SimRegistry::ReadNumber(SimRegistry::kService, "StopMilliseconds", 0);
}

void Report(DWORD state)
{
    SERVICE_STATUS status = {};
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
    status.dwWaitHint = state == SERVICE_STOP_PENDING ? StopMilliseconds() + 1000 : 0;
    (void)SetServiceStatus(g_status, &status);
}

DWORD WINAPI OnControl(DWORD control, DWORD, void*, void*)
{
    if (control == SERVICE_CONTROL_STOP) {
        Report(SERVICE_STOP_PENDING);
        (void)SetEvent(g_stop);
    }
    return NO_ERROR;
}

void WINAPI ServiceMain(DWORD, wchar_t**)
{
    g_status = RegisterServiceCtrlHandlerExW(g_name, OnControl, nullptr);
    if (!g_status)
        return;
    g_stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    SimRegistry::WriteNumber(SimRegistry::kService, "Starts",
                             SimRegistry::ReadNumber(SimRegistry::kService, "Starts", 0) + 1);
    Report(SERVICE_RUNNING);
    (void)WaitForSingleObject(g_stop, INFINITE);
    Sleep(StopMilliseconds());
    SimRegistry::WriteNumber(SimRegistry::kService, "Stops",
                             SimRegistry::ReadNumber(SimRegistry::kService, "Stops", 0) + 1);
    (void)CloseHandle(g_stop);
    Report(SERVICE_STOPPED);
}

}  // namespace

int main()
{
    SERVICE_TABLE_ENTRYW services[] = {{g_name, ServiceMain}, {nullptr, nullptr}};
    return StartServiceCtrlDispatcherW(services) ? 0 : 1;
}
