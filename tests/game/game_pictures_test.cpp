#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include "game/game_state.h"
#include "gfx/lines.h"
#include "null_screen.h"
#include "runtime/random.h"

namespace chase {
namespace {

using qx::pixel;

KeyByte key_of(char c) {
    return KeyByte{1, static_cast<unsigned char>(c)};
}

// FNV-1a over the work page.
uint64_t framebuffer_hash() {
    uint64_t hash = 1469598103934665603u;
    for (int32_t y = 0; y < qx::screen->height; ++y)
        for (int32_t x = 0; x < qx::screen->width; ++x)
            hash = (hash ^ pixel(x, y)) * 1099511628211u;
    return hash;
}

class Pictures : public qx::NullScreenTest {
protected:
    GameState s;
    void start(int32_t height, int32_t width) {
        set_first_values(s, height, width);
        for (ChaserBox& box : s.chasers)
            box = {600, 400, 607, 412};
        open(width, height);
    }
};

TEST_F(Pictures, WinPictureOverAFilledScreen) {
    open(640, 480);
    qx::draw_box(0, 0, 639, 479, 7, 1);
    win_picture();
    for (int32_t y = 10; y < 70; ++y) {
        for (int32_t x = 590; x < 630; ++x) {
            uint32_t expected = 7;
            if (x >= 601 && x <= 620 && y >= 22 && y <= 58) expected = 0;
            if (x >= 599 && x <= 615 && y >= 20 && y <= 50) expected = 10;  // boxes 2 to 4
            ASSERT_EQ(pixel(x, y), expected) << x << "," << y;
        }
    }
}

TEST_F(Pictures, GoalPictureFollowsTheRightEdge) {
    // The same picture 160 pixels further right on a screen 160 pixels wider (and of the same
    // shape, since the arcs' default aspect follows the screen's).
    start(480, 640);
    run_frame(s);
    uint32_t at640[60][50];
    for (int32_t y = 0; y < 60; ++y)
        for (int32_t x = 0; x < 50; ++x)
            at640[y][x] = pixel(590 + x, 10 + y);
    TearDown();
    start(600, 800);
    run_frame(s);
    for (int32_t y = 0; y < 60; ++y)
        for (int32_t x = 0; x < 50; ++x)
            ASSERT_EQ(pixel(750 + x, 10 + y), at640[y][x]) << x << "," << y;
    // Only the goal picture, the balls, the text row and the boxes are on screen: nothing
    // lies to the right of the goal box.
    for (int32_t y = 0; y < 80; ++y)
        EXPECT_EQ(pixel(785, y), 0u);
}

TEST_F(Pictures, BallTwoReversesAboveTheScreenAndJumpsAcross) {
    start(480, 640);
    s.ball2_step = -0.0019;
    s.ball2_y = 480.0 - 0.001;  // one step takes it past the height
    qx::seed_random(9);
    double expected_x = qx::random_fraction(1) * 640;
    qx::seed_random(9);
    run_frame(s);
    EXPECT_DOUBLE_EQ(s.ball2_step, 0.0019);
    EXPECT_DOUBLE_EQ(s.ball2_x, expected_x);
    EXPECT_GT(s.ball2_y, 480.0);
    EXPECT_DOUBLE_EQ(s.ball1_step, 0.0019);  // ball 1 unaffected
}

TEST_F(Pictures, MovingRightAndTheFlatPlayerBeforeTheFirstMove) {
    start(480, 640);
    s.previous_key = key_of('+');  // not a move: the player is drawn with aspect 0.3
    run_frame(s);
    EXPECT_EQ(pixel(50, 300 - 6), 15u);
    EXPECT_EQ(pixel(50, 300 - 8), 0u);
    EXPECT_EQ(pixel(50 - 20, 300), 15u);
    s.previous_key = key_of('6');
    s.player_step = 0.005;
    double x = s.player_x;
    for (int i = 0; i < 10; ++i)
        run_frame(s);
    EXPECT_DOUBLE_EQ(s.player_x, x + 10 * 0.005);  // one step per frame
    EXPECT_EQ(pixel(50, 300 - 20), 15u);           // round now
}

TEST_F(Pictures, DeterministicRunMatchesItsRecordedPicture) {
    start(480, 640);
    qx::seed_random(1234);
    place_chasers(s);
    struct Script {
        int frames;
        char key;
    } script[] = {{300, '+'}, {2000, '6'}, {500, '2'}, {10, '-'}, {500, '8'}, {1, 'x'}};
    for (const Script& part : script) {
        s.previous_key = key_of(part.key);
        for (int i = 0; i < part.frames; ++i)
            ASSERT_EQ(run_frame(s), FrameEnd::CONTINUE);
    }
    EXPECT_EQ(framebuffer_hash(), 0x57bceb49320d1f3du);
}

// A refused screen: the frames run on the console and draw nothing.
TEST_F(Pictures, RefusedSizesStillRunFrames) {
    for (int32_t size : {0, -1, -20, std::numeric_limits<int32_t>::min()}) {
        GameState refused;
        set_first_values(refused, size, size);
        for (ChaserBox& box : refused.chasers)
            box = {600, 400, 607, 412};
        EXPECT_NE(qx::screen_res(size, size, 8, 0, 0, 0), 0);
        EXPECT_EQ(qx::screen, nullptr);
        refused.previous_key = key_of('6');
        EXPECT_EQ(run_frame(refused), FrameEnd::CONTINUE);
        EXPECT_EQ(run_frame(refused), FrameEnd::CONTINUE);
        // Both margins apply on a size this small: first the margin, then max_x.
        EXPECT_LE(refused.player_x, 50.0);
        EXPECT_EQ(refused.player_y, -20.0) << size;  // pinned where the chasers can reach
    }
}

TEST_F(Pictures, FarAwayValuesNeverBreakAFrame) {
    start(480, 640);
    const double far[] = {1e300, -1e300, 3e38, -3e38, 2147483648.0, -2147483649.0};
    for (double value : far) {
        s.player_x = value;
        s.player_y = -value;
        s.ball1_x = value;
        s.ball2_y = value;
        for (ChaserBox& box : s.chasers)
            box = {value, value, value, value};
        s.previous_key = key_of('6');
        run_frame(s);
        if (std::fabs(value) > 1e100) explosion(value, value, 20);
        chaser_step(s.chasers[0], -value, value);
    }
    EXPECT_EQ(single(1e300), std::numeric_limits<float>::infinity());
    EXPECT_EQ(single(-1e300), -std::numeric_limits<float>::infinity());
    EXPECT_EQ(single(0.426), 0.426f);
    EXPECT_TRUE(std::isnan(single(std::nan(""))));
}

}  // namespace
}  // namespace chase
