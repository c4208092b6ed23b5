#pragma once
// How many windows the process that loaded the simulated card owns, sampled whenever the card
// is used: top-level windows, visible or not, and message-only windows. The report left at
// unload holds the most seen, so that a test can tell a program that made windows from one
// that made none.
#include <windows.h>

namespace WindowWatch {

// Counts the process's windows now and keeps the count if it is the most so far.
void Sample();
DWORD Most();

}  // namespace WindowWatch
