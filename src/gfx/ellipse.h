// Circles, ellipses and arcs.
#pragma once

#include <bit>
#include <cstdint>

namespace qx {

// The end angle that means "no end angle given": one ulp above the float nearest to 2 pi.
inline constexpr float FULL_TURN_MARK = std::bit_cast<float>(0x40C90FDCu);

// Angles in radians, counter-clockwise with y up; aspect 0 asks for the default aspect.
void draw_ellipse(const void* target, float x, float y, float radius, uint32_t color, float aspect,
                  float start, float end, int32_t filled, int32_t coord_type);

}  // namespace qx

namespace qx {

struct EllipseOffset {
    int32_t px, py;
};

// cos(angle) x rx and sin(angle) x ry in single precision, rounded half away from zero.
EllipseOffset ellipse_point(float angle, float rx, float ry);
// Both ends (or, filled, the span) of one row, clipped.
void draw_row(int32_t y, int32_t x_left, int32_t x_right, uint32_t color, int32_t filled);

}  // namespace qx
