#include "gfx/pixel_ops.h"

#include <algorithm>
#include <cstring>

#include "gfx/screen.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

namespace qx {

PixelOps pixel_ops{};
void* (*block_fill)(void* address, int byte, size_t count) = std::memset;
void* (*block_copy)(void* destination, const void* source, size_t count) = std::memcpy;

namespace {

constexpr uint32_t MMX_BIT = 1u << 23;

template <typename Pixel>
Pixel* pixel_at(int32_t x, int32_t y) {
    return reinterpret_cast<Pixel*>(screen->line_table[y]) + x;
}

template <typename Pixel>
void put_pixel(int32_t x, int32_t y, uint32_t color) {
    *pixel_at<Pixel>(x, y) = static_cast<Pixel>(color);
}

template <typename Pixel>
uint32_t get_pixel(int32_t x, int32_t y) {
    return *pixel_at<Pixel>(x, y);
}

template <typename Pixel>
void fill_span(void* address, uint32_t color, size_t count) {
    fill_pixels(address, sizeof(Pixel), color, count);
}

template <typename Pixel>
void copy_span(void* destination, const void* source, size_t count) {
    block_copy(destination, source, count * sizeof(Pixel));
}

template <typename Pixel>
constexpr PixelOps PIXEL_OPS_FOR = {put_pixel<Pixel>, get_pixel<Pixel>, fill_span<Pixel>,
                                    copy_span<Pixel>};

}  // namespace

uint32_t cpu_features() {
    static const uint32_t features = [] {
#if defined(__x86_64__) || defined(__i386__)
        unsigned eax, ebx, ecx, edx;
        if (__get_cpuid(1, &eax, &ebx, &ecx, &edx)) {
            return ((eax >> 8) & 0xF) << 24 | (edx & 0xFFFFFF);
        }
#endif
        return 4u << 24;  // no identification: an old family, no feature bits
    }();
    return features;
}

void select_pixel_ops() {
    // The standard block routines are the fast ones here; the flag still tells the blitters
    // that the processor has the wide registers.
    block_fill = std::memset;
    block_copy = std::memcpy;
    if (cpu_features() & MMX_BIT) {
        screen->screen_flags |= SCREEN_HAS_MMX;
    } else {
        screen->screen_flags &= ~SCREEN_HAS_MMX;
    }
    if (screen->depth <= 8) {
        pixel_ops = PIXEL_OPS_FOR<uint8_t>;
    } else if (screen->depth <= 16) {
        pixel_ops = PIXEL_OPS_FOR<uint16_t>;
    } else {
        pixel_ops = PIXEL_OPS_FOR<uint32_t>;
    }
}

}  // namespace qx
