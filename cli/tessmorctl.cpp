#include "cli/tessmorctl.h"

#include <new>

#include "cli/command_line.h"
#include "cli/console_services.h"
#include "cli/device_listing.h"
#include "cli/exit_status.h"
#include "cli/help_text.h"
#include "cli/mode_commands.h"

int RunTessmorCtl(const std::vector<std::wstring>& arguments, ConsoleStreams& streams)
{
    CtlRequest request;
    std::wstring reason;
    const bool understood = ParseCommandLine(arguments, request, reason);
    Reporter reporter(streams, understood && request.verbose);
    if (!understood) {
        reporter.Error(reason);
        PrintShortUsage(streams);
        return kExitUsage;
    }

    // From here on every message box of the program is a line on standard error.
    ConsoleServices services(Services(), reporter);
    ScopedSystemServices scope(services);
    switch (request.command) {
    case CtlCommand::Help:
        PrintHelp(streams);
        return kExitSuccess;
    case CtlCommand::Version:
        PrintVersion(streams);
        return kExitSuccess;
    case CtlCommand::List:
        PrintModeList(streams);
        return kExitSuccess;
    case CtlCommand::Devices:
        return RunDevices(reporter);
    case CtlCommand::Set:
        return RunSet(request, reporter);
    case CtlCommand::Get:
        break;
    }
    return RunGet(reporter);
}

int RunTessmorCtlMain(int argc, wchar_t** argv, ConsoleStreams& streams)
{
    try {
        const std::vector<std::wstring> arguments(argv + (argc > 0 ? 1 : 0), argv + (argc > 0 ? argc : 0));
        return RunTessmorCtl(arguments, streams);
    } catch (const std::bad_alloc&) {
        streams.Err(L"tessmorctl: out of memory");
        return kExitReadWriteFailed;
    }
}
