// Lines and boxes.
#pragma once

#include <cstdint>

namespace qx {

constexpr uint32_t DEFAULT_COLOR = 0xFEFF00FF;  // "no colour given": the foreground is used

// box_type 0 line, 1 box outline, 2 filled box; style in its low 16 bits (0xFFFF solid).
void draw_line(const void* target, float x1, float y1, float x2, float y2, uint32_t color,
               int32_t box_type, int32_t style, int32_t coord_type);
// Device coordinates with x1 <= x2, y1 <= y2; clips to the clip rectangle itself.
void draw_box(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t color, int32_t filled);
uint16_t reverse_style(uint16_t style);

}  // namespace qx
