#include <gtest/gtest.h>

#include "runtime/win32/timer_clock.h"

namespace qx {
namespace {

// A stand-in clock: what QueryPerformanceFrequency answers, the counter and the tick count.
struct FakeClock {
    bool frequency_works;
    LONGLONG frequency;
    bool counter_works;
    LONGLONG counter;
    DWORD ticks;
};
FakeClock fake{};

BOOL WINAPI fake_frequency(LARGE_INTEGER* value) {
    value->QuadPart = fake.frequency;
    return fake.frequency_works;
}
BOOL WINAPI fake_counter(LARGE_INTEGER* value) {
    value->QuadPart = fake.counter;
    return fake.counter_works;
}
DWORD WINAPI fake_ticks() {
    return fake.ticks;
}

const TimerClock FAKE_CLOCK = {
    .query_frequency = fake_frequency,
    .query_counter = fake_counter,
    .tick_count = fake_ticks,
};

TEST(TimerTest, TheCounterWhenItHasAFrequencyElseTheTicksForGood) {
    TimerState state{};
    fake = {.frequency_works = true,
            .frequency = 4,
            .counter_works = true,
            .counter = 10,
            .ticks = 999};
    EXPECT_DOUBLE_EQ(read_timer(&state, FAKE_CLOCK), 2.5);
    fake.counter_works = false;  // a failed reading falls back on the ticks, once
    EXPECT_DOUBLE_EQ(read_timer(&state, FAKE_CLOCK), 0.999);
    fake.counter_works = true;
    EXPECT_DOUBLE_EQ(read_timer(&state, FAKE_CLOCK), 2.5);

    for (bool works : {false, true}) {  // no counter, or one that claims 0 counts a second
        state = TimerState{};
        fake = {.frequency_works = works,
                .frequency = 0,
                .counter_works = true,
                .counter = 10,
                .ticks = 0xFFFFFFFF};
        EXPECT_DOUBLE_EQ(read_timer(&state, FAKE_CLOCK), 4294967.295);
        fake.frequency_works = true;  // decided on the first reading, never again
        fake.frequency = 1000;
        EXPECT_DOUBLE_EQ(read_timer(&state, FAKE_CLOCK), 4294967.295);
    }
}

}  // namespace
}  // namespace qx
