// The inline call chain of points and lines against per-pixel references: rounding, view
// offsets and clipping on random input, at every depth.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <random>
#include <tuple>
#include <vector>

#include "gfx/coordinates.h"
#include "gfx/ellipse.h"
#include "gfx/lines.h"
#include "gfx/pixel_ops.h"
#include "null_screen.h"

namespace qx {
namespace {

// The rounding as first written: double arithmetic, saturated at 2^30, NaN to 0.
int32_t reference_int(double v) {
    if (std::isnan(v)) return 0;
    if (v > 1 << 30) return 1 << 30;
    if (v < -(1 << 30)) return -(1 << 30);
    return static_cast<int32_t>(v);
}

void reference_map(float x, float y, int32_t& xi, int32_t& yi) {
    xi = reference_int(x > 0 ? static_cast<double>(x) + 0.5 : static_cast<double>(x) - 0.5);
    yi = reference_int(y > 0 ? static_cast<double>(y) + 0.5 : static_cast<double>(y) - 0.5);
    if (!(screen->screen_flags & SCREEN_VIEW_ABSOLUTE)) {
        xi = reference_int(static_cast<double>(xi) + screen->view_x);
        yi = reference_int(static_cast<double>(yi) + screen->view_y);
    }
}

uint32_t reference_pixel(uint32_t color) {
    if (screen->bytes_per_pixel == 2) {
        uint32_t r = color >> 16 & 0xFF, g = color >> 8 & 0xFF, b = color & 0xFF;
        color = (r & 0xF8) << 8 | (g & 0xFC) << 3 | b >> 3;
    }
    return color & screen->color_mask;
}

// Whole numbers, halves and their neighbours, the edges of saturation, NaN, infinities,
// and any bit pattern.
float random_coordinate(std::mt19937& random) {
    const float edges[] = {0.0f,
                           -0.0f,
                           0.5f,
                           -0.5f,
                           0.49999997f,
                           -0.49999997f,
                           1.5f,
                           -2.5f,
                           0x1p30f,
                           -0x1p30f,
                           0x1p30f - 64,
                           -0x1p31f,
                           0x1p31f - 128,
                           1e12f,
                           -1e12f,
                           std::numeric_limits<float>::infinity(),
                           -std::numeric_limits<float>::infinity(),
                           std::numeric_limits<float>::quiet_NaN()};
    switch (random() % 5) {
        case 0:
            return edges[random() % std::size(edges)];
        case 1:
            return std::bit_cast<float>(static_cast<uint32_t>(random()));
        case 2:
            return static_cast<float>(static_cast<int32_t>(random() % 200) - 60) + 0.5f;
        default:
            return static_cast<float>(static_cast<int32_t>(random() % 200) - 60);
    }
}

// A random view port, relative or absolute, or none.
void random_view(std::mt19937& random) {
    if (random() % 3 == 0) {
        set_view(OMITTED_COORDINATE, OMITTED_COORDINATE, OMITTED_COORDINATE, OMITTED_COORDINATE,
                 DEFAULT_COLOR, DEFAULT_COLOR, 0);
        return;
    }
    const auto x1 = static_cast<int32_t>(random() % 40), y1 = static_cast<int32_t>(random() % 30);
    set_view(x1, y1, x1 + static_cast<int32_t>(random() % 50),
             y1 + static_cast<int32_t>(random() % 40), DEFAULT_COLOR, DEFAULT_COLOR,
             static_cast<int32_t>(random() % 2));
}

class DrawCall : public NullScreenTest {
protected:
    // A whole number from one before the view to one past it, as the view takes points.
    static float near_view(std::mt19937& random, bool vertical) {
        const ScreenContext* s = screen;
        const int32_t size = vertical ? s->view_h : s->view_w;
        const int32_t origin = !(s->screen_flags & SCREEN_VIEW_ABSOLUTE) ? 0
                               : vertical                                ? s->view_y
                                                                         : s->view_x;
        return static_cast<float>(origin - 1 + static_cast<int32_t>(random() % (size + 2)));
    }
    std::vector<uint32_t> expected;
    std::vector<uint8_t> expected_dirty;

