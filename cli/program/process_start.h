#pragma once
// What both console programs do before anything else, since a task may run them as SYSTEM from
// a folder that is not theirs alone and nobody watches them: no system error box (a script or a
// task must never wait on a box, not even the system's own), and every DLL loaded later looked
// for in System32 only, never in the program's folder or the current one.
#include <windows.h>

void StartProcessSafely();

// The error mode the programs run in: no critical-error box, no box for a fault, no box for a
// file that cannot be opened.
constexpr UINT kProgramErrorMode = SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX;
