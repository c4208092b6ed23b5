#pragma once
// How tessmorctl waits for something that may still come (the card's tuner, its receiver, the
// new modes): another try about once a second, until the time allowed, counted from a given
// moment, is up. The pauses go through the services table, so a test sees them all.
#include "cli/console/program_clock.h"

class Patience {
public:
    // The time allowed, in seconds, counted from origin (a time of the clock, in milliseconds).
    Patience(Clock& clock, ULONGLONG origin, DWORD seconds)
        : m_clock(clock), m_end(origin + ULONGLONG(seconds) * 1000)
    {
    }

    // Before the next try: pauses a second, or what is left of the time when that is less,
    // and returns true; false at once when the time is up. Counts the tries.
    bool PauseBeforeNextTry();
    // The number of the try about to be made: 1 before any pause.
    int Try() const { return m_try; }
    // The clock's time now, in milliseconds.
    ULONGLONG Now() const { return m_clock.Milliseconds(); }

private:
    Clock& m_clock;
    ULONGLONG m_end;
    int m_try = 1;
};
