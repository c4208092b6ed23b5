#pragma once
// The commands that use the card: get and set.
#include "cli/command_line.h"
#include "cli/reporter.h"

// Prints both tuners' current modes; the exit status.
int RunGet(Reporter& reporter);
// Writes the request's pair in one Set, after taking the kept tuners' modes from the card;
// with --wait, waits for the card to switch and reads both modes back. The exit status.
int RunSet(const CtlRequest& request, Reporter& reporter);
