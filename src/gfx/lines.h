// Lines and boxes.
#pragma once

#include <cstdint>

#include <qx/drawing.h>

namespace qx {

// draw_line's boxes, in a pixel value (converted already). Device coordinates with x1 <= x2,
// y1 <= y2; clips to the clip rectangle itself. A screen must be open.
void draw_box(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t color, int32_t filled);
uint16_t reverse_style(uint16_t style);

}  // namespace qx
