#pragma once
// The program room, at the top: the two programs' entry points, what they do at start, the
// dispatch to the commands, and the help, version and mode-list texts. It may use every other
// room; nothing includes it but the entry points and the tests.
//
// tessmorctl as a whole, given its arguments (without the program's name) and its streams: what
// main runs, and what the tests run in-process.
#include <string>
#include <vector>

#include "cli/console/console_streams.h"
#include "cli/console/program_clock.h"

// The exit status (cli/console/exit_status.h). Time is counted on the clock given (the
// program's own by default); the command line is what --log records ("tessmorctl" and the
// arguments when none is given).
int RunTessmorCtl(const std::vector<std::wstring>& arguments, ConsoleStreams& streams);
int RunTessmorCtl(const std::vector<std::wstring>& arguments, ConsoleStreams& streams, Clock& clock,
                  const std::wstring& commandLine);

// What main runs: its arguments as the system gives them (the program's name first), and the
// whole command line as the process was started with it. Running out of memory anywhere ends
// the run with a failed-run status and one line on standard error, never with a fault.
int RunTessmorCtlMain(int argc, wchar_t** argv, ConsoleStreams& streams, const wchar_t* commandLine = nullptr);
