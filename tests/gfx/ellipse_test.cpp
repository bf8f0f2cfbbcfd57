#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "gfx/ellipse.h"
#include "null_screen.h"

namespace qx {
namespace {

using Points = std::set<std::pair<int32_t, int32_t>>;

class Ellipses : public NullScreenTest {
protected:
    void reopen() {
        close_screen();
        open(640, 480);
        clear_dirty_rows();
    }
    void SetUp() override {
        NullScreenTest::SetUp();
        open(640, 480);
        clear_dirty_rows();
    }
    void ellipse(float x, float y, float r, float aspect, float start, float end, int filled) {
        draw_ellipse(nullptr, x, y, r, 9, aspect, start, end, filled, 0);
    }
};

TEST_F(Ellipses, RadiusZeroIsOnePixel) {
    ellipse(10, 10, 0, 0, 0, FULL_TURN_MARK, 0);
    EXPECT_EQ(painted(), (Points{{10, 10}}));
}

TEST_F(Ellipses, SmallCircleOutline) {
    ellipse(10, 10, 2, 1, 0, FULL_TURN_MARK, 0);
    EXPECT_EQ(painted(),
              (Points{{8, 10}, {12, 10}, {9, 9}, {11, 9}, {9, 11}, {11, 11}, {10, 8}, {10, 12}}));
    EXPECT_EQ(dirty_rows(), (std::set<int32_t>{8, 9, 10, 11, 12}));
}

TEST_F(Ellipses, FilledCircleRowsAreSymmetricSpans) {
    ellipse(20, 20, 3, 1, 0, FULL_TURN_MARK, 1);
    Points points = painted();
    for (auto [x, y] : points) {
        EXPECT_TRUE(points.count({40 - x, y}) && points.count({x, 40 - y})) << x << "," << y;
    }
    EXPECT_TRUE(points.count({17, 20}) && points.count({23, 20}) && points.count({20, 17}));
    EXPECT_FALSE(points.count({16, 20}));
}

TEST_F(Ellipses, AspectDecidesWhichRadiusShrinks) {
    ellipse(100, 100, 40, 2, 0, FULL_TURN_MARK, 0);  // rx 20, ry 40
    Points tall = painted();
    EXPECT_TRUE(tall.count({80, 100}) && tall.count({120, 100}));
    EXPECT_TRUE(tall.count({100, 60}) && tall.count({100, 140}));
    reopen();
    ellipse(100, 100, 40, 0.5f, 0, FULL_TURN_MARK, 0);  // rx 40, ry 20
    Points wide = painted();
    EXPECT_TRUE(wide.count({60, 100}) && wide.count({140, 100}));
    EXPECT_TRUE(wide.count({100, 80}) && wide.count({100, 120}));
}

TEST_F(Ellipses, DefaultAspectFollowsTheScreenShape) {
    ellipse(100, 100, 10, 0, 0, FULL_TURN_MARK, 0);  // 640 x 480: a true circle
    EXPECT_TRUE(painted().count({100, 90}));
    close_screen();
    open(320, 200);
    ellipse(100, 100, 60, 0, 0, FULL_TURN_MARK, 0);  // rx 60, ry 50
    Points points = painted();
    EXPECT_TRUE(points.count({40, 100}) && points.count({160, 100}));
    EXPECT_TRUE(points.count({100, 50}) && points.count({100, 150}));
}

TEST_F(Ellipses, QuarterArcRunsCounterClockwise) {
    ellipse(50, 50, 10, 1, 0, 1.5707964f, 0);
    Points points = painted();
    EXPECT_TRUE(points.count({60, 50}));
    EXPECT_TRUE(points.count({50, 40}));
    for (auto [x, y] : points)
        EXPECT_TRUE(x >= 50 && y <= 50) << x << "," << y;
}

TEST_F(Ellipses, ArcsInEveryQuadrant) {
    const float quarter = 1.5707964f;
    for (int q = 0; q < 4; ++q) {
        reopen();
        ellipse(50, 50, 10, 1, q * quarter + 0.1f, (q + 1) * quarter - 0.1f, 1);
        Points points = painted();
        ASSERT_FALSE(points.empty());
        for (auto [x, y] : points) {
            EXPECT_EQ(x >= 50, q == 0 || q == 3) << q;
            EXPECT_EQ(y <= 50, q == 0 || q == 1) << q;
        }
    }
}

TEST_F(Ellipses, NegativeAnglesDrawRadii) {
    ellipse(50, 50, 10, 1, -0.5f, -1.0f, 0);
    Points points = painted();
    EXPECT_TRUE(points.count({50, 50}));  // both radii start at the centre
    EXPECT_TRUE(points.count({59, 45}));  // end of the 0.5 radius: (cos, sin) x 10 rounded
    EXPECT_TRUE(points.count({55, 42}));  // end of the 1.0 radius
}

TEST_F(Ellipses, NearestTwoPiIsAnArcNotTheWholeEllipse) {
    ellipse(50, 50, 5, 1, 0, 6.2831855f, 1);  // filled is ignored for arcs
    EXPECT_FALSE(painted().count({50, 50}));
    EXPECT_TRUE(painted().count({55, 50}));
}

TEST_F(Ellipses, FilledCircleHalfOffTheLeftEdge) {
    ellipse(0, 100, 10, 1, 0, FULL_TURN_MARK, 1);
    for (auto [x, y] : painted())
        EXPECT_GE(x, 0);
    EXPECT_TRUE(painted().count({10, 100}));
    reopen();
    ellipse(100, 2, 10, 1, 0, FULL_TURN_MARK, 1);  // half off the top: only visible rows dirty
    EXPECT_EQ(*dirty_rows().begin(), 0);
    EXPECT_EQ(*dirty_rows().rbegin(), 12);
}

TEST_F(Ellipses, HugeAndBrokenValuesEndSafely) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    ellipse(320, 240, 1e6f, 1, 0, FULL_TURN_MARK, 0);
    ellipse(320, 240, 1e6f, 1, 0, FULL_TURN_MARK, 1);
    ellipse(320, 240, 1e30f, 1, 0, FULL_TURN_MARK, 1);
    ellipse(nan, nan, nan, nan, nan, nan, 0);
    ellipse(320, 240, 10, 1, 1e30f, -1e30f, 0);
    ellipse(320, 240, 10, 1, 0, std::numeric_limits<float>::infinity(), 0);
    ellipse(320, 240, -10, 1, 0, FULL_TURN_MARK, 1);
    ellipse(1e20f, -1e20f, 5, 1, 0, FULL_TURN_MARK, 1);
    EXPECT_EQ(screen->width, 640);  // reached the end without a fault
}

TEST_F(Ellipses, EllipsesByAspectPixelByPixel) {
    ellipse(10, 10, 2, 2, 0, FULL_TURN_MARK, 0);  // rx 1, ry 2
    EXPECT_EQ(painted(),
              (Points{{9, 10}, {11, 10}, {9, 9}, {11, 9}, {9, 11}, {11, 11}, {10, 8}, {10, 12}}));
    reopen();
    ellipse(20, 20, 4, 0.5f, 0, FULL_TURN_MARK, 0);  // rx 4, ry 2: the flat top is filled in
    EXPECT_EQ(painted(), (Points{{16, 20},
                                 {24, 20},
                                 {17, 19},
                                 {23, 19},
                                 {17, 21},
                                 {23, 21},
                                 {18, 18},
                                 {19, 18},
                                 {20, 18},
                                 {21, 18},
                                 {22, 18},
                                 {18, 22},
                                 {19, 22},
                                 {20, 22},
                                 {21, 22},
                                 {22, 22}}));
    reopen();
    ellipse(20, 20, 4, 0.5f, 0, FULL_TURN_MARK, 1);
    Points filled;
    for (int32_t x = 16; x <= 24; ++x)
        filled.insert({x, 20});
    for (int32_t x = 17; x <= 23; ++x)
        filled.insert({x, 19}), filled.insert({x, 21});
    for (int32_t x = 18; x <= 22; ++x)
        filled.insert({x, 18}), filled.insert({x, 22});
    EXPECT_EQ(painted(), filled);
    EXPECT_EQ(dirty_rows(), (std::set<int32_t>{18, 19, 20, 21, 22}));
}

TEST_F(Ellipses, SmallArcsPixelByPixel) {
    ellipse(10, 10, 3, 1, 0, 1.5707964f, 0);
    EXPECT_EQ(painted(), (Points{{13, 10}, {13, 9}, {12, 8}, {11, 7}, {10, 7}}));
    reopen();
    // Negative angles: radii to both ends, then the arc from pi/2 to pi.
    ellipse(10, 10, 3, 1, -1.5707964f, -3.1415927f, 0);
    EXPECT_EQ(painted(), (Points{{10, 10},
                                 {10, 9},
                                 {10, 8},
                                 {10, 7},
                                 {9, 10},
                                 {8, 10},
                                 {7, 10},
                                 {9, 7},
                                 {8, 8},
                                 {7, 9}}));
    EXPECT_EQ(dirty_rows(), (std::set<int32_t>{7, 8, 9, 10, 11, 12, 13}));
}

TEST_F(Ellipses, RepeatedArcsDrawTheSamePixels) {
    // The second drawing of an arc takes its remembered points: nothing may differ.
    for (int32_t radius = 1; radius <= 12; ++radius) {
        reopen();
        ellipse(100, 24, static_cast<float>(radius), 0, 0.426f, 2.854f, 0);
        const Points first = painted();
        reopen();
        ellipse(100, 24, static_cast<float>(radius), 0, 0.426f, 2.854f, 0);
        EXPECT_EQ(painted(), first) << radius;
        reopen();
        ellipse(110, 34, static_cast<float>(radius), 0, 0.426f, 2.854f, 0);
        Points moved;
        for (auto [x, y] : first)
            moved.insert({x + 10, y + 10});
        EXPECT_EQ(painted(), moved) << radius;
    }
    reopen();
    ellipse(3, 3, 12, 0, 0.426f, 2.854f, 0);  // remembered points clipped at the edges
    for (auto [x, y] : painted())
        EXPECT_TRUE(x >= 0 && y >= 0);
}

TEST_F(Ellipses, AnglesBeyondFloatTurnsEndTheArc) {
    ellipse(50, 50, 10, 1, 2e8f, 2e8f - 100, 0);  // a turn no longer changes the end angle
    ellipse(50, 50, 10, 1, 3e8f, 3e8f + 50, 0);   // nor the start angle
    EXPECT_TRUE(painted().empty());
}

TEST_F(Ellipses, EllipsePointRoundsHalfAwayFromZero) {
    EllipseOffset p = ellipse_point(3.14159265f, 10, 10);
    EXPECT_EQ(p.px, -10);
    EXPECT_EQ(p.py, 0);
    p = ellipse_point(0, 2.5f, 0);
    EXPECT_EQ(p.px, 3);
}

}  // namespace
}  // namespace qx
