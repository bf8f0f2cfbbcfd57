// Per-depth pixel routines, chosen once per screen by select_pixel_ops.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qx {

struct PixelOps {
    void (*put_pixel)(int32_t x, int32_t y, uint32_t color);  // line_table row y, column x
    uint32_t (*get_pixel)(int32_t x, int32_t y);
    void (*fill_span)(void* address, uint32_t color, size_t count);        // count pixels
    void (*copy_span)(void* destination, const void* source, size_t count);  // count pixels
};

extern PixelOps pixel_ops;
extern void* (*block_fill)(void* address, int byte, size_t count);
extern void* (*block_copy)(void* destination, const void* source, size_t count);

void select_pixel_ops();
uint32_t cpu_features();

}  // namespace qx
