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
    const TerminalAbilities rich{true, true, true, true, true};
    const TerminalAbilities sixel_256{false, true, true, false, true};
    auto mode = choose_draw_mode(plain, nullptr, nullptr);
    EXPECT_EQ(mode.pixels, TerminalPixels::SYMBOLS);
    EXPECT_EQ(mode.colors, TerminalColors::INDEXED_16);
    mode = choose_draw_mode(rich, nullptr, nullptr);
    EXPECT_EQ(mode.pixels, TerminalPixels::KITTY);
    EXPECT_EQ(mode.colors, TerminalColors::TRUECOLOR);
    mode = choose_draw_mode(sixel_256, nullptr, nullptr);  // sixels before iTerm2 images
    EXPECT_EQ(mode.pixels, TerminalPixels::SIXELS);
    EXPECT_EQ(mode.colors, TerminalColors::INDEXED_256);
    bool refused = true;
    mode = choose_draw_mode(rich, "Symbols", "16", &refused);
    EXPECT_EQ(mode.pixels, TerminalPixels::SYMBOLS);
    EXPECT_EQ(mode.colors, TerminalColors::INDEXED_16);
    EXPECT_FALSE(refused);
    mode = choose_draw_mode(rich, "iterm2", "TRUECOLOR", &refused);
    EXPECT_EQ(mode.pixels, TerminalPixels::ITERM2);
    EXPECT_FALSE(refused);
    // Unknown values leave the detected choice.
    mode = choose_draw_mode(rich, "vt100", "65536", &refused);
    EXPECT_EQ(mode.pixels, TerminalPixels::KITTY);
    EXPECT_EQ(mode.colors, TerminalColors::TRUECOLOR);
    EXPECT_FALSE(refused);
}

TEST(TerminalDrawMode, AForcedModeTheTerminalLacksFallsBackToSymbols) {
    const TerminalAbilities sixels_only{false, true, false, true, false};
    for (const char* forced : {"kitty", "iterm2"}) {
        bool refused = false;
        auto mode = choose_draw_mode(sixels_only, forced, nullptr, &refused);
        EXPECT_EQ(mode.pixels, TerminalPixels::SYMBOLS) << forced;
        EXPECT_EQ(mode.colors, TerminalColors::TRUECOLOR) << forced;
        EXPECT_TRUE(refused) << forced;
    }
    bool refused = false;
    EXPECT_EQ(choose_draw_mode(TerminalAbilities{true, false, false, false, false}, "sixels",
                               nullptr, &refused)
                  .pixels,
              TerminalPixels::SYMBOLS);
    EXPECT_TRUE(refused);
}

