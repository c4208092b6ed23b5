#pragma once
// The commands room: what uses the card (get, set, devices), the session with the graph
// that they share, the cards' numbers and names, COM's start, patience and the restart of a
// service. It uses the options and console rooms, graph/ and modes/.
//
// The commands that use the card: get and set.
#include "cli/options/command_line.h"
#include "cli/console/program_clock.h"
#include "cli/console/reporter.h"

// Prints both tuners' current modes; the exit status.
int RunGet(const CtlRequest& request, Reporter& reporter, Clock& clock);
// Reads both modes and writes the request's pair in one Set, the kept tuners' modes taken from
// that read, unless both are already set (or --dry-run asks only what would be written); with
// --wait, waits for the card to switch and reads both modes back until they are the ones
// written or the time allowed is up. The exit status.
int RunSet(const CtlRequest& request, Reporter& reporter, Clock& clock);
