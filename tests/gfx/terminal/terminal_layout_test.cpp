#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "gfx/driver/display_driver.h"
#include "gfx/terminal/terminal_layout.h"

namespace qx {
namespace {

struct LayoutCase {
    int32_t width, height, columns, rows, cell_width, cell_height;
    TerminalLayout expected;
};

TEST(TerminalLayout, KeepsTheAspectRatioAndCentres) {
    const LayoutCase cases[] = {
        // 640 x 480 in 160 x 50 cells of unknown size (1:2): height-bound, 133 columns.
        {640, 480, 160, 50, 0, 0, {133, 50, 13, 0}},
        // A tall terminal: width-bound, rows centred.
        {640, 480, 80, 100, 0, 0, {80, 30, 0, 35}},
        // Square cells reported by the terminal change the shape.
        {640, 480, 160, 50, 10, 10, {67, 50, 46, 0}},
        {640, 480, 200, 60, 8, 16, {160, 60, 20, 0}},
        // A screen far larger than the terminal still fits.
        {32000, 20000, 80, 24, 0, 0, {77, 24, 1, 0}},
        // The smallest terminal gets one cell; an extreme shape never goes below one.
        {640, 480, 1, 1, 0, 0, {1, 1, 0, 0}},
        {10000, 1, 80, 24, 0, 0, {80, 1, 0, 11}},
        {1, 10000, 80, 24, 0, 0, {1, 24, 39, 0}},
    };
    for (const LayoutCase& c : cases) {
        TerminalLayout got =
            lay_out_picture(c.width, c.height, c.columns, c.rows, c.cell_width, c.cell_height);
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + " in " +
                     std::to_string(c.columns) + "x" + std::to_string(c.rows));
        EXPECT_EQ(got.columns, c.expected.columns);
        EXPECT_EQ(got.rows, c.expected.rows);
        EXPECT_EQ(got.left, c.expected.left);
        EXPECT_EQ(got.top, c.expected.top);
    }
}

TEST(TerminalLayout, NoRoomGivesAnEmptyLayout) {
    for (auto [columns, rows] : {std::pair{0, 24}, std::pair{80, 0}, std::pair{-1, -1}}) {
        TerminalLayout got = lay_out_picture(640, 480, columns, rows, 0, 0);
        EXPECT_EQ(got.columns, 0);
        EXPECT_EQ(got.rows, 0);
    }
    EXPECT_EQ(lay_out_picture(0, 480, 80, 24, 0, 0).columns, 0);
}

TEST(TerminalLayout, CellsMapToPixelsInsideThePicture) {
    const TerminalLayout layout{133, 50, 13, 0};
    int32_t x = -1, y = -1;
    cell_to_pixel(layout, 640, 480, 13, 0, &x, &y);  // first cell: its centre
    EXPECT_EQ(x, 2);
    EXPECT_EQ(y, 4);
    cell_to_pixel(layout, 640, 480, 13 + 132, 49, &x, &y);
    EXPECT_EQ(x, 637);
    EXPECT_EQ(y, 475);
    // Outside the picture (the margins, beyond the terminal) clamps to its edge.
    cell_to_pixel(layout, 640, 480, 0, 0, &x, &y);
    EXPECT_EQ(x, 2);
    cell_to_pixel(layout, 640, 480, 5000, 5000, &x, &y);
    EXPECT_EQ(x, 637);
    EXPECT_EQ(y, 475);
    cell_to_pixel(TerminalLayout{0, 0, 0, 0}, 640, 480, 3, 3, &x, &y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
}

TEST(TerminalDrawMode, BestOfferUnlessTheVariablesSayOtherwise) {
    const TerminalAbilities plain{};
    const TerminalAbilities rich{true, true, false, true, true};
    const TerminalAbilities sixel_256{false, true, false, false, true};
    auto mode = choose_draw_mode(plain, nullptr, nullptr);
    EXPECT_EQ(mode.pixels, TerminalPixels::SYMBOLS);
    EXPECT_EQ(mode.colors, TerminalColors::INDEXED_16);
    mode = choose_draw_mode(rich, nullptr, nullptr);
    EXPECT_EQ(mode.pixels, TerminalPixels::KITTY);
    EXPECT_EQ(mode.colors, TerminalColors::TRUECOLOR);
    mode = choose_draw_mode(sixel_256, nullptr, nullptr);
    EXPECT_EQ(mode.pixels, TerminalPixels::SIXELS);
    EXPECT_EQ(mode.colors, TerminalColors::INDEXED_256);
    mode = choose_draw_mode(rich, "Symbols", "16");
    EXPECT_EQ(mode.pixels, TerminalPixels::SYMBOLS);
    EXPECT_EQ(mode.colors, TerminalColors::INDEXED_16);
    mode = choose_draw_mode(plain, "iterm2", "TRUECOLOR");
    EXPECT_EQ(mode.pixels, TerminalPixels::ITERM2);
    EXPECT_EQ(mode.colors, TerminalColors::TRUECOLOR);
    // Unknown values leave the detected choice.
    mode = choose_draw_mode(rich, "vt100", "65536");
    EXPECT_EQ(mode.pixels, TerminalPixels::KITTY);
    EXPECT_EQ(mode.colors, TerminalColors::TRUECOLOR);
}

TEST(TerminalDriverSelection, NeedsATerminalAndInThePlainSearchItsKeysToo) {
    EXPECT_EQ(terminal_driver_refusal(false, true, true, "xterm"), nullptr);
    EXPECT_EQ(terminal_driver_refusal(false, true, true, nullptr), nullptr);
    EXPECT_EQ(terminal_driver_refusal(true, false, true, "xterm"), nullptr);  // QXGFX=terminal
    EXPECT_STREQ(terminal_driver_refusal(false, false, true, "xterm"),
                 "standard input is not a terminal (QXGFX=terminal draws anyway)");
    EXPECT_STREQ(terminal_driver_refusal(true, true, false, "xterm"),
                 "standard output is not a terminal");
    EXPECT_STREQ(terminal_driver_refusal(true, true, true, "dumb"),
                 "TERM=dumb: the terminal cannot place the cursor");
}

TEST(TerminalLayout, ImagesNeverCarryMorePixelsThanThePicture) {
    const TerminalLayout layout{133, 50, 13, 0};
    int32_t width = 10, height = 20;  // the terminal's cells: larger than the picture needs
    image_cell_size(layout, 640, 480, &width, &height);
    EXPECT_EQ(width, 5);  // 640 / 133 rounded up
    EXPECT_EQ(height, 10);
    width = 3, height = 6;  // smaller cells stay
    image_cell_size(layout, 640, 480, &width, &height);
    EXPECT_EQ(width, 3);
    EXPECT_EQ(height, 6);
    width = height = 0;  // unknown
    image_cell_size(TerminalLayout{200, 100, 0, 0}, 64, 48, &width, &height);
    EXPECT_EQ(width, 1);
    EXPECT_EQ(height, 1);
}

TEST(TerminalDriverSelection, LastInTheListAndRefusesWithoutATerminal) {
    int32_t count = 0;
    while (DRIVER_LIST[count] != nullptr)
        ++count;
    ASSERT_EQ(count, 4);
    EXPECT_STREQ(DRIVER_LIST[3]->name, "Terminal");
    EXPECT_EQ(DRIVER_LIST[3], &TERMINAL_DRIVER);
    // The tests' output is no terminal: init refuses, and its exit is safe afterwards.
    EXPECT_NE(TERMINAL_DRIVER.init("t", 64, 48, 8, 0, 0), 0);
    TERMINAL_DRIVER.exit();
    EXPECT_NE(TERMINAL_DRIVER.init("t", 64, 48, 8, 0, SCREEN_OPENGL), 0);
    TERMINAL_DRIVER.exit();
    int32_t x = 0, y = 0, wheel = 0, buttons = 0;
    EXPECT_EQ(TERMINAL_DRIVER.get_mouse(&x, &y, &wheel, &buttons), -1);
}

}  // namespace
}  // namespace qx
