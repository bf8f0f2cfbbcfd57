#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "gfx/coordinates.h"
#include "gfx/lines.h"
#include "null_screen.h"

namespace qx {
namespace {

using Points = std::set<std::pair<int32_t, int32_t>>;

class Lines : public NullScreenTest {
protected:
    void reopen() {
        close_screen();
        open(64, 48);
        clear_dirty_rows();
    }
    void SetUp() override {
        NullScreenTest::SetUp();
        open(64, 48);
        clear_dirty_rows();
    }
    void line(float x1, float y1, float x2, float y2, int32_t style = 0xFFFF, int32_t box = 0) {
        draw_line(nullptr, x1, y1, x2, y2, 9, box, style, 0);
    }
};

TEST_F(Lines, SinglePointAndTiesSteppingTheMinorAxis) {
    line(10, 10, 10, 10);
    EXPECT_EQ(painted(), (Points{{10, 10}}));
    EXPECT_EQ(dirty_rows(), (std::set<int32_t>{10}));
    reopen();
    line(0, 0, 4, 2);
    EXPECT_EQ(painted(), (Points{{0, 0}, {1, 1}, {2, 1}, {3, 2}, {4, 2}}));
}

TEST_F(Lines, StyleKeepsItsPhaseWhicheverEndComesFirst) {
    line(0, 5, 19, 5, 0xF0F0);
    Points expected;
    for (int x : {0, 1, 2, 3, 8, 9, 10, 11, 16, 17, 18, 19})
        expected.insert({x, 5});
    EXPECT_EQ(painted(), expected);
    reopen();
    line(19, 5, 0, 5, 0xF0F0);
    EXPECT_EQ(painted(), expected);
    reopen();
    line(3, 19, 3, 0, 0xF0F0);  // vertical from the far end: bit 15 at the given first point
    Points vertical;
    for (int y : {19, 18, 17, 16, 11, 10, 9, 8, 3, 2, 1, 0})
        vertical.insert({3, y});
    EXPECT_EQ(painted(), vertical);
}

TEST_F(Lines, DiagonalStyleStartsAtTheFirstPoint) {
    line(0, 0, 5, 10, 0x8000 | 0x2000);
    EXPECT_EQ(painted(), (Points{{0, 0}, {1, 2}}));
}

TEST_F(Lines, ClippedAtTheViewEdges) {
    line(-10, 5, 10, 5);
    EXPECT_EQ(painted().size(), 11u);
    EXPECT_EQ(*painted().begin(), std::make_pair(0, 5));
    reopen();
    line(-100, -100, 200, 200);  // through the whole screen
    Points diagonal;
    for (int i = 0; i < 48; ++i)
        diagonal.insert({i, i});
    EXPECT_EQ(painted(), diagonal);
    reopen();
    line(-5, -5, -1, 100);  // wholly left: nothing, no dirty rows
    EXPECT_TRUE(painted().empty());
    EXPECT_TRUE(dirty_rows().empty());
}

TEST_F(Lines, BoxesOutlinedFilledAndClipped) {
    line(5, 5, 1, 1, 0x00FF, 1);  // corners sorted, style ignored
    Points outline;
    for (int i = 1; i <= 5; ++i) {
        outline.insert({i, 1});
        outline.insert({i, 5});
        outline.insert({1, i});
        outline.insert({5, i});
    }
    EXPECT_EQ(painted(), outline);
    reopen();
    line(60, 40, 70, 60, 0xFFFF, 1);  // reaches past the right and bottom edges
    Points clipped;
    for (int x = 60; x < 64; ++x)
        clipped.insert({x, 40});
    for (int y = 40; y < 48; ++y)
        clipped.insert({60, y});
    EXPECT_EQ(painted(), clipped);
    reopen();
    line(-20, 3, -2, 9, 0xFFFF, 2);  // filled, wholly left of the view
    EXPECT_TRUE(painted().empty());
    EXPECT_TRUE(dirty_rows().empty());
    line(-2, 3, 1, 4, 0xFFFF, 2);  // half off the left edge
    EXPECT_EQ(painted(), (Points{{0, 3}, {1, 3}, {0, 4}, {1, 4}}));
    EXPECT_EQ(dirty_rows(), (std::set<int32_t>{3, 4}));
}

TEST_F(Lines, HugeAndNanCoordinatesAreSafe) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    line(-inf, 10, inf, 10);
    EXPECT_EQ(painted().size(), 64u);
    line(nan, nan, 1e30f, -1e30f);
    line(3e9f, 3e9f, -3e9f, -3e9f, 0xFFFF, 2);  // filled box over everything
    EXPECT_EQ(painted().size(), 64u * 48u);
}

TEST_F(Lines, UnsortedBoxCornersDrawNothing) {
    draw_box(10, 10, 5, 5, 9, 1);
    draw_box(5, 10, 10, 5, 9, 0);
    EXPECT_TRUE(painted().empty());
    EXPECT_TRUE(dirty_rows().empty());
}

TEST_F(Lines, FarEndsKeepTheirSlope) {
    // Ends saturated far outside: their differences need more than 32 bits.
    line(-1e10f, -1e10f, 1e10f, 1e10f);
    Points diagonal;
    for (int32_t i = 0; i < 48; ++i)
        diagonal.insert({i, i});
    EXPECT_EQ(painted(), diagonal);
    reopen();
    line(-1e10f, 1e10f, 1e10f, -1e10f);  // y = -x touches the screen at its corner only
    EXPECT_EQ(painted(), (Points{{0, 0}}));
}

TEST_F(Lines, ReverseStyleMirrorsTheBits) {
    EXPECT_EQ(reverse_style(0x8000), 0x0001);
    EXPECT_EQ(reverse_style(0xF0F0), 0x0F0F);
    EXPECT_EQ(reverse_style(0x1234), 0x2C48);
}

TEST_F(Lines, RelativeCoordinatesAndTheLastPoint) {
    draw_point(nullptr, 10, 10, 9, 0, 0);
    line(5, -5, 0, 0, 0xFFFF, 0);                     // absolute
    draw_line(nullptr, 1, 1, 2, 0, 9, 0, 0xFFFF, 3);  // first from last (0,0), second from first
    EXPECT_EQ(pixel(1, 1), 9u);
    EXPECT_EQ(pixel(3, 1), 9u);
    EXPECT_FLOAT_EQ(screen->last_x, 3);
    EXPECT_FLOAT_EQ(screen->last_y, 1);
}

}  // namespace
}  // namespace qx
