#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "game/game_state.h"
#include "gfx/graphics_keys.h"
#include "gfx/graphics_text.h"
#include "gfx/lines.h"
#include "null_screen.h"
#include "runtime/key_code.h"
#include "runtime/text_hooks.h"

namespace chase {
namespace {

using qx::pixel;

// Keys come from the graphics key ring, as the window would post them.
class Keys : public qx::NullScreenTest {
protected:
    GameState s;
    void SetUp() override {
        NullScreenTest::SetUp();
        set_first_values(s, 480, 640);
        for (ChaserBox& box : s.chasers)
            box = {600, 400, 607, 412};
        open(640, 480);
        qx::reset_graphics_keys();
    }
    void TearDown() override {
        qx::reset_graphics_keys();
        NullScreenTest::TearDown();
    }
};

TEST_F(Keys, OneKeyRepeatsUntilAnotherArrives) {
    qx::graphics_key_post('6');
    double x = s.player_x;
    run_frame(s);
    run_frame(s);  // no key: "6" stands in
    EXPECT_DOUBLE_EQ(s.player_x, x + 0.005 + 0.005);
    EXPECT_TRUE(s.previous_key.is('6'));
    qx::graphics_key_post('+');
    run_frame(s);
    run_frame(s);
    EXPECT_DOUBLE_EQ(s.player_step, 0.005 + 0.00005 + 0.00005);
    EXPECT_DOUBLE_EQ(s.player_x, x + 0.01);  // "+" does not move
    qx::graphics_key_post('=');
    run_frame(s);
    EXPECT_DOUBLE_EQ(s.player_step, 0.005);
    qx::graphics_key_post('Q');  // case matters: no command
    EXPECT_EQ(run_frame(s), FrameEnd::CONTINUE);
}

TEST_F(Keys, ExtendedKeysAreHeldAsTheByteFFAndStopTheRepetition) {
    for (int32_t code : {qx::KEY_CLOSE, 0x48FF}) {
        qx::graphics_key_post('4');
        run_frame(s);
        double x = s.player_x;
        qx::graphics_key_post(code);
        EXPECT_EQ(run_frame(s), FrameEnd::CONTINUE);
        EXPECT_EQ(s.key.length, 1);
        EXPECT_EQ(s.key.byte, 0xFF);
        EXPECT_EQ(s.previous_key.byte, 0xFF);
        run_frame(s);
        EXPECT_DOUBLE_EQ(s.player_x, x);  // the close key only stopped the move
    }
}

TEST_F(Keys, StopEndsOneFrameLateAndQuitAtOnce) {
    qx::graphics_key_post('s');
    EXPECT_EQ(run_frame(s), FrameEnd::CONTINUE);
    EXPECT_EQ(pixel(50, 300), 15u);  // the frame finished: the player was drawn
    qx::graphics_key_post('6');      // too late: the loop test comes first
    EXPECT_EQ(run_frame(s), FrameEnd::STOP);
    GameState other = s;
    other.key = KeyByte{};
    other.previous_key = KeyByte{};
    EXPECT_EQ(run_frame(other), FrameEnd::CONTINUE);  // the "6" still waiting
    qx::graphics_key_post('q');
    EXPECT_EQ(run_frame(other), FrameEnd::QUIT);
}

TEST_F(Keys, PauseWaitsForAKeyThatBecomesTheNextCommand) {
    qx::graphics_key_post('p');
    // The key that ends the pause arrives only after the frame has taken "p".
    std::thread window([] {
        while (qx::graphics_key_ring.read.load() != qx::graphics_key_ring.write.load())
            std::this_thread::yield();
        qx::graphics_key_post('8');
    });
    EXPECT_EQ(run_frame(s), FrameEnd::CONTINUE);
    window.join();
    EXPECT_TRUE(s.previous_key.is('p'));
    double y = s.player_y;
    run_frame(s);
    EXPECT_TRUE(s.previous_key.is('8'));
    EXPECT_DOUBLE_EQ(s.player_y, y - 0.005);
}

// Counts the text statements of a frame, passing them on.
struct TextLog {
    std::vector<std::string> prints;
    int32_t locates = 0;
};
TextLog* text_log = nullptr;
qx::TextHooks saved_hooks;

void log_print(const unsigned char* text, int32_t length, int32_t mask) {
    text_log->prints.emplace_back(reinterpret_cast<const char*>(text), length);
    saved_hooks.print_hook(text, length, mask);
}
int32_t log_locate(int32_t row, int32_t column, int32_t visibility) {
    EXPECT_EQ(row, 1);
    EXPECT_EQ(column, 1);
    ++text_log->locates;
    return saved_hooks.locate_hook(row, column, visibility);
}

TEST_F(Keys, TextRowOneIsRepaintedThreeTimesAFrame) {
    qx::draw_box(0, 0, 200, 40, 9, 1);
    TextLog log;
    text_log = &log;
    saved_hooks = qx::text_hooks;
    qx::text_hooks.print_hook = log_print;
    qx::text_hooks.locate_hook = log_locate;
    run_frame(s);
    qx::text_hooks = saved_hooks;
    EXPECT_EQ(log.locates, 3);
    // Each print is its text, then the end of the item with its new line.
    ASSERT_EQ(log.prints.size(), 6u);
    for (size_t i = 0; i < 6; i += 2) {
        EXPECT_EQ(log.prints[i], std::string(14, ' '));
        EXPECT_EQ(log.prints[i + 1], "\r\n");
    }
    EXPECT_EQ(qx::graphics_get_row(), 2);
    EXPECT_EQ(qx::graphics_get_column(), 1);
    EXPECT_EQ(pixel(0, 0), 0u);    // wiped by the blanks
    EXPECT_EQ(pixel(111, 0), 0u);  // column 14
    EXPECT_EQ(pixel(112, 0), 9u);  // column 15 untouched
    EXPECT_EQ(pixel(0, 30), 9u);   // row 2: the new line prints nothing there
}

std::string row_text(int32_t row, int32_t columns) {
    std::string text;
    for (int32_t column = 1; column <= columns; ++column)
        text += static_cast<char>(qx::graphics_read_cell(column, row, 0));
    return text;
}

TEST_F(Keys, CaughtPlayerExplodesAndPerduStandsOnRowTwo) {
    s.chasers[2] = {60, 300, 67, 312};  // box 3 on the player: boxes 1 and 2 printed first
    ASSERT_EQ(run_frame(s), FrameEnd::CAUGHT);
    lose_picture(s);
    EXPECT_EQ(row_text(2, 6), "PERDU ");
    EXPECT_EQ(qx::graphics_get_row(), 3);
    EXPECT_EQ(pixel(50, 300), 0u);  // the last black points hollow the centre
}

TEST_F(Keys, CaughtByBoxOneInTheFirstFramePrintsWhereTheScreenOpened) {
    s.chasers[0] = {60, 300, 67, 312};
    ASSERT_EQ(run_frame(s), FrameEnd::CAUGHT);
    lose_picture(s);
    EXPECT_EQ(row_text(1, 5), "PERDU");
    EXPECT_EQ(qx::graphics_get_row(), 2);
}

}  // namespace
}  // namespace chase
