#include "runtime/timer.h"

#include <cerrno>
#include <ctime>

namespace qx {

namespace {

enum TimerMode { TIMER_UNDECIDED = 0, TIMER_TICKS = 1, TIMER_COUNTER = 2 };

// Which clock timer_seconds reads, decided on its first call.
struct TimerState {
    int mode;       // TimerMode
    double period;  // seconds per counter tick, valid in TIMER_COUNTER
};

TimerState timer_state{};

bool read_counter(int64_t* count) {
    timespec now;
    if (clock_gettime(CLOCK_MONOTONIC, &now) != 0) return false;
    *count = static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
    return true;
}

// Milliseconds that wrap at 2^32, like a tick count.
uint32_t tick_count() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<uint32_t>(static_cast<uint64_t>(now.tv_sec) * 1000 +
                                 static_cast<uint64_t>(now.tv_nsec) / 1000000);
}

}  // namespace

double timer_seconds() {
    int64_t count = 0;
    if (timer_state.mode == TIMER_UNDECIDED) {
        timespec resolution;
        if (clock_getres(CLOCK_MONOTONIC, &resolution) == 0 && read_counter(&count)) {
            timer_state.period = 1e-9;
            timer_state.mode = TIMER_COUNTER;
        } else {
            timer_state.mode = TIMER_TICKS;
        }
    }
    if (timer_state.mode == TIMER_COUNTER && read_counter(&count)) {
        return static_cast<double>(count) * timer_state.period;
    }
    return tick_count() * 0.001;
}

void nap_ms(int32_t milliseconds) {
    if (milliseconds <= 0) return;
    timespec left{milliseconds / 1000, static_cast<long>(milliseconds % 1000) * 1000000};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

}  // namespace qx
