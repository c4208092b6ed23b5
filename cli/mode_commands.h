#pragma once
// The commands that use the card: get and set.
#include "cli/command_line.h"
#include "cli/program_clock.h"
#include "cli/reporter.h"

// Prints both tuners' current modes; the exit status.
int RunGet(const CtlRequest& request, Reporter& reporter, Clock& clock);
// Reads both modes and writes the request's pair in one Set, the kept tuners' modes taken from
// that read, unless both are already set (or --dry-run asks only what would be written); with
// --wait, waits for the card to switch and reads both modes back until they are the ones
// written or the time allowed is up. The exit status.
int RunSet(const CtlRequest& request, Reporter& reporter, Clock& clock);
