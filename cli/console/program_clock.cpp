#include "cli/console/program_clock.h"

namespace {

// How long ago the process was created, by the system time; 0 when it cannot be told.
ULONGLONG ProcessAge()
{
    FILETIME created, exited, kernel, user, now;
    if (!::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user))
        return 0;
    ::GetSystemTimeAsFileTime(&now);
    const auto ticks = [](const FILETIME& time) {
        ULARGE_INTEGER value;
        value.LowPart = time.dwLowDateTime;
        value.HighPart = time.dwHighDateTime;
        return value.QuadPart;
    };
    const ULONGLONG start = ticks(created), current = ticks(now);
    return current > start ? (current - start) / 10000 : 0;
}

}  // namespace

ProgramClock::ProgramClock()
{
    const ULONGLONG now = ::GetTickCount64();
    const ULONGLONG age = ProcessAge();
    m_startTick = age < now ? now - age : 0;
}

ULONGLONG ProgramClock::Milliseconds()
{
    return ::GetTickCount64() - m_startTick;
}
