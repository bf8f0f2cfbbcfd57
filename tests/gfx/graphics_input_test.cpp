#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "gfx/graphics_input.h"
#include "gfx/graphics_keys.h"
#include "gfx/graphics_text.h"
#include "runtime/key_queue.h"
#include "runtime/line_input.h"
#include "runtime/runtime.h"
#include "text_screen.h"

namespace qx {
namespace {

void post_keys(std::initializer_list<int32_t> codes) {
    for (int32_t code : codes)
        graphics_key_post(code);
}

class GraphicsReadLine : public ::testing::Test {
protected:
    void SetUp() override { open_text_screen(640, 480); }
    void TearDown() override { close_screen(); }
};

TEST_F(GraphicsReadLine, EchoesBehindABlockAndKeepsTheCarriageReturn) {
    post_keys({'h', 'i', 8, 'o', 13});
    char buffer[16];
    ASSERT_EQ(graphics_read_line(buffer, sizeof buffer), buffer);
    EXPECT_STREQ(buffer, "ho\r");
    EXPECT_EQ(cell_row(0).substr(0, 4), "ho  ");  // the block is covered by a space at the end
    EXPECT_TRUE(glyph_drawn(1, 0, 'o', 15, 0, FONT_8X8));
    EXPECT_EQ(graphics_get_column(), 1);  // the carriage return went back to the first column
}

TEST_F(GraphicsReadLine, IgnoresExtendedKeysBellAndBackspaceOnEmptyInput) {
    post_keys({8, 0x48FF, 7, 256, 'x', 13});
    char buffer[8];
    graphics_read_line(buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "x\r");
}

TEST_F(GraphicsReadLine, AFullBufferTakesNoMoreAndEnterEndsWithoutBeingStored) {
    post_keys({'a', 'b', 'c', 'd', 13});
    char buffer[3];
    graphics_read_line(buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "ab");
    EXPECT_EQ(cell_row(0).substr(0, 3), std::string("ab\xDB"));  // the block stays shown

    post_keys({13});
    char one[1];
    EXPECT_EQ(graphics_read_line(one, 1), one);
    EXPECT_STREQ(one, "");
    EXPECT_EQ(graphics_read_line(one, 0), nullptr);
    EXPECT_EQ(graphics_read_line(nullptr, 8), nullptr);
}

TEST_F(GraphicsReadLine, BackspaceAcrossARowEnd) {
    graphics_locate(2, 79, 0);
    post_keys({'u', 'v', 'w', 8, 8, 13});
    char buffer[8];
    graphics_read_line(buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "u\r");
    EXPECT_EQ(cell_at(78, 1).character, 'u');
    EXPECT_EQ(cell_at(79, 1).character, ' ');
    EXPECT_EQ(cell_at(0, 2).character, ' ');
    EXPECT_EQ(cell_at(1, 2).character, ' ');
}

TEST(GraphicsReadLineSmall, BackspacePastTheTopStopsAtTheFirstCell) {
    open_text_screen(16, 16);  // a 2 x 2 grid: typing scrolls the first characters away
    post_keys({'a', 'b', 'c', 'd', 'e', 8, 8, 8, 8, 8, 13});
    char buffer[16];
    graphics_read_line(buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "\r");
    EXPECT_GE(screen->cursor_row, 0);
    EXPECT_LT(screen->cursor_row, 2);
    EXPECT_GE(screen->cursor_col, 0);
    EXPECT_LT(screen->cursor_col, 2);
    close_screen();
}

class GraphicsLineInput : public GraphicsReadLine {};

TEST_F(GraphicsLineInput, TheInputStatementEditsOnTheGraphicsScreen) {
    char prompt_text[] = "Entrez ";
    const Rtstring prompt{prompt_text, 7};
    post_keys({'1', '2', 0x4BFF, 0x4BFF, '3', 13});  // 1, 2, Left, Left, 3, Enter
    input_prompt(&prompt, 0, -1);
    EXPECT_EQ(runtime_error(), 0);
    int32_t value = 0;
    input_int(&value);
    EXPECT_EQ(value, 312);
    EXPECT_EQ(cell_row(0).substr(0, 11), "Entrez 312 ");
    EXPECT_EQ(graphics_get_row(), 2);  // the line break after the input
    EXPECT_EQ(graphics_get_column(), 1);
}

TEST_F(GraphicsLineInput, WideInputShowsThePromptAsBytesAndStoresUnits) {
    uint16_t prompt_units[] = {'Q', 0x263A, ' '};
    const Rtwstring prompt{prompt_units, 3};
    post_keys({'a', 0xE9, 13});
    Rtwstring line{};
    EXPECT_EQ(graphics_line_input_wide(&prompt, &line, -1, 0, 1, 0), 0);
    ASSERT_EQ(line.length, 2);
    EXPECT_EQ(line.data[0], 'a');
    EXPECT_EQ(line.data[1], 0xE9);
    EXPECT_EQ(cell_row(0).substr(0, 7), std::string("Q? ? a\xE9"));
    std::free(line.data);

    // A fixed text keeps its first units and pads with the fill unit.
    uint16_t fixed_units[4] = {1, 1, 1, 1};
    Rtwstring fixed{fixed_units, 4};
    post_keys({'x', 'y', 'z', 'w', 'v', 13});
    EXPECT_EQ(graphics_line_input_wide(nullptr, &fixed, 4, '.', 0, 0), 0);
    EXPECT_EQ(fixed.length, 4);
    EXPECT_EQ(fixed_units[0], 'x');
    EXPECT_EQ(fixed_units[3], 'w');
    post_keys({'k', 13});
    EXPECT_EQ(graphics_line_input_wide(nullptr, &fixed, 4, '.', 0, 0), 0);
    EXPECT_EQ(fixed_units[0], 'k');
    EXPECT_EQ(fixed_units[1], '.');
    EXPECT_EQ(fixed_units[3], '.');
}

TEST_F(GraphicsLineInput, TheCloseButtonEndsTheInputAndStaysPendingForTheProgram) {
    post_keys({'1', '2', KEY_CLOSE, 'x'});
    int32_t value = 0;
    EXPECT_EQ(input_number("Nombre ", &value), 0);  // the line as typed
    EXPECT_EQ(value, 12);
    EXPECT_EQ(key_waiting(), 1);
    EXPECT_EQ(read_key(), KEY_CLOSE);
    EXPECT_EQ(read_key(), 'x');  // what followed the close, in its place

    graphics_locate(5, 1, 0);
    post_keys({'a', KEY_CLOSE});
    char buffer[8];
    EXPECT_EQ(graphics_read_line(buffer, sizeof buffer), buffer);
    EXPECT_STREQ(buffer, "a");
    EXPECT_EQ(cell_row(4).substr(0, 2), "a ");  // no block left behind
    EXPECT_EQ(wait_for_key(), KEY_CLOSE);
    EXPECT_EQ(key_waiting(), 0);
}

TEST_F(GraphicsLineInput, ACloseKeptFromBeforeDoesNotEndTheNextInput) {
    post_keys({KEY_CLOSE});
    char buffer[8];
    graphics_read_line(buffer, sizeof buffer);
    // A program that asks again without reading keys gets an input that waits for the user.
    post_keys({'7', KEY_ENTER});
    int32_t value = 0;
    EXPECT_EQ(input_number(nullptr, &value), 0);
    EXPECT_EQ(value, 7);
    post_keys({'8', KEY_ENTER});
    EXPECT_EQ(graphics_read_line(buffer, sizeof buffer), buffer);
    EXPECT_STREQ(buffer, "8\r");
    EXPECT_EQ(wait_for_key(), KEY_CLOSE);  // still there for the program
    EXPECT_EQ(read_key(), KEY_NONE);
}

TEST(GraphicsReadLineNoScreen, GivesNull) {
    char buffer[4];
    EXPECT_EQ(graphics_read_line(buffer, sizeof buffer), nullptr);
}

}  // namespace
}  // namespace qx
