#pragma once
// tessmorctl's fixed texts: the help, the short usage shown after a usage error, the version and
// the list of modes.
#include "cli/console/console_streams.h"
#include "cli/console/reporter.h"

struct ProgramSignature;

void PrintHelp(ConsoleStreams& streams);
void PrintShortUsage(ConsoleStreams& streams);  // on standard error
// The version, then whether this copy is validly signed and by whom; with --json as one object:
// {"program":"tessmorctl","version":"1.0.0.1","signature":"valid",...} (see program_signature.h).
void PrintVersion(ConsoleStreams& streams, bool json, const ProgramSignature& signature);
// As text lines or, with --json, as {"modes":[{"code":1,"name":"DVB-T/T2","aliases":[...],
// "supported":true},...]}.
void PrintModeList(Reporter& reporter);
