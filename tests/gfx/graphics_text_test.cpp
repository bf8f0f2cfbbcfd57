#include <gtest/gtest.h>

#include <string>

#include "gfx/graphics_input.h"
#include "gfx/graphics_text.h"
#include "gfx/palette.h"
#include "gfx/text_cells.h"
#include "runtime/console_output.h"
#include "runtime/devices.h"
#include "runtime/runtime.h"
#include "text_screen.h"

namespace qx {
namespace {

class GraphicsText : public ::testing::Test {
protected:
    void SetUp() override { open_text_screen(640, 480); }
    void TearDown() override { close_screen(); }
};

TEST_F(GraphicsText, PrintsCharactersWithTheirBackgroundAndRecordsTheCells) {
    set_color(14, 1);
    clear_dirty_rows();
    print("AB");
    EXPECT_TRUE(glyph_drawn(0, 0, 'A', 14, 1, FONT_8X8));
    EXPECT_TRUE(glyph_drawn(1, 0, 'B', 14, 1, FONT_8X8));
    EXPECT_EQ(pixel(16, 0), 0u);  // the cell after them is untouched
    EXPECT_EQ(pixel(0, 8), 0u);
    EXPECT_TRUE(only_rows_dirty(0, 7));
    EXPECT_EQ(cell_at(0, 0).character, 'A');
    EXPECT_EQ(cell_at(0, 0).foreground, 14u);
    EXPECT_EQ(cell_at(0, 0).background, 1u);
    EXPECT_EQ(cell_at(1, 0).character, 'B');
    EXPECT_EQ(cell_at(2, 0).character, ' ');
    EXPECT_EQ(graphics_get_column(), 3);
    EXPECT_EQ(graphics_get_row(), 1);
}

TEST_F(GraphicsText, BottomRightCellWaitsAndTheNextPrintScrollsByOneCellRow) {
    print("T");
    int32_t result = 0;
    locate(60, 80, -1, &result);
    ASSERT_EQ(runtime_error(), 0);
    clear_dirty_rows();
    print("X");
    EXPECT_TRUE(glyph_drawn(79, 59, 'X', 15, 0, FONT_8X8));
    EXPECT_TRUE(glyph_drawn(0, 0, 'T', 15, 0, FONT_8X8));  // nothing scrolled yet
    EXPECT_TRUE(only_rows_dirty(472, 479));
    EXPECT_EQ(graphics_get_row(), 60);
    EXPECT_EQ(graphics_get_column(), 80);

    clear_dirty_rows();
    print("Y");
    EXPECT_TRUE(glyph_drawn(79, 58, 'X', 15, 0, FONT_8X8));  // moved up by 8 pixel rows
    EXPECT_TRUE(glyph_drawn(0, 59, 'Y', 15, 0, FONT_8X8));
    EXPECT_TRUE(glyph_drawn(0, 0, ' ', 15, 0, FONT_8X8));  // the "T" left the screen
    EXPECT_TRUE(only_rows_dirty(0, 479));
    EXPECT_EQ(cell_at(79, 58).character, 'X');
    EXPECT_EQ(cell_at(79, 59).character, ' ');
    EXPECT_EQ(cell_at(0, 59).character, 'Y');
    EXPECT_EQ(cell_at(0, 0).character, ' ');
}

TEST_F(GraphicsText, LocateCancelsThePendingLineAdvance) {
    locate(60, 79, -1, nullptr);
    print("ab");  // fills the last row: advance pending
    locate(2, 1, -1, nullptr);
    print("c");
    EXPECT_TRUE(glyph_drawn(0, 1, 'c', 15, 0, FONT_8X8));
    EXPECT_EQ(cell_at(78, 59).character, 'a');  // no scroll happened
}

TEST_F(GraphicsText, ScrollsOnlyInsideTheViewPrintRows) {
    print("top");
    ASSERT_NE(view_print(5, 10), 0);
    for (int line = 0; line < 8; ++line)
        print("line " + std::to_string(line) + "\r\n");
    EXPECT_EQ(cell_row(0).substr(0, 3), "top");
    EXPECT_EQ(cell_row(4).substr(0, 6), "line 3");  // six rows hold the last five and a blank
    EXPECT_EQ(cell_row(8).substr(0, 6), "line 7");
    EXPECT_EQ(cell_row(9).substr(0, 1), " ");
    EXPECT_EQ(cell_row(10).substr(0, 1), " ");
    EXPECT_TRUE(glyph_drawn(0, 4, 'l', 15, 0, FONT_8X8));
    EXPECT_EQ(graphics_get_row(), 10);

    // More line feeds than the view has rows blank the whole view at once.
    fill_visible_page(6);
    print(std::string(12, '\n'));
    for (int32_t row = 4; row <= 9; ++row)
        EXPECT_EQ(cell_row(row), std::string(80, ' ')) << row;
    EXPECT_EQ(pixel(0, 31), 6u);
    EXPECT_EQ(pixel(0, 32), 0u);
    EXPECT_EQ(pixel(639, 79), 0u);
    EXPECT_EQ(pixel(0, 80), 6u);
    EXPECT_EQ(cell_row(0).substr(0, 3), "top");
    EXPECT_EQ(graphics_get_row(), 10);
}

TEST_F(GraphicsText, Code200ReadsBackWithItsColours) {
    locate(3, 5, -1, nullptr);
    set_color(9, 4);
    const unsigned char code = 200;
    text_print(&code, 1, 0);
    EXPECT_EQ(graphics_read_cell(5, 3, 0), 200);
    EXPECT_EQ(graphics_read_cell(5, 3, 1), 4 * 256 + 9);
    EXPECT_EQ(graphics_read_cell(6, 3, 0), ' ');
    EXPECT_TRUE(glyph_drawn(4, 2, 200, 9, 4, FONT_8X8));
    // Outside the grid, or 0-based by mistake: 0.
    EXPECT_EQ(graphics_read_cell(0, 3, 0), 0);
    EXPECT_EQ(graphics_read_cell(81, 3, 0), 0);
    EXPECT_EQ(graphics_read_cell(5, 61, 0), 0);
    EXPECT_EQ(graphics_read_cell(5, -1, 0), 0);
}

TEST_F(GraphicsText, WidthPicksTheFontOrChangesNothing) {
    EXPECT_EQ(graphics_width(0, 30), 60 << 16 | 80);
    EXPECT_EQ(screen->font, &FONT_8X16);
    EXPECT_EQ(screen->text_cols, 80);
    EXPECT_EQ(screen->text_rows, 30);
    EXPECT_EQ(graphics_width(80, 40), 30 << 16 | 80);  // cell height 12: no such font
    EXPECT_EQ(screen->font, &FONT_8X16);
    EXPECT_EQ(screen->text_rows, 30);
    EXPECT_EQ(graphics_width(81, 0), 30 << 16 | 80);  // cell width 7
    EXPECT_EQ(graphics_width(0, 0), 30 << 16 | 80);
    EXPECT_EQ(screen->text_cols, 80);

    // The new grid is in use at once: printing lands in 16-row cells.
    print("\r\nQ");
    EXPECT_TRUE(glyph_drawn(0, 1, 'Q', 15, 0, FONT_8X16));
    EXPECT_EQ(graphics_width(0, 34), 30 << 16 | 80);  // 480 / 34 = 14
    EXPECT_EQ(screen->font, &FONT_8X14);
    EXPECT_EQ(graphics_get_row(), 1);  // cleared, cursor home
    EXPECT_EQ(cell_row(1).substr(0, 1), " ");
}

TEST_F(GraphicsText, ClearTextViewLeavesTheRestAlone) {
    fill_visible_page(7);
    ASSERT_NE(view_print(5, 10), 0);
    clear_dirty_rows();
    graphics_clear(2);
    for (int32_t y = 0; y < 480; ++y) {
        const uint32_t expected = y >= 32 && y <= 79 ? 0 : 7;
        ASSERT_EQ(pixel(0, y), expected) << y;
        ASSERT_EQ(pixel(639, y), expected) << y;
    }
    EXPECT_TRUE(only_rows_dirty(32, 79));
    EXPECT_EQ(graphics_get_row(), 5);
    EXPECT_EQ(graphics_get_column(), 1);
    // No argument with a partial text view is the same clear.
    fill_visible_page(7);
    graphics_clear(CLEAR_DEFAULT);
    EXPECT_EQ(pixel(5, 31), 7u);
    EXPECT_EQ(pixel(5, 32), 0u);
}

TEST_F(GraphicsText, ClearWholeScreenResetsCellsCursorAndLastPoint) {
    print("hello");
    fill_visible_page(3);
    screen->last_x = screen->last_y = 1;
    clear_dirty_rows();
    graphics_clear(CLEAR_DEFAULT);  // whole text view, no graphics view: the whole screen
    EXPECT_EQ(pixel(0, 0), 0u);
    EXPECT_EQ(pixel(639, 479), 0u);
    EXPECT_TRUE(only_rows_dirty(0, 479));
    EXPECT_EQ(cell_row(0).substr(0, 5), "     ");
    EXPECT_EQ(graphics_get_column(), 1);
    EXPECT_EQ(screen->last_x, 320.0f);
    EXPECT_EQ(screen->last_y, 240.0f);
}

TEST_F(GraphicsText, ClearGraphicsViewFillsOnlyTheView) {
    print("keep");
    fill_visible_page(3);
    screen->view_x = 10;
    screen->view_y = 20;
    screen->view_w = 31;
    screen->view_h = 5;
    screen->screen_flags |= SCREEN_VIEW_SET;
    clear_dirty_rows();
    graphics_clear(CLEAR_DEFAULT);
    EXPECT_EQ(pixel(10, 20), 0u);
    EXPECT_EQ(pixel(40, 24), 0u);
    EXPECT_EQ(pixel(9, 20), 3u);
    EXPECT_EQ(pixel(41, 20), 3u);
    EXPECT_EQ(pixel(10, 25), 3u);
    EXPECT_TRUE(only_rows_dirty(20, 24));
    EXPECT_EQ(screen->last_x, 25.0f);
    EXPECT_EQ(screen->last_y, 22.0f);
    EXPECT_EQ(cell_row(0).substr(0, 4), "keep");
    // Any mode other than 0 and 2 is the graphics view.
    fill_visible_page(3);
    graphics_clear(5);
    EXPECT_EQ(pixel(10, 20), 0u);
    EXPECT_EQ(pixel(0, 0), 3u);
}

TEST_F(GraphicsText, LocateKeepsZeroArgumentsAndReportsThePosition) {
    EXPECT_EQ(graphics_locate(3, 5, 0), ((2 << 8) | 4) + 0x101);
    EXPECT_EQ(console_device()->column, 4);
    EXPECT_EQ(graphics_locate(0, 7, 1), ((2 << 8) | 6) + 0x101);
    EXPECT_EQ(graphics_locate(4, 0, 1), ((3 << 8) | 6) + 0x101);
    int32_t column = 0;
    int32_t row = 0;
    graphics_get_xy(&column, &row);
    EXPECT_EQ(column, 7);
    EXPECT_EQ(row, 4);
    graphics_get_xy(nullptr, &row);
    graphics_get_size(&column, nullptr);
    EXPECT_EQ(column, 80);
    // Beyond the grid the cursor stops at its edge, so a print stays on the screen.
    graphics_locate(1000, 1000, 0);
    EXPECT_EQ(graphics_get_row(), 60);
    EXPECT_EQ(graphics_get_column(), 80);
    print("Z");
    EXPECT_TRUE(glyph_drawn(79, 59, 'Z', 15, 0, FONT_8X8));
}

TEST_F(GraphicsText, WideTextShowsUnitsAboveByteRangeAsQuestionMarks) {
    const uint16_t text[] = {'A', 0x263A, 0xD83D, 0xDE00, 'B', 0x00E9, 0};
    graphics_print_buffer_wide(text, 6, 0);
    EXPECT_EQ(cell_row(0).substr(0, 5), std::string("A??B\xE9"));
    graphics_print_buffer_wide(text, 0);  // zero-terminated form
    EXPECT_EQ(cell_row(0).substr(0, 10), std::string("A??B\xE9"
                                                     "A??B\xE9"));
    // A high surrogate as the last unit is one "?" of its own.
    const uint16_t lone[] = {'x', 0xD800};
    graphics_print_buffer_wide(lone, 2, 0);
    EXPECT_EQ(cell_row(0).substr(10, 2), "x?");
    // Long texts are converted whole.
    std::u16string long_text(300, u'w');
    graphics_print_buffer_wide(reinterpret_cast<const uint16_t*>(long_text.data()), 300, 0);
    EXPECT_EQ(cell_at(71, 3).character, 'w');  // 12 + 300 = 312 cells: row 3 ends at column 71
    EXPECT_EQ(cell_at(72, 3).character, ' ');
}

TEST_F(GraphicsText, EmptyPrintOnlyRunsWithTheForceMask) {
    locate(60, 80, -1, nullptr);
    print("X");  // advance pending
    print("");
    EXPECT_EQ(graphics_get_row(), 60);
    EXPECT_EQ(graphics_get_column(), 80);
    print("", PRINT_FORCE);  // carries out the advance: scroll, cursor to the new last row
    EXPECT_EQ(graphics_get_row(), 60);
    EXPECT_EQ(graphics_get_column(), 1);
    EXPECT_EQ(cell_at(79, 58).character, 'X');
}

TEST_F(GraphicsText, EveryFontMatchesItsGlyphsPixelForPixel) {
    set_color(10, 5);
    const FontDescriptor* fonts[] = {&FONT_8X8, &FONT_8X14, &FONT_8X16};
    const int32_t rows_for[] = {60, 34, 30};
    for (int f = 0; f < 3; ++f) {
        graphics_width(0, rows_for[f]);
        ASSERT_EQ(screen->font, fonts[f]);
        for (int code = 0; code < 256; ++code) {
            if (code == 7 || code == 8 || code == 9 || code == 10 || code == 13) continue;
            locate(code / 32 + 1, code % 32 + 1, -1, nullptr);
            const unsigned char byte = static_cast<unsigned char>(code);
            text_print(&byte, 1, 0);
            ASSERT_TRUE(glyph_drawn(code % 32, code / 32, byte, 10, 5, *fonts[f]));
        }
    }
}

TEST(GraphicsTextDepths, SixteenAndThirtyTwoBitPixelsTakeTheColourValues) {
    open_text_screen(64, 16, 16);
    set_color(0x00FF0000, 0x000000FF);  // red on blue, packed 5-6-5
    print("A");
    EXPECT_TRUE(glyph_drawn(0, 0, 'A', 0xF800, 0x001F, FONT_8X8));
    close_screen();

    open_text_screen(64, 16, 32);
    set_color(0x00123456, 0x00ABCDEF);
    print("\r\ng");
    EXPECT_TRUE(glyph_drawn(0, 1, 'g', 0x00123456, 0x00ABCDEF, FONT_8X8));
    EXPECT_EQ(graphics_read_cell(1, 2, 2), 0x00ABCDEF);
    EXPECT_EQ(graphics_read_cell(1, 2, 1), 0x00123456);
    close_screen();
}

// Screens smaller than one cell: an empty grid, and nothing that writes outside the pixels.
TEST(GraphicsTextTiny, ScreensBelowOneCellHaveAnEmptyGridAndStayIntact) {
    const int32_t sizes[][2] = {{7, 7}, {8, 7}, {7, 8}, {1, 1}};
    for (const auto& size : sizes) {
        open_text_screen(size[0], size[1]);
        fill_visible_page(3);
        int32_t columns = -1;
        int32_t rows = -1;
        graphics_get_size(&columns, &rows);
        EXPECT_EQ(columns * rows, 0);
        print("hello\r\nworld\tX");
        print("", PRINT_FORCE);
        graphics_locate(5, 5, 0);
        print("again");
        EXPECT_EQ(pixel(0, 0), 3u);  // nothing drawn
        graphics_clear(2);
        graphics_clear(1);
        graphics_clear(0);
        graphics_clear(CLEAR_DEFAULT);
        EXPECT_EQ(graphics_width(1, 1), rows << 16 | columns);  // a cell size of 7 or 1: refused
        EXPECT_EQ(graphics_read_cell(1, 1, 0), 0);
        graphics_key_post('x');
        graphics_key_post(13);
        char buffer[8];
        EXPECT_NE(graphics_read_line(buffer, sizeof buffer), nullptr);
        EXPECT_STREQ(buffer, "x\r");
        close_screen();
    }
}

}  // namespace
}  // namespace qx
