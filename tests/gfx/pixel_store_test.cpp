// Shapes that store their pixels directly, and short spans filled without the library call,
// write exactly the pixels of the per-pixel routines at every depth.
#include <gtest/gtest.h>

#include "gfx/coordinates.h"
#include "gfx/ellipse.h"
#include "gfx/lines.h"
#include "gfx/pixel_ops.h"
#include "null_screen.h"

namespace qx {
namespace {

class PixelStore : public NullScreenTest {
protected:
    // Outlines, styled and diagonal lines, an outline box and cached arcs, partly clipped at
    // every edge of a 64 x 48 screen.
    static void draw_shapes(uint32_t color) {
        draw_ellipse(nullptr, 5, 24, 12, color, 1.0f, 0, FULL_TURN_MARK, 0, 0);
        draw_ellipse(nullptr, 60, 3, 9, color, 0.5f, 0, FULL_TURN_MARK, 0, 0);
        draw_ellipse(nullptr, 32, 46, 8, color, 1.0f, 0.3f, 2.9f, 0, 0);
        draw_line(nullptr, -10, -5, 70, 40, color, 0, 0xFFFF, 0);
        draw_line(nullptr, 3, 0, 3, 47, color, 0, 0xF0F0, 0);
        draw_line(nullptr, 0, 30, 63, 30, color, 0, 0xAAAA, 0);
        draw_box(50, 20, 70, 52, convert_color(color), 0);  // takes the stored value
    }
};

TEST_F(PixelStore, ShapesPaintTheSamePixelsAtEveryDepth) {
    open(64, 48, 8);
    draw_shapes(9);
    const auto reference = painted();
    ASSERT_GT(reference.size(), 200u);
    for (auto [depth, color] : {std::pair{16, 0x00ABCDEFu}, std::pair{32, 0x00123456u}}) {
        open(64, 48, depth);
        const uint32_t stored = convert_color(color);
        draw_shapes(color);
        EXPECT_EQ(painted(), reference) << depth << "-bit shapes";
        for (auto [x, y] : painted())
            ASSERT_EQ(pixel(x, y), stored) << depth << "-bit pixel " << x << "," << y;
    }
}

TEST_F(PixelStore, ShortSpansFillExactlyTheirPixels) {
    open(300, 8, 8);
    for (int32_t start : {0, 1, 7, 13}) {
        for (int32_t count = 1; count <= 280; ++count) {
            std::fill_n(screen->line_table[2], screen->width, uint8_t{0});
            pixel_ops.fill_span(screen->line_table[2] + start, 0xC3, static_cast<size_t>(count));
            for (int32_t x = 0; x < screen->width; ++x) {
                const bool inside = x >= start && x < start + count;
                ASSERT_EQ(pixel(x, 2), inside ? 0xC3u : 0u)
                    << "span of " << count << " from " << start << ", pixel " << x;
            }
        }
    }
}

}  // namespace
}  // namespace qx
