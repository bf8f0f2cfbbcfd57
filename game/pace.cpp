#include "game/pace.h"

#include <chrono>
#include <thread>

namespace chase {

namespace {

constexpr int64_t NS_PER_SECOND = 1'000'000'000;

using Monotonic = std::chrono::steady_clock;  // CLOCK_MONOTONIC

int64_t monotonic_now_ns() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Monotonic::now().time_since_epoch())
        .count();
}

void monotonic_sleep_until_ns(int64_t when) {
    std::this_thread::sleep_until(Monotonic::time_point(std::chrono::nanoseconds(when)));
}

void restart_from(Pacer& pacer, int64_t now) {
    pacer.deadline_ns = now;
    pacer.deadline_rest = 0;
}

}  // namespace

const PaceClock MONOTONIC_CLOCK = {
    .now_ns = monotonic_now_ns,
    .sleep_until_ns = monotonic_sleep_until_ns,
};

Pacer make_pacer(uint32_t frames_per_second, PaceClock clock) {
    Pacer pacer;
    pacer.clock = clock;
    if (frames_per_second == 0) return pacer;
    if (frames_per_second > MAX_FRAMES_PER_SECOND) frames_per_second = MAX_FRAMES_PER_SECOND;
    pacer.frames_per_second = frames_per_second;
    pacer.period_ns = NS_PER_SECOND / frames_per_second;
    pacer.period_rest = NS_PER_SECOND % frames_per_second;
    restart_from(pacer, clock.now_ns());
    return pacer;
}

void pace_frame(Pacer& pacer) {
    if (pacer.frames_per_second == 0) return;
    // The remainder keeps the average exact when a second is no whole number of periods.
    pacer.deadline_ns += pacer.period_ns;
    pacer.deadline_rest += pacer.period_rest;
    if (pacer.deadline_rest >= pacer.frames_per_second) {
        pacer.deadline_rest -= pacer.frames_per_second;
        ++pacer.deadline_ns;
    }
    int64_t now = pacer.clock.now_ns();
    int64_t ahead = pacer.deadline_ns - now;
    if (ahead >= SLEEP_SLICE_NS) {
        pacer.clock.sleep_until_ns(pacer.deadline_ns);
    } else if (ahead < -RESYNC_LAG_NS) {
        restart_from(pacer, now);
    }
}

}  // namespace chase
