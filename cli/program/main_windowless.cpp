// tessmorctlw's entry point: tessmorctl built for the Windows subsystem, for tasks and scripts
// that must not show anything. Windows gives it no console, so nothing flashes at logon and no
// window can be closed under a run; what tessmorctl prints goes only to --log, and nowhere
// without it. Everything else, the arguments and the exit statuses included, is tessmorctl's.
#include <windows.h>

#include <stdlib.h>

#include "cli/console/console_streams.h"
#include "cli/program/process_start.h"
#include "cli/program/tessmorctl.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    StartProcessSafely();
    // Windows shows the started program's pointer as busy until the program first looks for a
    // message; this one never shows a window, so it looks at once. No window is made for it.
    MSG message;
    (void)::PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);
    NoStreams streams;
    // The arguments as the runtime splits them for tessmorctl.exe, so that both read a command
    // line alike.
    return RunTessmorCtlMain(__argc, __wargv, streams, ::GetCommandLineW());
}
