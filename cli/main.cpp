// tessmorctl's entry point: a console program, given its arguments as UTF-16 text.
#include <windows.h>

#include "cli/console_streams.h"
#include "cli/tessmorctl.h"

int wmain(int argc, wchar_t** argv)
{
    // A script must never wait on a box, the system's own included: no critical-error box and
    // no box for a fault.
    (void)::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    StandardStreams streams(::GetStdHandle(STD_OUTPUT_HANDLE), ::GetStdHandle(STD_ERROR_HANDLE),
                            StandardStreams::ConsoleCodePage());
    return RunTessmorCtlMain(argc, argv, streams, ::GetCommandLineW());
}
