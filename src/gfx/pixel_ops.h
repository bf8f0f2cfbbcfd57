// Per-depth pixel routines, chosen once per screen by select_pixel_ops.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace qx {

struct PixelOps {
    void (*put_pixel)(int32_t x, int32_t y, uint32_t color);  // line_table row y, column x
    uint32_t (*get_pixel)(int32_t x, int32_t y);
    void (*fill_span)(void* address, uint32_t color, size_t count);          // count pixels
    void (*copy_span)(void* destination, const void* source, size_t count);  // count pixels
};

extern PixelOps pixel_ops;
extern void* (*block_fill)(void* address, int byte, size_t count);
extern void* (*block_copy)(void* destination, const void* source, size_t count);

void select_pixel_ops();

uint32_t cpu_features();

// The pixel put_pixel would store, written straight through a row table: for shapes that
// plot many single pixels and know the pixel size once for all of them.
inline void store_pixel(uint8_t* const* rows, int32_t bytes_per_pixel, int32_t x, int32_t y,
                        uint32_t color) {
    uint8_t* row = rows[y];
    if (bytes_per_pixel == 1) {
        row[x] = static_cast<uint8_t>(color);
    } else if (bytes_per_pixel == 2) {
        const auto value = static_cast<uint16_t>(color);
        std::memcpy(row + static_cast<ptrdiff_t>(x) * 2, &value, 2);
    } else {
        std::memcpy(row + static_cast<ptrdiff_t>(x) * 4, &color, 4);
    }
}

}  // namespace qx