    void open_depth(int32_t depth) {
        // 1, 2 and 4 bits come from the numbered modes, the rest by size.
        if (depth == 1 || depth == 2 || depth == 4) {
            ASSERT_EQ(screen_mode(depth == 1 ? 11 : depth == 2 ? 1 : 12, 0, 0, 0, 0), 0);
        } else {
            open(96, 64, depth);
        }
        clear_dirty_rows();
        expected.assign(static_cast<size_t>(screen->width) * screen->height, 0);
        expected_dirty.assign(static_cast<size_t>(screen->height), 0);
    }
    void plot(int64_t x, int64_t y, uint32_t value) {
        const ScreenContext* s = screen;
        if (x < s->view_x || x >= s->view_x + s->view_w || y < s->view_y ||
            y >= s->view_y + s->view_h)
            return;
        expected[static_cast<size_t>(y * s->width + x)] = value;
        expected_dirty[static_cast<size_t>(y)] = 1;
    }
    void check(const char* what, int32_t depth, int32_t step) {
        for (int32_t y = 0; y < screen->height; ++y) {
            for (int32_t x = 0; x < screen->width; ++x) {
                ASSERT_EQ(pixel(x, y), expected[static_cast<size_t>(y) * screen->width + x])
                    << what << " at depth " << depth << ", step " << step << ", pixel " << x << ","
                    << y;
            }
            ASSERT_EQ(screen->dirty_lines[y], expected_dirty[static_cast<size_t>(y)])
                << what << " at depth " << depth << ", step " << step << ", row " << y;
        }
    }
};

TEST_F(DrawCall, DevicePointsRoundAsTheReference) {
    open(96, 64);
    std::mt19937 random(3);
    for (int32_t i = 0; i < 20000; ++i) {
        if (i % 50 == 0) random_view(random);
        const float x = random_coordinate(random), y = random_coordinate(random);
        int32_t xi, yi, rx, ry;
        map_point(x, y, &xi, &yi);
        reference_map(x, y, rx, ry);
        ASSERT_EQ(xi, rx) << x;
        ASSERT_EQ(yi, ry) << y;
    }
}

TEST_F(DrawCall, PointsAndSolidLinesPaintTheReferencePixelsAtEveryDepth) {
    for (int32_t depth : {1, 2, 4, 8, 16, 32}) {
        open_depth(depth);
        std::mt19937 random(static_cast<uint32_t>(depth));
        for (int32_t step = 0; step < 600; ++step) {
            if (step % 40 == 0) random_view(random);
            const auto color = static_cast<uint32_t>(random());
            const uint32_t value = reference_pixel(color);
            // Half the steps on whole numbers at and around the view: the short paths.
            const bool near = random() % 2 == 0;
            const auto coordinate = [&](bool vertical) {
                return near ? near_view(random, vertical) : random_coordinate(random);
            };
            const bool horizontal = step % 3 == 1;
            const float x1 = coordinate(false), y1 = coordinate(true);
            int32_t ix1, iy1;
            reference_map(x1, y1, ix1, iy1);
            if (step % 3 == 0) {
                draw_point(nullptr, x1, y1, color, 0, 0);
                plot(ix1, iy1, value);
                continue;
            }
            if (step % 5 == 4) {
                // A box, outline or filled, between the two points.
                const float x2 = coordinate(false), y2 = coordinate(true);
                int32_t ix2, iy2;
                reference_map(x2, y2, ix2, iy2);
                const int32_t filled = static_cast<int32_t>(random() % 2);
                draw_line(nullptr, x1, y1, x2, y2, color, 1 + filled, 0xFFFF, 0);
                const int64_t left = std::min(ix1, ix2), right = std::max(ix1, ix2);
                const int64_t top = std::min(iy1, iy2), bottom = std::max(iy1, iy2);
                const ScreenContext* s = screen;
                for (int64_t y = std::max<int64_t>(top, s->view_y - 1);
                     y <= std::min<int64_t>(bottom, s->view_y + s->view_h); ++y) {
                    for (int64_t x = std::max<int64_t>(left, s->view_x - 1);
                         x <= std::min<int64_t>(right, s->view_x + s->view_w); ++x) {
                        if (filled || x == left || x == right || y == top || y == bottom)
                            plot(x, y, value);
                    }
                }
                // Every row of the box within the view is marked, painted or not.
                if (left < s->view_x + s->view_w && right >= s->view_x) {
                    for (int64_t y = std::max<int64_t>(top, s->view_y);
                         y <= std::min<int64_t>(bottom, s->view_y + s->view_h - 1); ++y)
                        expected_dirty[static_cast<size_t>(y)] = 1;
                }
                continue;
            }
            // Horizontal and vertical solid lines: the spans the fast chain fills.
            const float other = coordinate(!horizontal);
            const float x2 = horizontal ? other : x1, y2 = horizontal ? y1 : other;
            int32_t ix2, iy2;
            reference_map(x2, y2, ix2, iy2);
            if (ix1 != ix2 && iy1 != iy2) continue;  // a NaN or saturation made it slanted
            draw_line(nullptr, x1, y1, x2, y2, color, 0, 0xFFFF, 0);
            const ScreenContext* s = screen;
            // Per pixel over the part that can be inside the view.
            const int64_t lo_x = std::max<int64_t>(std::min(ix1, ix2), s->view_x - 1);
            const int64_t hi_x = std::min<int64_t>(std::max(ix1, ix2), s->view_x + s->view_w);
            const int64_t lo_y = std::max<int64_t>(std::min(iy1, iy2), s->view_y - 1);
            const int64_t hi_y = std::min<int64_t>(std::max(iy1, iy2), s->view_y + s->view_h);
            for (int64_t y = lo_y; y <= hi_y; ++y)
                for (int64_t x = lo_x; x <= hi_x; ++x)
                    plot(x, y, value);
            if (step % 25 == 0) check("points and lines", depth, step);
        }
        check("points and lines", depth, 600);
        close_screen();
    }
}

// Discs and ellipses fill their rows with byte words at 8 bits and per pixel at 16 and 32, and
// arcs store bytes unchecked at 8 bits: the same pixels at every depth, clipped anywhere.
TEST_F(DrawCall, EllipsesAndArcsPaintTheSamePixelsAtEveryDepth) {
    // Discs, outlines, or arcs (replayed from the cache), all over the screen and across its
    // edges: at 8 bits those within the clip are stored without tests.
    enum Kind { DISCS, OUTLINES, ARCS };
    auto draw = [](Kind kind) {
        const bool arcs = kind == ARCS;
        std::mt19937 random(5);
        const auto w = static_cast<int32_t>(screen->width),
                   h = static_cast<int32_t>(screen->height);
        for (int32_t i = 0; i < 80; ++i) {
            const auto x = static_cast<float>(static_cast<int32_t>(random() % (w + 60)) - 30);
            const auto y = static_cast<float>(static_cast<int32_t>(random() % (h + 60)) - 30);
            const auto radius = static_cast<float>(random() % (arcs ? 30 : 60));
            const float aspect = 0.2f + static_cast<float>(random() % 20) / 10;
            const float start = arcs ? static_cast<float>(random() % 60) / 10 : 0;
            draw_ellipse(nullptr, x, y, radius, 0xFFFFFF, aspect, start,
                         arcs ? start + 2 : FULL_TURN_MARK, kind == DISCS ? 1 : 0, 0);
        }
        return painted();
    };
    // Each size at 8 bits first, then the other depths of that size.
    for (Kind kind : {DISCS, OUTLINES, ARCS}) {
        for (auto [width, height, depths] : {std::tuple{96, 64, std::vector<int32_t>{16, 32}},
                                             {640, 480, {1, 4}},
                                             {320, 200, {2}}}) {
            open(width, height, 8);
            const auto reference = draw(kind);
            ASSERT_GT(reference.size(), 200u);
            for (int32_t depth : depths) {
                open_depth(depth);
                ASSERT_EQ(screen->width, width);
                const auto shape = draw(kind);
                EXPECT_EQ(shape, reference) << depth << "-bit shapes of kind " << kind;
                for (auto [x, y] : shape)
                    ASSERT_EQ(pixel(x, y), screen->color_mask & 0xFFFFFF)
                        << depth << "-bit pixel " << x << "," << y;
            }
        }
    }
}

TEST_F(DrawCall, FilledSpansStoreExactlyTheirPixels) {
    // Colours of distinct bytes go through the vector stores, those of one repeated byte past
    // 256 bytes through the library fill.
    for (auto [bytes, color] :
         {std::pair{1, 0xC3u}, {2, 0xB2A1u}, {2, 0xFFFFu}, {4, 0xD4C3B2A1u}, {4, 0u}}) {
        for (size_t start : {0u, 1u, 3u}) {
            for (size_t count = 0; count <= 300; ++count) {
                std::vector<uint8_t> row(1300, 0x55), want(1300, 0x55);
                fill_pixels(row.data() + start * bytes, bytes, color, count);
                for (size_t i = 0; i < count; ++i)
                    std::memcpy(want.data() + (start + i) * bytes, &color, bytes);
                ASSERT_EQ(row, want) << bytes << "-byte pixels, " << count << " from " << start;
            }
        }
    }
}

}  // namespace
}  // namespace qx
