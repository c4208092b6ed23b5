#include "cli/program/tessmorctl.h"

#include <new>

#include "cli/task/autostart_command.h"
#include "cli/options/command_line.h"
#include "cli/console/console_services.h"
#include "cli/commands/device_listing.h"
#include "cli/console/exit_status.h"
#include "cli/program/help_text.h"
#include "cli/commands/mode_commands.h"
#include "cli/program/program_signature.h"
#include "cli/console/run_log.h"
#include "cli/console/stop_logging.h"
#include "cli/console/text.h"

namespace {

// The arguments as a command line would give them: quoted where they hold a blank or are empty.
std::wstring CommandLineOf(const std::wstring& program, const std::vector<std::wstring>& arguments)
{
    std::wstring line = program;
    for (const std::wstring& argument : arguments) {
        const bool quote = argument.empty() || argument.find_first_of(L" \t") != std::wstring::npos;
        line += quote ? Concat({" \"", argument, "\""}) : Concat({" ", argument});
    }
    return line;
}

int RunRequest(const CtlRequest& request, ConsoleStreams& streams, Clock& clock)
{
    Reporter reporter(streams, request.verbose, request.quiet, request.json);
    // From here on every message box of the program is a line on standard error.
    ConsoleServices services(Services(), reporter);
    ScopedSystemServices scope(services);
    switch (request.command) {
    case CtlCommand::Help:
        PrintHelp(streams);
        return kExitSuccess;
    case CtlCommand::Version:
        PrintVersion(streams, request.json, JudgeSignature(CheckProgramSignature()));
        return kExitSuccess;
    case CtlCommand::List:
        PrintModeList(reporter);
        return kExitSuccess;
    case CtlCommand::Devices:
        return RunDevices(request, reporter, clock);
    case CtlCommand::Set:
        return RunSet(request, reporter, clock);
    case CtlCommand::Autostart:
        return RunAutostart(request, reporter);
    case CtlCommand::Get:
        break;
    }
    return RunGet(request, reporter, clock);
}

// The run once the log, if any, is open: a refused request is told here.
int RunUnderstood(bool understood, const CtlRequest& request, const std::wstring& reason,
                  ConsoleStreams& streams, Clock& clock)
{
    if (!understood) {
        Reporter(streams, false).Error(reason);
        PrintShortUsage(streams);
        return kExitUsage;
    }
    return RunRequest(request, streams, clock);
}

}  // namespace

int RunTessmorCtl(const std::vector<std::wstring>& arguments, ConsoleStreams& streams)
{
    ProgramClock clock;
    return RunTessmorCtl(arguments, streams, clock, CommandLineOf(L"tessmorctl", arguments));
}

int RunTessmorCtl(const std::vector<std::wstring>& arguments, ConsoleStreams& streams, Clock& clock,
                  const std::wstring& commandLine)
{
    CtlRequest request;
    std::wstring reason;
    const bool understood = ParseCommandLine(arguments, request, reason);
    if (!request.log)
        return RunUnderstood(understood, request, reason, streams, clock);

    // The log is opened before anything else is done, so that a log that cannot be kept
    // stops the run before the card is touched.
    RunLog log;
    std::wstring problem;
    if (!log.Open(request.logFile, commandLine, problem)) {
        Reporter(streams, false).Error(Concat({"the log ", QuotedWhole(request.logFile), " ", problem}));
        return kExitUsage;
    }
    StopLogging stopping(log);
    LoggedStreams logged(streams, log);
    const int status = RunUnderstood(understood, request, reason, logged, clock);
    log.Close(status);
    return status;
}

int RunTessmorCtlMain(int argc, wchar_t** argv, ConsoleStreams& streams, const wchar_t* commandLine)
{
    try {
        const std::vector<std::wstring> arguments(argv + (argc > 0 ? 1 : 0), argv + (argc > 0 ? argc : 0));
        ProgramClock clock;
        const std::wstring line = commandLine ? std::wstring(commandLine)
                                              : CommandLineOf(argc > 0 ? argv[0] : L"tessmorctl", arguments);
        return RunTessmorCtl(arguments, streams, clock, line);
    } catch (const std::bad_alloc&) {
        streams.Err(L"tessmorctl: out of memory");
        return kExitReadWriteFailed;
    }
}
