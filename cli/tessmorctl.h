#pragma once
// tessmorctl as a whole, given its arguments (without the program's name) and its streams: what
// main runs, and what the tests run in-process.
#include <string>
#include <vector>

#include "cli/console_streams.h"

// The exit status (cli/exit_status.h).
int RunTessmorCtl(const std::vector<std::wstring>& arguments, ConsoleStreams& streams);

// What main runs: its arguments as the system gives them (the program's name first). Running out
// of memory anywhere ends the run with a failed-run status and one line on standard error, never
// with a fault.
int RunTessmorCtlMain(int argc, wchar_t** argv, ConsoleStreams& streams);
