#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "game/game_state.h"
#include "null_screen.h"
#include "runtime/random.h"

namespace chase {
namespace {

using qx::pixel;

KeyByte key_of(char c) {
    return KeyByte{1, static_cast<unsigned char>(c)};
}

class Frames : public qx::NullScreenTest {
protected:
    GameState s;
    void start(int32_t height, int32_t width) {
        set_first_values(s, height, width);
        qx::seed_random(1);
        place_chasers(s);
        // Chasers far from the player so that no frame is a catch by accident.
        for (ChaserBox& box : s.chasers)
            box = {600, 400, 607, 412};
        open(width, height);
    }
};

TEST_F(Frames, FirstValues) {
    set_first_values(s, 600, 800);
    EXPECT_EQ(s.max_y, 580);
    EXPECT_EQ(s.max_x, 780);
    EXPECT_EQ(s.margin, 20);
    EXPECT_DOUBLE_EQ(s.player_x, 50.0);
    EXPECT_DOUBLE_EQ(s.player_y, 300.0);
    EXPECT_DOUBLE_EQ(s.player_aspect, 0.3);
    EXPECT_DOUBLE_EQ(s.ball1_step, 0.0019);
    // A negative size keeps the limits of 0, so the player stays within the chasers' reach.
    for (int32_t size : {0, -1, -21, INT32_MIN}) {
        set_first_values(s, size, size);
        EXPECT_EQ(s.max_x, -20) << size;
        EXPECT_EQ(s.max_y, -20) << size;
    }
    set_first_values(s, 10, INT32_MAX);
    EXPECT_EQ(s.max_y, -10);
    EXPECT_EQ(s.max_x, INT32_MAX - 20);
}

TEST_F(Frames, ChasersStartInFixedRangesAndFollowTheSeed) {
    for (int32_t seed : {1, 2, 3, 99, 12345}) {
        qx::seed_random(seed);
        place_chasers(s);
        GameState again;
        qx::seed_random(seed);
        place_chasers(again);
        for (int n = 0; n < 3; ++n) {
            const ChaserBox& box = s.chasers[n];
            EXPECT_GE(box.x1, 200);
            EXPECT_LE(box.x1, 599);
            EXPECT_GE(box.y1, 0);
            EXPECT_LE(box.y1, 439);
            EXPECT_EQ(box.x1, std::floor(box.x1));
            EXPECT_DOUBLE_EQ(box.x2 - box.x1, 7);
            EXPECT_DOUBLE_EQ(box.y2 - box.y1, 12);
            EXPECT_EQ(box.x1, again.chasers[n].x1);
            EXPECT_EQ(box.y1, again.chasers[n].y1);
        }
    }
}

TEST_F(Frames, MarginsAtExactlyTwenty) {
    start(480, 640);
    s.player_x = 20.0;
    s.player_y = 20.0001;
    run_frame(s);
    EXPECT_DOUBLE_EQ(s.player_x, 20);
    EXPECT_DOUBLE_EQ(s.player_y, 20.0001);
}

TEST_F(Frames, NarrowScreenEndsAtMaxX) {
    start(480, 30);
    s.player_x = 5;
    run_frame(s);
    EXPECT_DOUBLE_EQ(s.player_x, 10);  // first set to 20, then to max_x = 10
}

TEST_F(Frames, BallOneReversesBelowMinusOneAtARandomHeight) {
    start(480, 640);
    s.ball1_x = -1.0 + 0.0019 - 1e-9;  // one step takes it below -1.0
    qx::seed_random(5);
    double expected_y = [] {
        qx::seed_random(5);
        return qx::random_fraction(1) * 480;
    }();
    qx::seed_random(5);
    run_frame(s);
    EXPECT_DOUBLE_EQ(s.ball1_step, -0.0019);
    EXPECT_DOUBLE_EQ(s.ball1_y, expected_y);
    EXPECT_NE(s.ball1_y, std::floor(s.ball1_y));  // fractional part kept
}

TEST_F(Frames, CommandsRepeatThroughThePreviousKey) {
    start(480, 640);
    s.previous_key = key_of('6');
    double x = s.player_x;
    run_frame(s);
    EXPECT_DOUBLE_EQ(s.player_x, x + 0.005);
    EXPECT_DOUBLE_EQ(s.player_aspect, 1.0);
    EXPECT_EQ(pixel(static_cast<int>(s.player_x), 300), 15u);  // drawn
    s.previous_key = key_of('+');
    run_frame(s);
    run_frame(s);
    EXPECT_DOUBLE_EQ(s.player_step, 0.005 + 0.00005 + 0.00005);
    s.previous_key = key_of('=');
    run_frame(s);
    EXPECT_DOUBLE_EQ(s.player_step, 0.005);
    s.previous_key = key_of('-');
    for (int i = 0; i < 200; ++i)
        run_frame(s);  // no bound: the step goes negative
    EXPECT_LT(s.player_step, 0);
}

TEST_F(Frames, CloseKeyByteIsNoCommand) {
    start(480, 640);
    s.previous_key = KeyByte{1, 0xFF};
    double x = s.player_x, y = s.player_y;
    EXPECT_EQ(run_frame(s), FrameEnd::CONTINUE);
    EXPECT_DOUBLE_EQ(s.player_x, x);
    EXPECT_DOUBLE_EQ(s.player_y, y);
}

TEST_F(Frames, QuitAtOnceStopOneFrameLate) {
    start(480, 640);
    s.previous_key = key_of('q');
    EXPECT_EQ(run_frame(s), FrameEnd::QUIT);
    GameState stop;
    set_first_values(stop, 480, 640);
    for (ChaserBox& box : stop.chasers)
        box = {600, 400, 607, 412};
    stop.previous_key = key_of('s');
    EXPECT_EQ(run_frame(stop), FrameEnd::CONTINUE);
    EXPECT_TRUE(stop.previous_key.is('s'));
    EXPECT_EQ(run_frame(stop), FrameEnd::STOP);
}

TEST_F(Frames, GoalPictureAndGoalTestAt640) {
    start(480, 640);
    run_frame(s);
    EXPECT_EQ(pixel(600, 58), 10u);  // the filled box
    EXPECT_EQ(pixel(598, 40), 0u);
    EXPECT_EQ(pixel(615, 40), 15u);  // the small white ellipse
    EXPECT_EQ(pixel(622, 19), 10u);  // the widest arc starts above the box, right of centre
    EXPECT_EQ(pixel(611, 12), 10u);  // and passes over the top
    s.player_x = 611;
    s.player_y = 71;  // 31 away: not yet
    EXPECT_EQ(run_frame(s), FrameEnd::CONTINUE);
    s.player_y = 69.5;
    EXPECT_EQ(run_frame(s), FrameEnd::GOAL);
}

TEST_F(Frames, ABoxOnThePlayerCatchesIt) {
    start(480, 640);
    s.chasers[1] = {60, 300, 67, 312};
    EXPECT_EQ(run_frame(s), FrameEnd::CAUGHT);
}

TEST_F(Frames, BallsPushThePlayerAndDropTheCommand) {
    start(480, 640);
    s.player_x = 455;
    s.player_y = 165 + 30;  // under ball 2
    s.previous_key = key_of('6');
    double y = s.player_y;
    run_frame(s);
    EXPECT_DOUBLE_EQ(s.player_y, y - 0.0019);
    EXPECT_DOUBLE_EQ(s.player_x, 455);  // the command was dropped this frame
    EXPECT_TRUE(s.previous_key.is('6'));
}

TEST_F(Frames, HugeStepsStaySafe) {
    start(480, 640);
    s.player_step = 1e300;
    s.previous_key = key_of('6');
    for (int i = 0; i < 3; ++i)
        run_frame(s);
    s.previous_key = key_of('4');
    for (int i = 0; i < 3; ++i)
        run_frame(s);
    EXPECT_EQ(qx::screen->width, 640);
}

}  // namespace
}  // namespace chase
