#include <gtest/gtest.h>

#include "gfx/palette.h"
#include "null_screen.h"

namespace qx {
namespace {

using Palettes = NullScreenTest;

TEST_F(Palettes, DefaultPaletteOfAnEightBitScreen) {
    open(64, 48);
    EXPECT_EQ(screen->device_palette[6], 0x000055AAu);
    EXPECT_EQ(screen->device_palette[16], 0u);
    EXPECT_EQ(screen->device_palette[31], 0x00FFFFFFu);
    clear_dirty_rows();
    apply_palette(1, 0x003F0000);
    EXPECT_EQ(screen->device_palette[1], 0x00FF0000u);  // pure blue
    EXPECT_EQ(dirty_rows().size(), 48u);
}

TEST_F(Palettes, ModeNineShowsEgaColoursThroughTheAssociation) {
    ASSERT_EQ(screen_mode(9, 0, 0, 0, 0), 0);
    apply_palette(2, 20);
    EXPECT_EQ(screen->device_palette[2], 0x000055AAu);
    EXPECT_EQ(screen->color_association[2], 20);
    apply_palette(2, 56);
    EXPECT_EQ(screen->device_palette[2], 0x00555555u);
}

TEST_F(Palettes, ModeOneBackgroundPicksTheTable) {
    ASSERT_EQ(screen_mode(1, 0, 0, 0, 0), 0);
    EXPECT_EQ(screen->color_association[1], 11);  // table A after opening
    set_color(-1, 0);
    EXPECT_EQ(screen->color_association[1], 2);
    EXPECT_EQ(screen->color_association[3], 6);
    set_color(-1, 3);
    EXPECT_EQ(screen->color_association[3], 15);
}

TEST_F(Palettes, DacPortsWriteAndReadEntries) {
    open(64, 48);
    dac_out(0x3C8, 5);
    dac_out(0x3C9, 63);
    dac_out(0x3C9, 0);
    dac_out(0x3C9, 0);
    EXPECT_EQ(screen->device_palette[5], 0x000000FFu);
    dac_out(0x3C9, 0);
    dac_out(0x3C9, 63);
    dac_out(0x3C9, 0);
    EXPECT_EQ(screen->device_palette[6], 0x0000FF00u);
    dac_out(0x3C7, 5);
    EXPECT_EQ(dac_in(0x3C9), 63);
    EXPECT_EQ(dac_in(0x3C9), 0);
    EXPECT_EQ(dac_in(0x3DA), 8);
    EXPECT_EQ(dac_out(0x3C0, 1), -1);
    EXPECT_EQ(dac_in(0x1234), -1);
}

TEST_F(Palettes, DeepScreensHaveNoPalette) {
    open(16, 8, 32);
    const uint32_t before = screen->device_palette[1];
    apply_palette(1, 0x003F0000);
    apply_palette(-1, 0);
    EXPECT_EQ(screen->device_palette[1], before);
    EXPECT_EQ(dac_in(0x3C9), -1);
    EXPECT_EQ(dac_out(0x3C8, 1), -1);
    EXPECT_EQ(dac_in(0x3DA), 8);  // the status port still answers
    EXPECT_TRUE(dirty_rows().empty());
    close_screen();
    apply_palette(1, 0);  // and nothing at all without a screen
    set_palette_entry(1, 0);
    resend_palette();
    EXPECT_EQ(dac_in(0x3C9), -1);
    EXPECT_EQ(graphics_set_color(1, 2), 0);  // set_color then sets the console's colours
}

TEST_F(Palettes, SetColorMasksAndPacks) {
    open(64, 48);
    EXPECT_EQ(set_color(0x1FF, -1), 15);  // previous (0 << 16) | 15
    EXPECT_EQ(screen->fg_color, 0xFFu);
    open(64, 48, 16);
    set_color(0x00FF8040, 0x000000FF);
    EXPECT_EQ(screen->fg_color, 0xFC08u);
    EXPECT_EQ(screen->bg_color, 0x001Fu);
    EXPECT_EQ(set_color(-1, -1), 0x001FFC08);
    // (bg << 16) | fg whatever the depth, nothing masked away.
    open(64, 48, 32);
    EXPECT_EQ(static_cast<uint32_t>(set_color(0x00123456, 0x00ABCDEF)), 0xFFFFFFFFu);
    EXPECT_EQ(static_cast<uint32_t>(set_color(-1, -1)), 0xCDEF0000u | 0x00123456u);
}

}  // namespace
}  // namespace qx
