#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

#include "game/pace.h"

namespace chase {
namespace {

constexpr int64_t MS = 1'000'000, SECOND = 1'000'000'000;

// A simulated monotonic clock: frames advance it by hand, sleeps jump it to their deadline
// plus an overshoot, as a real sleep would.
struct FakeClock {
    int64_t now = 1'000 * SECOND;
    int64_t overshoot = 0;
    int64_t reads = 0;
    int64_t sleeps = 0;
    int64_t shortest_sleep = INT64_MAX;  // how far ahead the deadline was when sleeping
};
FakeClock fake;

int64_t fake_now_ns() {
    ++fake.reads;
    return fake.now;
}

void fake_sleep_until_ns(int64_t when) {
    ++fake.sleeps;
    fake.shortest_sleep = std::min(fake.shortest_sleep, when - fake.now);
    fake.now = std::max(fake.now, when) + fake.overshoot;
}

constexpr PaceClock FAKE_CLOCK = {.now_ns = fake_now_ns, .sleep_until_ns = fake_sleep_until_ns};

// Frames started during span nanoseconds of simulated time, each costing frame_cost.
int64_t frames_during(Pacer& pacer, int64_t span, int64_t frame_cost) {
    int64_t end = fake.now + span, frames = 0;
    while (fake.now < end) {
        fake.now += frame_cost;
        ++frames;
        pace_frame(pacer);
    }
    return frames;
}

class PaceTest : public ::testing::Test {
protected:
    void SetUp() override { fake = FakeClock{}; }
};

TEST_F(PaceTest, RunsTheAskedRateInSleepsOfAtLeastASlice) {
    struct Case {
        uint32_t fps;
        int64_t frame_cost, overshoot;  // ns
    };
    for (Case c : {Case{3, 0, 0}, Case{60, 1'000, 50'000}, Case{40'000, 3'000, 80'000},
                   Case{40'000, 20'000, 1'500'000}, Case{7'000'000, 50, 30'000}}) {
        SCOPED_TRACE(c.fps);
        fake = FakeClock{.overshoot = c.overshoot};
        Pacer pacer = make_pacer(c.fps, FAKE_CLOCK);
        int64_t frames = frames_during(pacer, SECOND, c.frame_cost);
        EXPECT_NEAR(frames, c.fps, c.fps / 500);  // the last slice may run ahead
        EXPECT_GE(fake.shortest_sleep, std::min<int64_t>(SLEEP_SLICE_NS, SECOND / c.fps));
        EXPECT_LE(fake.sleeps, std::max<int64_t>(1'000, c.fps));
    }
}

TEST_F(PaceTest, AShortStallIsMadeUpALongWaitRestartsFromNow) {
    Pacer pacer = make_pacer(40'000, FAKE_CLOCK);
    int64_t frames = frames_during(pacer, SECOND / 2, 3'000);
    fake.now += 15 * MS;  // a stall shorter than the lag: the second keeps its frames
    frames += frames_during(pacer, SECOND / 2 - 15 * MS, 3'000);
    EXPECT_NEAR(frames, 40'000, 80);
    fake.now += 2 * SECOND;  // the "p" pause: no sprint of 80,000 frames afterwards
    EXPECT_NEAR(frames_during(pacer, SECOND / 10, 3'000), 4'000, 40);
    EXPECT_NEAR(frames_during(pacer, SECOND, 3'000), 40'000, 400);
}

TEST_F(PaceTest, ZeroNeverReadsTheClockNorSleeps) {
    Pacer pacer = make_pacer(0, FAKE_CLOCK);
    for (int i = 0; i < 1'000; ++i)
        pace_frame(pacer);
    EXPECT_EQ(fake.reads, 0);
    EXPECT_EQ(fake.sleeps, 0);
}

TEST_F(PaceTest, ARateAboveTheMachinesRunsBackToBackWithoutFallingBehind) {
    for (uint32_t fps : {MAX_FRAMES_PER_SECOND, UINT32_MAX}) {
        fake = FakeClock{};
        Pacer pacer = make_pacer(fps, FAKE_CLOCK);
        EXPECT_EQ(pacer.period_ns, 100);  // the largest rate: anything above is taken as it
        EXPECT_EQ(frames_during(pacer, SECOND, 3'000), SECOND / 3'000 + 1);
        EXPECT_EQ(fake.sleeps, 0);
        EXPECT_GE(pacer.deadline_ns, fake.now - RESYNC_LAG_NS);
    }
}

}  // namespace
}  // namespace chase
