#include "cli/commands/service_restart.h"

#include <windows.h>

#include "cli/console/exit_status.h"
#include "cli/console/text.h"
#include "platform/system_services.h"

namespace {

constexpr DWORD kPollMilliseconds = 500;

class ServiceHandle {
public:
    explicit ServiceHandle(SC_HANDLE handle) : m_handle(handle) {}
    ~ServiceHandle()
    {
        if (m_handle)
            (void)::CloseServiceHandle(m_handle);
    }
    ServiceHandle(const ServiceHandle&) = delete;
    ServiceHandle& operator=(const ServiceHandle&) = delete;
    SC_HANDLE Get() const { return m_handle; }

private:
    SC_HANDLE m_handle;
};

std::wstring Named(const std::wstring& name)
{
    return Concat({"the service ", QuotedWhole(name)});
}

// What to do when the rights are missing, or another failure.
std::wstring Advice(DWORD error, const std::wstring& name)
{
    if (error == ERROR_ACCESS_DENIED)
        return Ascii("restarting a service needs an administrator's rights: run from an elevated prompt, or let the "
               "task that runs as SYSTEM (autostart enable --system) restart it");
    return Concat({"restart it by hand: services.msc, or net stop ", QuotedWhole(name), " and net start ",
                   QuotedWhole(name)});
}

int NotRestarted(Reporter& reporter, const std::wstring& what, DWORD error, const std::wstring& name)
{
    reporter.Error(Concat({what, " (error ", Decimal(error), "); the modes were written all the same"}));
    reporter.Error(Advice(error, name));
    return kExitServiceNotRestarted;
}

}  // namespace

std::wstring ServiceRefusal(const std::wstring& name)
{
    const ServiceHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager.Get())
        return Concat({"the service manager cannot be asked about ", Named(name), " (error ", Decimal(::GetLastError()),
                       ")"});
    const ServiceHandle service(::OpenServiceW(manager.Get(), name.c_str(), SERVICE_QUERY_STATUS));
    if (service.Get())
        return {};
    const DWORD error = ::GetLastError();
    if (error == ERROR_SERVICE_DOES_NOT_EXIST || error == ERROR_INVALID_NAME)
        return Concat({Named(name), " does not exist: give the service's name (its key name, as services.msc shows "
                                     "under \"Service name\")"});
    // Rights to query only are missing: the restart tells what to do.
    return error == ERROR_ACCESS_DENIED ? std::wstring()
                                        : Concat({"the service manager cannot open ", Named(name), " (error ",
                                                      Decimal(error), ")"});
}

int RestartService(const std::wstring& name, Reporter& reporter)
{
    const ServiceHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager.Get())
        return NotRestarted(reporter, L"the service manager cannot be reached", ::GetLastError(), name);
    const ServiceHandle service(
        ::OpenServiceW(manager.Get(), name.c_str(), SERVICE_QUERY_STATUS | SERVICE_STOP | SERVICE_START));
    if (!service.Get())
        return NotRestarted(reporter, Concat({Named(name), " cannot be opened to be restarted"}), ::GetLastError(),
                            name);
    SERVICE_STATUS status = {};
    if (!::QueryServiceStatus(service.Get(), &status))
        return NotRestarted(reporter, Concat({Named(name), " cannot be asked how it is"}), ::GetLastError(), name);
    if (status.dwCurrentState == SERVICE_STOPPED) {
        reporter.Result(Concat({"The service ", QuotedWhole(name), " is not running: it was not restarted."}));
        return kExitSuccess;
    }
    reporter.Step(Concat({"stopping ", Named(name)}));
    if (!::ControlService(service.Get(), SERVICE_CONTROL_STOP, &status) &&
        ::GetLastError() != ERROR_SERVICE_NOT_ACTIVE)
        return NotRestarted(reporter, Concat({Named(name), " could not be stopped"}), ::GetLastError(), name);
    for (DWORD waited = 0; status.dwCurrentState != SERVICE_STOPPED; waited += kPollMilliseconds) {
        if (waited >= kServiceStopSeconds * 1000) {
            reporter.Error(Concat({Named(name), " did not stop within ", Decimal(kServiceStopSeconds),
                                   " seconds; the modes were written all the same"}));
            reporter.Error(Advice(ERROR_TIMEOUT, name));
            return kExitServiceNotRestarted;
        }
        Services().Sleep(kPollMilliseconds);
        if (!::QueryServiceStatus(service.Get(), &status))
            return NotRestarted(reporter, Concat({Named(name), " cannot be asked how it is"}), ::GetLastError(), name);
    }
    reporter.Step(Concat({"starting ", Named(name)}));
    if (!::StartServiceW(service.Get(), 0, nullptr))
        return NotRestarted(reporter, Concat({Named(name), " was stopped but could not be started again"}),
                            ::GetLastError(), name);
    reporter.Result(Concat({"Restarted the service ", QuotedWhole(name), "."}));
    return kExitSuccess;
}
