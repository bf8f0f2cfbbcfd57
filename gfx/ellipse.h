// Circles, ellipses and arcs.
#pragma once

#include <bit>
#include <cstdint>

namespace qx {

// The end angle that means "no end angle given": one ulp above the float nearest to 2 pi.
inline constexpr float FULL_TURN_MARK = std::bit_cast<float>(0x40C90FDCu);

// Angles in radians, counter-clockwise with y up; aspect 0 asks for the default aspect.
void draw_ellipse(const void* target, float x, float y, float radius, uint32_t color,
                  float aspect, float start, float end, int32_t filled, int32_t coord_type);

}  // namespace qx