TEST(TerminalDrawMode, TheTerminalsAnswersOverruleItsDescription) {
    // xterm-256color describes neither; as a VT340 it answers attribute 4.
    const TerminalAbilities xterm{false, false, false, false, true};
    TerminalReplies vt340{};
    vt340.attributes = vt340.sixels = true;
    auto abilities = confirmed_abilities(xterm, &vt340);
    EXPECT_TRUE(abilities.sixels);
    EXPECT_TRUE(abilities.indexed_256);
    // A description of kitty and sixels that the terminal does not confirm (a terminal under
    // another's name): neither; iTerm2 images, which nothing asks, as described.
    const TerminalAbilities described{true, true, true, true, true};
    TerminalReplies plain{};
    plain.attributes = true;
    abilities = confirmed_abilities(described, &plain);
    EXPECT_FALSE(abilities.kitty);
    EXPECT_FALSE(abilities.sixels);
    EXPECT_TRUE(abilities.iterm2);
    // No answer at all: the description alone.
    TerminalReplies silent{};
    EXPECT_TRUE(confirmed_abilities(described, &silent).kitty);
    EXPECT_TRUE(confirmed_abilities(described, nullptr).sixels);
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

TEST(TerminalLayout, SixelsFillWholeCellsOffTheLastRowWithinTheLargestImage) {
    struct Case {
        int32_t columns, rows, cell_width, cell_height, max_width, max_height;
        int32_t picture_width, picture_height;
    };
    const Case cases[] = {
        {160, 50, 7, 14, 0, 0, 914, 686},           // 49 rows of 14: height-bound
        {160, 50, 7, 14, 1000, 1000, 914, 686},     // within xterm's 1000 x 1000 anyway
        {300, 100, 10, 20, 1000, 1000, 1000, 750},  // xterm's limit, in whole cells
        {300, 100, 9, 20, 1000, 1000, 999, 749},   {80, 2, 10, 20, 0, 0, 26, 20},  // one row left
    };
    for (const Case& c : cases) {
        ImagePlace place = place_sixels(640, 480, c.columns, c.rows, c.cell_width, c.cell_height,
                                        c.max_width, c.max_height);
        SCOPED_TRACE(std::to_string(c.columns) + "x" + std::to_string(c.rows));
        EXPECT_EQ(place.picture_width, c.picture_width);
        EXPECT_EQ(place.picture_height, c.picture_height);
        const TerminalLayout& layout = place.layout;
        EXPECT_EQ(place.pixel_width, layout.columns * c.cell_width);
        EXPECT_EQ(place.pixel_height, layout.rows * c.cell_height);
        EXPECT_GE(place.pixel_width, place.picture_width);
        EXPECT_LT(place.pixel_width - place.picture_width, c.cell_width);
        if (c.max_width > 0) {
            EXPECT_LE(place.pixel_width, c.max_width);
            EXPECT_LE(place.pixel_height, c.max_height);
        }
        EXPECT_LE(layout.top + layout.rows, c.rows - 1);  // the last row stays free
        EXPECT_LE(layout.left + layout.columns, c.columns);
    }
    EXPECT_EQ(place_sixels(640, 480, 80, 1, 10, 20, 0, 0).layout.columns, 0);
    EXPECT_EQ(place_sixels(640, 480, 80, 24, 10, 20, 5, 5).layout.columns, 0);
}

TEST(TerminalLayout, StretchedImagesTakeTheCellsShapeWithBlackBands) {
    // kitty's 6 x 13 cells: 142 x 49 cells of 852 x 637 pixels; 640 x 480 padded to 642 x 480.
    ImagePlace place = place_stretched_image(640, 480, 160, 50, 6, 13);
    EXPECT_EQ(place.layout.columns, 142);
    EXPECT_EQ(place.layout.rows, 49);
    EXPECT_EQ(place.layout.top + place.layout.rows, 49);
    EXPECT_EQ(place.pixel_width, 642);
    EXPECT_EQ(place.pixel_height, 480);
    EXPECT_EQ(place.picture_width, 640);
    // A tall box pads rows; the stretch is the same both ways to within a pixel.
    place = place_stretched_image(640, 480, 80, 100, 10, 21);
    const double across = 80.0 * 10 / place.pixel_width;
    const double down = place.layout.rows * 21.0 / place.pixel_height;
    EXPECT_EQ(place.pixel_width, 640);
    EXPECT_GT(place.pixel_height, 480);
    EXPECT_NEAR(640 * across * 3 / 4, 480 * down, 1.0);  // shown 4:3
    EXPECT_EQ(place_stretched_image(640, 480, 80, 1, 10, 20).layout.columns, 0);
}

TEST(TerminalDriverSelection, LastInTheListAndRefusesWithoutATerminal) {
    int32_t count = 0;
    while (DRIVER_LIST[count] != nullptr)
        ++count;
    // After the window drivers this build has (none when libX11's headers were missing).
    ASSERT_GE(count, 1);
    EXPECT_STREQ(DRIVER_LIST[count - 1]->name, "Terminal");
    EXPECT_EQ(DRIVER_LIST[count - 1], &TERMINAL_DRIVER);
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
