// The start values and one frame of the game loop.
#include <cmath>

#include <qx/qx.h>

#include "game/game_state.h"

namespace chase {

namespace {

constexpr uint32_t BLACK = 0, GOAL_COLOR = 10, BALL_COLOR = 12, WHITE = 15;
constexpr float GOAL_ARC_START = 0.426f, GOAL_ARC_END = 2.854f;
constexpr unsigned char BLANKS[14] = {' ', ' ', ' ', ' ', ' ', ' ', ' ',
                                      ' ', ' ', ' ', ' ', ' ', ' ', ' '};

// A whole ellipse: start 0 and the full-turn mark.
void disc(double x, double y, int32_t radius, uint32_t color, double aspect, int32_t filled) {
    qx::draw_ellipse(nullptr, single(x), single(y), static_cast<float>(radius), color,
                     single(aspect), 0.0f, qx::FULL_TURN_MARK, filled, qx::COORD_ABSOLUTE);
}

void draw_player(const GameState& s) {
    disc(s.player_x, s.player_y, PLAYER_RADIUS, WHITE, s.player_aspect, 1);
}

void erase_player(const GameState& s) {
    disc(s.player_x, s.player_y, PLAYER_ERASE_RADIUS, BLACK, s.player_aspect, 1);
}

// In double: a width near the 32-bit limit must not wrap.
void draw_goal_picture(double w) {
    qx::draw_line(nullptr, single(w - 41), 20.0f, single(w - 18), 60.0f, GOAL_COLOR, qx::BOX_FILLED,
                  qx::LINE_SOLID, qx::COORD_ABSOLUTE);
    for (int32_t r = 1; r <= 12; ++r) {
        qx::draw_ellipse(nullptr, single(w - 29), 24.0f, static_cast<float>(r), GOAL_COLOR, 0.0f,
                         GOAL_ARC_START, GOAL_ARC_END, 0, qx::COORD_ABSOLUTE);
    }
    qx::draw_ellipse(nullptr, single(w - 25), 40.0f, 4.0f, WHITE, 0.5f, 0.0f, qx::FULL_TURN_MARK, 1,
                     qx::COORD_ABSOLUTE);
}

KeyByte read_key_byte() {
    qx::KeyText text = qx::read_key_text();
    KeyByte key;
    if (text.length > 0) {
        key.length = 1;
        key.byte = text.bytes[0];
    }
    return key;
}

// The limits are compared in double, so that a size near the 32-bit limit cannot wrap.
void keep_inside_margins(GameState& s) {
    if (s.player_x <= 20.0) s.player_x = s.margin;
    if (s.player_y <= 20.0) s.player_y = s.margin;
    if (s.player_y >= s.screen_height - 20.0) s.player_y = s.max_y;
    if (s.player_x >= s.screen_width - 20.0) s.player_x = s.max_x;
}

// A ball: disc and trail, one step, and at an edge erased, turned back and given a random
// place across its path. Ball 1 travels along x, ball 2 along y.
void move_ball1(GameState& s) {
    disc(s.ball1_x, s.ball1_y, BALL_RADIUS, BALL_COLOR, 1.0, 1);
    disc(s.ball1_x, s.ball1_y, BALL_TRAIL_RADIUS, BLACK, 0.0, 0);
    s.ball1_x = s.ball1_x - s.ball1_step;
    if (s.ball1_x < -1.0 || s.ball1_x > s.screen_width) {
        disc(s.ball1_x, s.ball1_y, BALL_RADIUS, BLACK, 0.0, 1);
        s.ball1_step = -s.ball1_step;
        s.ball1_y = qx::random_fraction(1) * s.screen_height;
    }
}

void move_ball2(GameState& s) {
    disc(s.ball2_x, s.ball2_y, BALL_RADIUS, BALL_COLOR, 1.0, 1);
    disc(s.ball2_x, s.ball2_y, BALL_TRAIL_RADIUS, BLACK, 0.0, 0);
    s.ball2_y = s.ball2_y - s.ball2_step;
    if (s.ball2_y < -1.0 || s.ball2_y > s.screen_height) {
        disc(s.ball2_x, s.ball2_y, BALL_RADIUS, BLACK, 0.0, 1);
        s.ball2_step = -s.ball2_step;
        s.ball2_x = qx::random_fraction(1) * s.screen_width;
    }
}

// Ball pushes: the player moves by the ball's own step; the frame's command is dropped.
void push(GameState& s, double& player_axis, double ball_x, double ball_y, double ball_step) {
    if (hit_test(s.player_x, s.player_y, PLAYER_RADIUS, ball_x, ball_y, BALL_RADIUS) != "T") {
        return;
    }
    erase_player(s);
    player_axis = player_axis - ball_step;
    draw_player(s);
    s.key = KeyByte{};
}

bool caught_by(const GameState& s, const ChaserBox& box) {
    double centre_x = (box.x2 + box.x1) / 2.0, centre_y = (box.y2 + box.y1) / 2.0;
    double half_diagonal = distance(box.x1, box.y1, centre_x, centre_y);
    return hit_test(s.player_x, s.player_y, PLAYER_RADIUS, centre_x, centre_y, half_diagonal) ==
           "T";
}

// The command of the frame; true when it ends the program at once.
bool carry_out(GameState& s) {
    if (s.key.is('2')) {
        s.player_y = s.player_y + s.player_step;
        s.player_aspect = 1.0;
    } else if (s.key.is('8')) {
        s.player_y = s.player_y - s.player_step;
        s.player_aspect = 1.0;
    } else if (s.key.is('6')) {
        s.player_x = s.player_x + s.player_step;
        s.player_aspect = 1.0;
    } else if (s.key.is('4')) {
        s.player_x = s.player_x - s.player_step;
        s.player_aspect = 1.0;
    } else if (s.key.is('+')) {
        s.player_step = SPEED_STEP + s.player_step;
    } else if (s.key.is('-')) {
        s.player_step = -SPEED_STEP + s.player_step;
    } else if (s.key.is('=')) {
        s.player_step = DEFAULT_STEP;
    } else if (s.key.is('p')) {
        qx::sleep_ms(-1);
    } else if (s.key.is('q')) {
        return true;
    }
    return false;
}

}  // namespace

void set_first_values(GameState& s, int32_t screen_height, int32_t screen_width) {
    s.screen_height = screen_height;
    s.screen_width = screen_width;
    s.player_y = 300.0;
    s.player_x = 50.0;
    s.player_step = DEFAULT_STEP;
    s.ball1_x = 488.0;
    s.ball1_y = 256.0;
    s.ball2_x = 455.0;
    s.ball2_y = 165.0;
    s.margin = MARGIN;
    // A negative size is refused like 0 and keeps the limits of 0: the margins would otherwise
    // pin the player so far out that no chaser could ever reach it.
    s.max_x = (screen_width < 0 ? 0 : screen_width) - MARGIN;
    s.max_y = (screen_height < 0 ? 0 : screen_height) - MARGIN;
    s.ball1_step = BALL_STEP;
    s.ball2_step = BALL_STEP;
    s.player_aspect = 0.3;
}

void place_chasers(GameState& s) {
    for (ChaserBox& box : s.chasers) {
        double r1 = qx::random_fraction(1);
        double r2 = qx::random_fraction(1);
        box.x1 = std::floor(r1 * 400.0 + 200.0);
        box.y1 = std::floor(r2 * 440.0);
        box.x2 = 7.0 + box.x1;
        box.y2 = 12.0 + box.y1;
    }
}

FrameEnd run_frame(GameState& s) {
    if (s.key.is('s')) return FrameEnd::STOP;
    draw_goal_picture(s.screen_width);
    s.key = read_key_byte();
    if (s.key.empty()) s.key = s.previous_key;
    keep_inside_margins(s);
    move_ball1(s);
    move_ball2(s);
    push(s, s.player_y, s.ball2_x, s.ball2_y, s.ball2_step);
    push(s, s.player_x, s.ball1_x, s.ball1_y, s.ball1_step);
    for (ChaserBox& box : s.chasers)
        chaser_step(box, s.player_x, s.player_y);
    for (const ChaserBox& box : s.chasers) {
        if (caught_by(s, box)) return FrameEnd::CAUGHT;
        qx::locate(1, 1, -1, nullptr);
        qx::print_string(0, BLANKS, sizeof BLANKS, qx::PRINT_NEWLINE);
    }
    if (hit_test(s.player_x, s.player_y, PLAYER_RADIUS, GOAL_X, GOAL_Y, GOAL_RADIUS) == "T") {
        return FrameEnd::GOAL;
    }
    if (!s.key.empty()) erase_player(s);
    if (carry_out(s)) return FrameEnd::QUIT;
    if (!s.key.empty()) {
        draw_player(s);
        s.previous_key = s.key;
    }
    return FrameEnd::CONTINUE;
}

}  // namespace chase
