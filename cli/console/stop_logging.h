#pragma once
// A run with a log that is stopped from outside says so in the log before it ends: Ctrl+C,
// Ctrl+Break, its console being closed, logoff and shutdown each write "stopped (the reason)" as
// the log's last line. The run then ends as Windows ends it; nothing is undone or waited for, as
// a task's time limit does not wait either. A program without a console is never told.
#include <windows.h>

#include "cli/console/run_log.h"

class StopLogging {
public:
    // Watches for the console's control events while it lives; one at a time in a process.
    explicit StopLogging(RunLog& log);
    ~StopLogging();
    StopLogging(const StopLogging&) = delete;
    StopLogging& operator=(const StopLogging&) = delete;

    // The reason told for a console control event, or null for an event that does not stop a run.
    static const wchar_t* Reason(DWORD event);
    // What the console's handler does with an event: the reason logged, then false, so that the
    // system's own handler ends the run as it would have.
    static BOOL WINAPI OnControl(DWORD event);
};
