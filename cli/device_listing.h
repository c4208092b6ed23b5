#pragma once
// The devices command: the tuner and receiver devices the system lists, and which of them the
// tool would use, decided as its own search decides.
#include "cli/reporter.h"

// Exit status kExitSuccess when the tool would find both the card's tuner and its receiver,
// kExitNoCard (with the reason on standard error) when it would not.
int RunDevices(Reporter& reporter);
