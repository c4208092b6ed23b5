#pragma once
// The devices command: the tuner and receiver devices the system lists, and which of them the
// tool would use, decided as its own search decides, after waiting as the other commands wait:
// for the tuner as long as --timeout allows, and for a receiver not listed yet as the graph's
// builds do, then as long as --timeout allows.
#include "cli/options/command_line.h"
#include "cli/commands/patience.h"
#include "cli/console/reporter.h"

// Exit status kExitSuccess when the tool would find both the card's tuner and its receiver,
// kExitNoCard (with the reason on standard error) when it would not.
int RunDevices(const CtlRequest& request, Reporter& reporter, Clock& clock);
