#include <gtest/gtest.h>

#include <cmath>
#include <thread>
#include <tuple>

#include "game/game_state.h"
#include "gfx/ellipse.h"
#include "null_screen.h"
#include "runtime/random.h"

namespace chase {
namespace {

using qx::pixel;

TEST(HitTest, TouchingDiscsDoNotHit) {
    EXPECT_EQ(hit_test(0, 0, 20, 45, 0, 25), "N");
    EXPECT_EQ(hit_test(0, 0, 20, 44.999, 0, 25), "T");
    EXPECT_EQ(hit_test(3, 4, 0, 0, 0, 5.0000001), "T");
    EXPECT_DOUBLE_EQ(distance(0, 0, 3, 4), 5.0);
}

class Rules : public qx::NullScreenTest {
protected:
    void SetUp() override {
        NullScreenTest::SetUp();
        open(640, 480);
    }
};

TEST_F(Rules, ChaserStepsTowardsThePlayerAndRedraws) {
    ChaserBox box{300, 100, 307, 112};
    chaser_step(box, 100, 100);  // y equal: that axis stays
    EXPECT_DOUBLE_EQ(box.x1, 299.999);
    EXPECT_DOUBLE_EQ(box.x2, 306.999);
    EXPECT_DOUBLE_EQ(box.y1, 100);
    EXPECT_DOUBLE_EQ(box.y2, 112);
    EXPECT_EQ(pixel(300, 100), 15u);  // rounded corners of the new outline
    EXPECT_EQ(pixel(307, 112), 15u);
    ChaserBox on_corner{50, 60, 57, 72};
    chaser_step(on_corner, 50, 60);
    EXPECT_DOUBLE_EQ(on_corner.x1, 50);
    EXPECT_DOUBLE_EQ(on_corner.y2, 72);
}

TEST_F(Rules, ChaserCornersMoveApartWhenThePlayerIsWithinAStep) {
    ChaserBox box{99.9995, 50, 106.9995, 62};
    chaser_step(box, 100.0, 50);  // x1 passes the player: the second test no longer holds
    EXPECT_DOUBLE_EQ(box.x1, 99.9995 + 0.001);
    EXPECT_DOUBLE_EQ(box.x2, 106.9995);
}

TEST_F(Rules, ExplosionDrawsFortyRingsOfPoints) {
    // Each ring takes 100 x 5 draws, the end 2000 x 2: the generator shows how many ran.
    qx::seed_random(7);
    explosion(320, 240, 20);
    double after = qx::random_fraction(1);
    qx::seed_random(7);
    for (int i = 0; i < 40 * 100 * 5 + 2000 * 2; ++i)
        qx::random_fraction(1);
    EXPECT_EQ(qx::random_fraction(1), after);
    EXPECT_EQ(pixel(320, 240), 0u);  // the inner disc is cleared
    int coloured = 0;
    for (auto [x, y] : qx::painted()) {
        EXPECT_LE(std::hypot(x - 320, y - 240), 41.0);
        ++coloured;
    }
    EXPECT_GT(coloured, 100);
}

}  // namespace
}  // namespace chase
