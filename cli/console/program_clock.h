#pragma once
// The time tessmorctl has been running: what --timeout is counted against. A clock of its own
// rather than a call in place, so that a run can be told the time its pauses would have taken.
#include <windows.h>

class Clock {
public:
    // Milliseconds since the program's start; never goes back.
    virtual ULONGLONG Milliseconds() = 0;

protected:
    ~Clock() = default;
};

// Counted from the process's creation (a logon task's time starts when Windows starts the
// program, not when its code first runs), on the monotonic tick count, so that a change of the
// system time while waiting neither ends nor stretches a wait.
class ProgramClock : public Clock {
public:
    ProgramClock();
    ULONGLONG Milliseconds() override;

private:
    ULONGLONG m_startTick;
};
