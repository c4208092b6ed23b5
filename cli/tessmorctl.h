#pragma once
// tessmorctl as a whole, given its arguments (without the program's name) and its streams: what
// main runs, and what the tests run in-process.
#include <string>
#include <vector>

#include "cli/console_streams.h"

// The exit status (cli/exit_status.h).
int RunTessmorCtl(const std::vector<std::wstring>& arguments, ConsoleStreams& streams);
