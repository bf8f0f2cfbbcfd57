#include "runtime/timer.h"

#include "runtime/win32/timer_clock.h"

namespace qx {

namespace {

TimerState timer_state{};

}  // namespace

extern const TimerClock SYSTEM_CLOCK = {
    .query_frequency = QueryPerformanceFrequency,
    .query_counter = QueryPerformanceCounter,
    .tick_count = GetTickCount,
};

double read_timer(TimerState* state, const TimerClock& clock) {
    if (state->mode == TIMER_UNDECIDED) {
        LARGE_INTEGER frequency;
        // A frequency of 0 would make every reading infinite: that counter is no clock.
        if (clock.query_frequency(&frequency) && frequency.QuadPart > 0) {
            state->period = 1.0 / static_cast<double>(frequency.QuadPart);
            state->mode = TIMER_COUNTER;
        } else {
            state->mode = TIMER_TICKS;
        }
    }
    LARGE_INTEGER count;
    if (state->mode == TIMER_COUNTER && clock.query_counter(&count)) {
        return static_cast<double>(count.QuadPart) * state->period;
    }
    return clock.tick_count() * 0.001;
}

double timer_seconds() {
    return read_timer(&timer_state, SYSTEM_CLOCK);
}

void nap_ms(int32_t milliseconds) {
    if (milliseconds > 0) Sleep(static_cast<DWORD>(milliseconds));
}

}  // namespace qx
