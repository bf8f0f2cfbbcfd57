// The clocks behind timer_seconds, as a record so that tests can stand in for the platform.
#pragma once

#include "runtime/win32/console_session.h"

namespace qx {

struct TimerClock {
    BOOL(WINAPI* query_frequency)(LARGE_INTEGER* frequency);  // counts per second
    BOOL(WINAPI* query_counter)(LARGE_INTEGER* count);
    DWORD(WINAPI* tick_count)();  // milliseconds, wrapping at 2^32
};
extern const TimerClock SYSTEM_CLOCK;

enum TimerMode { TIMER_UNDECIDED = 0, TIMER_TICKS = 1, TIMER_COUNTER = 2 };

// Which clock the timer reads, decided on its first reading and kept.
struct TimerState {
    int mode;       // TimerMode
    double period;  // seconds per counter tick, valid in TIMER_COUNTER
};

// One reading in seconds.
double read_timer(TimerState* state, const TimerClock& clock);

}  // namespace qx
