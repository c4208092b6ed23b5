// tessmorctl's entry point: a console program, given its arguments as UTF-16 text.
#include <windows.h>

#include "cli/console/console_streams.h"
#include "cli/program/process_start.h"
#include "cli/program/tessmorctl.h"

int wmain(int argc, wchar_t** argv)
{
    StartProcessSafely();
    StandardStreams streams(::GetStdHandle(STD_OUTPUT_HANDLE), ::GetStdHandle(STD_ERROR_HANDLE),
                            StandardStreams::ConsoleCodePage());
    return RunTessmorCtlMain(argc, argv, streams, ::GetCommandLineW());
}
