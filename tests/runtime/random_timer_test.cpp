#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "runtime/random.h"
#include "runtime/timer.h"

namespace qx {
namespace {

std::vector<double> draws(int count) {
    std::vector<double> values;
    for (int i = 0; i < count; ++i)
        values.push_back(random_fraction(1));
    return values;
}

TEST(RandomFraction, ZeroRepeatsTheLastDraw) {
    reset_random();
    EXPECT_EQ(random_fraction(0), 0.0);
    double first = random_fraction(1);
    EXPECT_EQ(random_fraction(0), first);
    EXPECT_EQ(random_fraction(0), first);
    double second = random_fraction(1);
    // The repeats did not advance the generator: same as drawing twice from the start.
    reset_random();
    EXPECT_EQ(random_fraction(1), first);
    EXPECT_EQ(random_fraction(1), second);
}

TEST(RandomFraction, NegativeArgumentDrawsAndResultsStayInRange) {
    seed_random(7.0);
    double a = random_fraction(-5);
    seed_random(7.0);
    EXPECT_EQ(random_fraction(1), a);
    seed_random(3.0);
    for (double value : draws(5000)) {
        ASSERT_GE(value, 0.0);
        ASSERT_LT(value, 1.0);
        ASSERT_EQ(value * 32768.0, std::floor(value * 32768.0));  // multiples of 1/32768
    }
}

TEST(RandomGenerator, KnownSequenceOfTheLinearCongruence) {
    seed_generator(1);
    EXPECT_EQ(next_random(), 41);
    EXPECT_EQ(next_random(), 18467);
    EXPECT_EQ(next_random(), 6334);
    seed_generator(0);
    EXPECT_EQ(next_random(), 38);
}

TEST(SeedRandom, TruncatesTowardsZero) {
    seed_random(12.9);
    std::vector<double> a = draws(10);
    seed_random(12.1);
    EXPECT_EQ(draws(10), a);
    seed_random(-12.9);
    std::vector<double> b = draws(10);
    seed_random(-12.0);
    EXPECT_EQ(draws(10), b);
    EXPECT_NE(a, b);
    // The seed call draws once and discards it.
    seed_random(5.0);
    double after_seed = random_fraction(1);
    seed_generator(5);
    next_random();
    EXPECT_EQ(random_fraction(1), after_seed);
}

TEST(SeedRandom, OutOfRangeAndNotANumberNeverFail) {
    seed_random(1e300);
    std::vector<double> huge = draws(3);
    seed_random(2147483647.0);
    EXPECT_EQ(draws(3), huge);
    seed_random(-std::numeric_limits<double>::infinity());
    std::vector<double> low = draws(3);
    seed_random(-2147483648.0);
    EXPECT_EQ(draws(3), low);
    seed_random(std::nan(""));  // seeded from the timer: only the range can be checked
    for (double value : draws(10))
        EXPECT_LT(value, 1.0);
}

TEST(TimerSeconds, MonotonicAndPositive) {
    double first = timer_seconds();
    double second = timer_seconds();
    EXPECT_GT(first, 0.0);
    EXPECT_GE(second, first);
}

// Key checks of the sleep, counted; the answer of each check is scripted.
std::vector<int32_t> answers;
int checks = 0;
int32_t scripted_key_arrived() {
    int32_t answer = checks < static_cast<int>(answers.size()) ? answers[checks] : 0;
    ++checks;
    return answer;
}
int32_t never_ended() {
    return 0;
}
int32_t always_ended() {
    return 1;
}

int checks_of(int32_t milliseconds, std::vector<int32_t> script, int32_t (*ended)() = never_ended) {
    answers = std::move(script);
    checks = 0;
    sleep_with_key_check(milliseconds, scripted_key_arrived, ended);
    return checks;
}

TEST(SleepWithKeyCheck, KeyChecksOnlyAtFiftyMillisecondBoundaries) {
    EXPECT_EQ(checks_of(10, {1}), 0);  // short sleeps never look at keys
    EXPECT_EQ(checks_of(99, {1}), 0);
    EXPECT_EQ(checks_of(100, {0}), 1);     // one check, then the last 50 ms in one piece
    EXPECT_EQ(checks_of(120, {0, 0}), 2);  // 50 + 50 + 20
    EXPECT_EQ(checks_of(120, {0, 1}), 2);  // the key ends it at the second check
    EXPECT_EQ(checks_of(151, {1}), 1);     // a key waiting before the call: at once
}

TEST(SleepWithKeyCheck, WaitForKeyAndValuesThatReturnAtOnce) {
    EXPECT_EQ(checks_of(-1, {1}), 1);
    EXPECT_EQ(checks_of(-1, {0, 0, 1}), 3);
    EXPECT_EQ(checks_of(-1, {0}, always_ended), 1);  // no key can come: no endless wait
    EXPECT_EQ(checks_of(0, {1}), 0);
    EXPECT_EQ(checks_of(-2, {1}), 0);
    EXPECT_EQ(checks_of(std::numeric_limits<int32_t>::min(), {1}), 0);
}

}  // namespace
}  // namespace qx
