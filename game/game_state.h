// The game's whole state, its fixed values and the operations one frame is made of.
#pragma once

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <string_view>

namespace chase {

constexpr int32_t PLAYER_RADIUS = 20;
constexpr int32_t PLAYER_ERASE_RADIUS = 21;
constexpr int32_t BALL_RADIUS = 25;
constexpr int32_t BALL_TRAIL_RADIUS = 26;
constexpr double CHASER_STEP = 0.001;
constexpr double SPEED_STEP = 0.00005;
constexpr double DEFAULT_STEP = 0.005;
constexpr double BALL_STEP = 0.0019;
constexpr int32_t GOAL_X = 611, GOAL_Y = 40, GOAL_RADIUS = 10;
constexpr int32_t MARGIN = 20;

// A double handed to the drawing primitives as a float. Beyond the float range it becomes an
// infinity, which the primitives saturate, instead of an out-of-range conversion.
inline float single(double value) {
    if (value > FLT_MAX) return INFINITY;
    if (value < -FLT_MAX) return -INFINITY;
    return static_cast<float>(value);
}

// A text of at most one byte: assigning a longer text keeps its first byte.
struct KeyByte {
    int32_t length = 0;  // 0 or 1
    unsigned char byte = 0;

    bool is(char c) const { return length == 1 && byte == static_cast<unsigned char>(c); }
    bool empty() const { return length == 0; }
};

struct ChaserBox {
    double x1, y1;  // lead corner: decides where the box moves
    double x2, y2;  // opposite corner
};

struct GameState {
    KeyByte key;           // this frame's command
    KeyByte previous_key;  // last non-empty key, standing in when no key was pressed
    int32_t screen_height = 0;
    int32_t screen_width = 0;
    int32_t margin = 0;  // smallest player coordinate on both axes
    int32_t max_x = 0;   // largest player x
    int32_t max_y = 0;
    double player_x = 0, player_y = 0;
    double player_step = 0;    // pixels per frame of a direction command
    double player_aspect = 0;  // 0.3 (flat) until the first direction command, then 1.0
    double ball1_x = 0, ball1_y = 0, ball1_step = 0;  // ball 1 travels along x
    double ball2_x = 0, ball2_y = 0, ball2_step = 0;  // ball 2 travels along y
    ChaserBox chasers[3] = {};
};

// How a frame ended: on, or one of the ways out.
enum class FrameEnd { CONTINUE, STOP, QUIT, CAUGHT, GOAL };

// First values in their order (everything but the chasers), from the two answers.
void set_first_values(GameState& state, int32_t screen_height, int32_t screen_width);
// Two random draws per box, box 1 first.
void place_chasers(GameState& state);
// One pass of the loop. CAUGHT and GOAL leave their ending sequences to the caller.
FrameEnd run_frame(GameState& state);

double distance(double x1, double y1, double x2, double y2);
// "T" when the discs overlap, "N" when not (touching discs do not hit).
std::string_view hit_test(double x1, double y1, double r1, double x2, double y2, double r2);
void chaser_step(ChaserBox& box, double player_x, double player_y);
void explosion(double cx, double cy, double radius);
// The endings' pictures; the caller then waits for a key and ends the program.
void lose_picture(const GameState& state);  // explosion on the player, then "PERDU"
void win_picture();

}  // namespace chase
