// Drawing targets, user to device coordinates, the view port (also the clip rectangle),
// colour conversion and the point primitive.
#pragma once

#include <cstdint>

#include <qx/drawing.h>

namespace qx {

void prepare_target(const void* image);
// x2/y2 may be null (a single point). The last point becomes the second point, or the first.
void apply_step(int32_t coord_type, float* x1, float* y1, float* x2, float* y2);
void map_point(float x, float y, int32_t* xi, int32_t* yi);
void sort_corners(int32_t* x1, int32_t* y1, int32_t* x2, int32_t* y2);
uint32_t convert_color(uint32_t color);

// Fills the view port with bg_color and makes its centre the last point.
void clear_view();
// Float to int, truncated toward zero, saturated far outside any screen (NaN gives 0), so
// that later arithmetic on device coordinates never overflows.
int32_t device_int(double value);
bool inside_view(int32_t x, int32_t y);

}  // namespace qx
