// Distance, the hit test, the chasers' step, the explosion and the ending pictures.
#include <cmath>

#include <qx/qx.h>

#include "game/game_state.h"

namespace chase {

namespace {

constexpr double ANGLE_FACTOR = 6.2831854;  // the game's own 2 pi, as written
constexpr int32_t EXPLOSION_POINTS_PER_RING = 100;
constexpr int32_t EXPLOSION_LAST_POINTS = 2000;
constexpr int32_t EXPLOSION_PAUSE_MS = 10;

void outline_box(const ChaserBox& box, uint32_t color) {
    qx::draw_line(nullptr, single(box.x1), single(box.y1), single(box.x2), single(box.y2), color,
                  qx::BOX_OUTLINE, qx::LINE_SOLID, qx::COORD_ABSOLUTE);
}

void filled_box(float x1, float y1, float x2, float y2, uint32_t color) {
    qx::draw_line(nullptr, x1, y1, x2, y2, color, qx::BOX_FILLED, qx::LINE_SOLID,
                  qx::COORD_ABSOLUTE);
}

// A point at distance scale from the centre, at a random angle drawn first.
void scatter_point(double cx, double cy, double scale, double angle, uint32_t color) {
    qx::draw_point(nullptr, single(cx + scale * std::cos(angle)),
                   single(cy + scale * std::sin(angle)), color, qx::COORD_ABSOLUTE, 0);
}

}  // namespace

double distance(double x1, double y1, double x2, double y2) {
    return std::sqrt(std::pow(x1 - x2, 2.0) + std::pow(y1 - y2, 2.0));
}

std::string_view hit_test(double x1, double y1, double r1, double x2, double y2, double r2) {
    return distance(x1, y1, x2, y2) >= r1 + r2 ? "N" : "T";
}

void chaser_step(ChaserBox& box, double player_x, double player_y) {
    outline_box(box, 0);
    if (player_x < box.x1) box.x1 -= CHASER_STEP;
    if (player_x < box.x1) box.x2 -= CHASER_STEP;
    if (player_y < box.y1) box.y1 -= CHASER_STEP;
    if (player_y < box.y1) box.y2 -= CHASER_STEP;
    if (player_x > box.x1) box.x1 += CHASER_STEP;
    if (player_x > box.x1) box.x2 += CHASER_STEP;
    if (player_y > box.y1) box.y1 += CHASER_STEP;
    if (player_y > box.y1) box.y2 += CHASER_STEP;
    outline_box(box, 15);
}

void explosion(double cx, double cy, double radius) {
    double limit = 20.0 + radius;
    for (double ring = 1.0; ring <= limit; ring = 1.0 + ring) {
        for (int32_t i = 0; i < EXPLOSION_POINTS_PER_RING; ++i) {
            double angle = qx::random_fraction(1) * ANGLE_FACTOR;
            double t = qx::random_fraction(1);
            auto color = static_cast<uint32_t>(std::floor(qx::random_fraction(1) * 16.0));
            scatter_point(cx, cy, ring * t, angle, color);
            double angle2 = qx::random_fraction(1) * ANGLE_FACTOR;
            double t2 = qx::random_fraction(1);
            scatter_point(cx, cy, radius * t2, angle2, 0);
        }
        qx::sleep_ms(EXPLOSION_PAUSE_MS);
    }
    for (int32_t i = 0; i < EXPLOSION_LAST_POINTS; ++i) {
        double angle = qx::random_fraction(1) * ANGLE_FACTOR;
        double t = qx::random_fraction(1);
        scatter_point(cx, cy, radius * t, angle, 0);
    }
}

void lose_picture(const GameState& state) {
    explosion(state.player_x, state.player_y, PLAYER_RADIUS);
    qx::print_string(0, reinterpret_cast<const unsigned char*>("PERDU"), 5, qx::PRINT_NEWLINE);
}

void win_picture() {
    filled_box(601, 22, 620, 58, 0);
    filled_box(599, 20, 615, 30, 10);
    filled_box(615, 30, 615, 50, 10);
    filled_box(615, 30, 599, 50, 10);
}

}  // namespace chase
