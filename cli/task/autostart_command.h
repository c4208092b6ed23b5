#pragma once
// The task room: the autostart command and all it needs, the task's definition, XML and
// scheduler, the account, the device-start trigger, the program's copy and the folders it is
// kept in, and command-line quoting. It uses the commands, options and console rooms.
//
// tessmorctl autostart: the task that keeps the modes, registered, shown and removed through
// the Task Scheduler. Each user of a PC has a task of their own, named by their security id,
// that runs tessmorctlw.exe from the folder tessmorctl is in at their logon (and, with --resume,
// on resume from sleep); with --system, one task for the PC runs it as SYSTEM at system start.
#include "cli/options/command_line.h"
#include "cli/console/reporter.h"

// The exit status.
int RunAutostart(const CtlRequest& request, Reporter& reporter);

// The task's name for the user with this security id, or for the system.
std::wstring AutostartTaskName(const std::wstring& sid, bool system);
