// Circles, ellipses and arcs.
#pragma once

#include <cstdint>

#include <qx/drawing.h>

namespace qx {

struct EllipseOffset {
    int32_t px, py;
};

// cos(angle) x rx and sin(angle) x ry in single precision, rounded half away from zero.
EllipseOffset ellipse_point(float angle, float rx, float ry);
// Both ends (or, filled, the span) of one row, clipped.
void draw_row(int32_t y, int32_t x_left, int32_t x_right, uint32_t color, int32_t filled);

}  // namespace qx
