#pragma once
// tessmorctl's fixed texts: the help, the short usage shown after a usage error, the version and
// the list of modes.
#include "cli/console_streams.h"

void PrintHelp(ConsoleStreams& streams);
void PrintShortUsage(ConsoleStreams& streams);  // on standard error
void PrintVersion(ConsoleStreams& streams);
void PrintModeList(ConsoleStreams& streams);
