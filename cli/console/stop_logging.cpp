#include "cli/console/stop_logging.h"

namespace {

// The log of the run being watched. The console calls its handlers on a thread of its own,
// with nothing but the event: the handler can reach the log only from here.
RunLog* g_watchedLog = nullptr;

}  // namespace

StopLogging::StopLogging(RunLog& log)
{
    g_watchedLog = &log;
    // Without a console the handler is never called; a failure to add it changes nothing else.
    const BOOL added = ::SetConsoleCtrlHandler(OnControl, TRUE);
    (void)added;
}

StopLogging::~StopLogging()
{
    const BOOL removed = ::SetConsoleCtrlHandler(OnControl, FALSE);
    (void)removed;
    g_watchedLog = nullptr;
}

const wchar_t* StopLogging::Reason(DWORD event)
{
    switch (event) {
    case CTRL_C_EVENT:
        return L"Ctrl+C";
    case CTRL_BREAK_EVENT:
        return L"Ctrl+Break";
    case CTRL_CLOSE_EVENT:
        return L"its console was closed";
    case CTRL_LOGOFF_EVENT:
        return L"logoff";
    case CTRL_SHUTDOWN_EVENT:
        return L"shutdown";
    default:
        return nullptr;
    }
}

BOOL WINAPI StopLogging::OnControl(DWORD event)
{
    const wchar_t* reason = Reason(event);
    if (reason && g_watchedLog)
        g_watchedLog->Stop(reason);
    return FALSE;
}
