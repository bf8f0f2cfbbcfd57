#include <gtest/gtest.h>

#include <cstring>

#include "gfx/coordinates.h"
#include "gfx/driver/display_driver.h"
#include "gfx/ellipse.h"
#include "gfx/font.h"
#include "gfx/lines.h"
#include "gfx/palette.h"
#include "null_screen.h"
#include "runtime/runtime.h"
#include "runtime/text_hooks.h"

namespace qx {
namespace {

using Screens = NullScreenTest;

TEST_F(Screens, ScreenResOpensOnePageWithTheDefaults) {
    open(640, 480);
    EXPECT_EQ(screen->mode, -1);
    EXPECT_EQ(screen->page_count, 1);
    EXPECT_EQ(screen->pitch, 640);
    EXPECT_EQ(screen->text_cols, 80);
    EXPECT_EQ(screen->text_rows, 60);
    EXPECT_EQ(screen->font, &FONT_8X8);
    EXPECT_EQ(screen->fg_color, 15u);
    EXPECT_EQ(screen->bg_color, 0u);
    EXPECT_EQ(screen->default_palette, &PALETTE_256);
    EXPECT_EQ(screen->driver, &NULL_DRIVER);
    EXPECT_EQ(text_hooks.color_hook, graphics_set_color);
    EXPECT_NE(HICOLOR_LOOKUP, nullptr);
    EXPECT_EQ(std::strcmp(window_title(), "screen_test"), 0);
}

TEST_F(Screens, DepthsAreNormalised) {
    open(32, 16, 24);
    EXPECT_EQ(screen->depth, 32);
    EXPECT_EQ(screen->bytes_per_pixel, 4);
    open(32, 16, 15);
    EXPECT_EQ(screen->depth, 16);
    EXPECT_EQ(screen->color_mask, 0xFFFFu);
}

TEST_F(Screens, BadRequestsKeepTheOpenScreen) {
    open(64, 48);
    ScreenContext* open_screen = screen;
    for (auto [w, h, d] : {std::tuple{64, 48, 12}, {0, 48, 8}, {64, -1, 8}}) {
        EXPECT_EQ(screen_res(w, h, d, 0, 0, 0), 1);
        EXPECT_EQ(runtime_error(), 1);
        EXPECT_EQ(screen, open_screen);
    }
    for (int mode : {3, 4, 5, 6, 22, -1}) {
        EXPECT_EQ(screen_mode(mode, 0, 0, 0, 0), 1);
        EXPECT_EQ(screen, open_screen);
    }
}

TEST_F(Screens, OversizedScreensFailWithoutAScreen) {
    open(64, 48);
    EXPECT_EQ(screen_res(100000, 100000, 32, 0, 0, 0), 1);
    EXPECT_EQ(screen, nullptr);
    EXPECT_EQ(text_hooks.color_hook, nullptr);
    // 2^33-byte rows times 2^31 rows: a page size beyond 64 bits is refused, not wrapped.
    EXPECT_EQ(screen_res(INT32_MAX, INT32_MAX, 32, 0, 0, 0), 1);
    EXPECT_STREQ(error_text(),
                 "2147483647x2147483647x32 screen, 1 page: more than 2147483647 bytes");
    EXPECT_EQ(screen, nullptr);
    // One row of 2^31 bytes: the pitch itself would not fit 32 bits.
    EXPECT_EQ(screen_res(1 << 29, 1, 32, 0, 0, 0), 1);
    EXPECT_EQ(screen, nullptr);
    EXPECT_EQ(screen_res(640, 480, 8, 1000000, 0, 0), 1);  // too many pages together
    EXPECT_EQ(screen, nullptr);
    EXPECT_EQ(screen_res(64, 48, 8, 0, 0, 0), 0);  // and the next screen opens normally
}

TEST_F(Screens, NumberedModesAndRequestedDepth) {
    ASSERT_EQ(screen_mode(13, 32, 0, 0, 0), 0);
    EXPECT_EQ(screen->depth, 8);  // only modes above 13 take a requested depth
    ASSERT_EQ(screen_mode(14, 32, 2, 0, 0), 0);
    EXPECT_EQ(screen->depth, 32);
    EXPECT_EQ(screen->page_count, 2);
    ASSERT_EQ(screen_mode(2, 0, 0, 0, 0), 0);
    EXPECT_EQ(screen->scanline_size, 2);
    EXPECT_EQ(screen->color_mask, 1u);
    EXPECT_EQ(screen->fg_color, 1u);
    ASSERT_EQ(screen_mode(0, 0, 0, 0, 0), 0);
    EXPECT_EQ(screen, nullptr);
    EXPECT_EQ(text_hooks.port_in_hook, nullptr);
}

TEST_F(Screens, SecondScreenStartsCleared) {
    open(64, 48);
    draw_line(nullptr, 0, 0, 63, 47, 5, 2, 0xFFFF, 0);
    open(64, 48);
    EXPECT_TRUE(painted().empty());
    EXPECT_EQ(screen->cursor_col, 0);
    EXPECT_EQ(screen->cursor_row, 0);
}

TEST_F(Screens, LockBracketNestsAndKeepsAnOuterLock) {
    open(64, 48);
    begin_draw();
    EXPECT_EQ(screen->screen_flags & (SCREEN_LOCKED | SCREEN_LOCK_OWNED),
              SCREEN_LOCKED | SCREEN_LOCK_OWNED);
    begin_draw();
    end_draw();
    EXPECT_EQ(screen->screen_flags & SCREEN_LOCKED, 0u);
    screen->screen_flags |= SCREEN_LOCKED;  // a lock taken by an outer caller
    begin_draw();
    end_draw();
    EXPECT_EQ(screen->screen_flags & SCREEN_LOCKED, SCREEN_LOCKED);
}

TEST_F(Screens, PointsMapRoundClipAndMarkRows) {
    open(64, 48);
    clear_dirty_rows();
    draw_point(nullptr, -0.5f, 10, DEFAULT_COLOR, 0, 0);
    EXPECT_TRUE(painted().empty());
    draw_point(nullptr, 0.49f, 10, DEFAULT_COLOR, 0, 0);
    EXPECT_EQ(pixel(0, 10), 15u);
    draw_point(nullptr, 64, 47, 3, 0, 0);
    draw_point(nullptr, 63, 47, 3, 0, 0);
    EXPECT_EQ(pixel(63, 47), 3u);
    EXPECT_EQ(dirty_rows(), (std::set<int32_t>{10, 47}));
    screen->last_x = 100;
    screen->last_y = 50;
    draw_point(nullptr, 5, -5, DEFAULT_COLOR, 2, 1);  // relative, background colour
    EXPECT_FLOAT_EQ(screen->last_x, 105);
    EXPECT_FLOAT_EQ(screen->last_y, 45);
}

TEST_F(Screens, ColoursPackAtSixteenAndThirtyTwoBits) {
    open(16, 16, 16);
    EXPECT_EQ(convert_color(0x00FF8040), 0xFC08u);
    draw_line(nullptr, 0, 1, 15, 1, 0x00FF8040, 0, 0xFFFF, 0);
    EXPECT_EQ(pixel(15, 1), 0xFC08u);
    apply_palette(1, 0x3F);  // no palette above 8 bits
    EXPECT_EQ(dac_in(0x3C9), -1);
    open(16, 16, 32);
    draw_line(nullptr, 0, 1, 15, 1, 0xAB123456, 0, 0xFFFF, 0);
    EXPECT_EQ(pixel(7, 1), 0xAB123456u);
}

TEST_F(Screens, ImageTargetsAndBackRestoreTheView) {
    open(64, 48);
    set_view(10, 10, 20, 20, DEFAULT_COLOR, DEFAULT_COLOR, 0);
    alignas(4) uint8_t image[4 + 4 * 3] = {};
    auto* header = reinterpret_cast<ImageHeader*>(image);
    header->width_x8 = 4 * 8;
    header->height = 3;
    draw_point(image, 3, 2, 7, 0, 0);
    EXPECT_EQ(image[4 + 2 * 4 + 3], 7);
    draw_point(nullptr, 0, 0, 7, 0, 0);  // back on the screen, relative to the view
    EXPECT_EQ(pixel(10, 10), 7u);
    EXPECT_EQ(screen->view_w, 11);
    header->width_x8 = -8;  // an empty image draws nothing
    draw_line(image, 0, 0, 3, 3, 9, 2, 0xFFFF, 0);
}

TEST_F(Screens, ViewNeverReachesOutsideTheScreen) {
    open(64, 48);
    set_view(-10, -10, 100, 100, 4, DEFAULT_COLOR, 1);
    EXPECT_EQ(screen->view_x, 0);
    EXPECT_EQ(screen->view_w, 64);
    EXPECT_EQ(screen->view_h, 48);
    EXPECT_EQ(painted().size(), 64u * 48u);
    set_view(-32768, -32768, -32768, -32768, DEFAULT_COLOR, DEFAULT_COLOR, 0);
    EXPECT_EQ(screen->screen_flags & SCREEN_VIEW_SET, 0u);
}

TEST_F(Screens, DeepSpansStopAtTheirEnds) {
    for (int32_t depth : {16, 32}) {
        open(16, 8, depth);
        const uint32_t color = depth == 16 ? 0x00FF0000 : 0x00123456;
        const uint32_t stored = depth == 16 ? 0xF800 : 0x00123456;
        draw_line(nullptr, 3, 2, 12, 5, color, 2, 0xFFFF, 0);  // filled box
        draw_ellipse(nullptr, 8, 7, 0, color, 1, 0, FULL_TURN_MARK, 1, 0);
        for (int32_t y = 0; y < 8; ++y)
            for (int32_t x = 0; x < 16; ++x) {
                const bool inside = (x >= 3 && x <= 12 && y >= 2 && y <= 5) || (x == 8 && y == 7);
                EXPECT_EQ(pixel(x, y), inside ? stored : 0u) << depth << ": " << x << "," << y;
            }
        EXPECT_EQ(dirty_rows(), (std::set<int32_t>{2, 3, 4, 5, 7}));
    }
}

TEST_F(Screens, ExtremeViewCornersWithABorder) {
    open(64, 48);
    set_view(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, DEFAULT_COLOR, 3, 0);
    EXPECT_EQ(screen->view_x, 0);
    EXPECT_EQ(screen->view_w, 64);
    EXPECT_EQ(screen->view_h, 48);
    EXPECT_TRUE(painted().empty());                 // the border lies wholly off the screen
    set_view(70, 50, 80, 60, 5, DEFAULT_COLOR, 0);  // wholly off: an empty view
    EXPECT_EQ(screen->view_w, 0);
    EXPECT_EQ(screen->view_h, 0);
    draw_point(nullptr, 0, 0, 9, 0, 0);
    EXPECT_TRUE(painted().empty());
}

TEST_F(Screens, EmptyImagesDrawNothing) {
    open(64, 48);
    for (int16_t width_x8 : {int16_t{0}, int16_t{-16}, int16_t{16}}) {
        struct {
            int16_t width_x8;
            int16_t height;
            uint8_t pixels[8];
        } image = {width_x8, static_cast<int16_t>(width_x8 == 16 ? -3 : 2), {}};
        draw_point(&image, 0, 0, 9, 0, 0);
        draw_line(&image, 0, 0, 5, 5, 9, 2, 0xFFFF, 0);
        draw_line(&image, 0, 0, 5, 5, 9, 0, 0xFFFF, 0);
        for (uint8_t byte : image.pixels)
            EXPECT_EQ(byte, 0);
    }
    EXPECT_TRUE(painted().empty());
}

TEST_F(Screens, WindowTitleIsCutAndPassedOn) {
    open(16, 16);
    std::string long_title(300, 'x');
    change_window_title(long_title.c_str(), 300);
    EXPECT_EQ(std::strlen(window_title()), 127u);
}

}  // namespace
}  // namespace qx
