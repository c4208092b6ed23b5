#pragma once
// tessmorctl's fixed texts: the help, the short usage shown after a usage error, the version and
// the list of modes.
#include "cli/console_streams.h"
#include "cli/reporter.h"

void PrintHelp(ConsoleStreams& streams);
void PrintShortUsage(ConsoleStreams& streams);  // on standard error
void PrintVersion(ConsoleStreams& streams);
// As text lines or, with --json, as {"modes":[{"code":1,"name":"DVB-T/T2","aliases":[...],
// "supported":true},...]}.
void PrintModeList(Reporter& reporter);
