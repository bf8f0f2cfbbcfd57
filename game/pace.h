// Frame pacing: at most a given number of frames a second, against absolute deadlines.
#pragma once

#include <cstdint>

namespace chase {

// The clock the pacer reads and the sleep it takes; tests hand in a fake pair.
struct PaceClock {
    int64_t (*now_ns)();                   // monotonic nanoseconds
    void (*sleep_until_ns)(int64_t when);  // returns at or after when (monotonic nanoseconds)
};

// The monotonic clock and an absolute sleep on it.
extern const PaceClock MONOTONIC_CLOCK;

constexpr uint32_t MAX_FRAMES_PER_SECOND = 10'000'000;

// Frames are let run until the next deadline is at least a slice ahead and then one sleep
// covers them all: a sleep per frame at tens of thousands of frames a second would overshoot
// each time. A lag up to RESYNC_LAG_NS (a late wake-up, the scheduler's delays on a busy
// machine) is made up, which keeps the average rate; a longer one (a wait inside a frame, a
// stall) starts the deadlines again from now instead of sprinting to catch up. Making up 20 ms
// at 40,000 frames a second moves the player 4 pixels, too little to see.
constexpr int64_t SLEEP_SLICE_NS = 1'000'000;
constexpr int64_t RESYNC_LAG_NS = 20 * SLEEP_SLICE_NS;

struct Pacer {
    uint32_t frames_per_second = 0;  // 0: frames run back to back, the clock is never read
    int64_t period_ns = 0;           // whole nanoseconds of one frame
    int64_t period_rest = 0;         // and the remainder, in 1/frames_per_second of a nanosecond
    int64_t deadline_ns = 0;         // earliest start of the next frame
    int64_t deadline_rest = 0;       // its fraction, in the same unit as period_rest
    PaceClock clock{};
};

// A pacer whose first deadline is now; frames_per_second above the maximum is taken as it.
Pacer make_pacer(uint32_t frames_per_second, PaceClock clock);

// Called between two frames: waits, when needed, until the next frame may start.
void pace_frame(Pacer& pacer);

}  // namespace chase
