// Per-depth pixel routines, chosen once per screen by select_pixel_ops.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// The byte repeated over a word, for fill_bytes.
constexpr uint64_t byte_word(uint32_t color) {
    return 0x0101010101010101ull * (color & 0xFF);
}

// A pixel of 1, 2 or 4 bytes repeated over a word, for fill_bytes.
constexpr uint64_t pixel_word(int32_t bytes_per_pixel, uint32_t color) {
    return bytes_per_pixel == 1   ? byte_word(color)
           : bytes_per_pixel == 2 ? 0x0001000100010001ull * (color & 0xFFFF)
                                  : 0x0000000100000001ull * color;
}

// count bytes of the pattern `word`, whose period (1, 2 or 4 bytes) divides count: every store
// starts a multiple of the period from `bytes`, so overlapping stores keep the pattern. Up to a
// disc's widest rows in a few vector stores (the last ones overlapping), which beat a library
// call; longer runs of one repeated byte through memset, which uses the widest stores the
// processor has, and other long runs in the vector loop.
inline void fill_bytes(uint8_t* bytes, uint64_t word, size_t count) {
#if defined(__SSE2__)
    if (count > 256 && word == byte_word(static_cast<uint32_t>(word))) {
        std::memset(bytes, static_cast<int>(word & 0xFF), count);
        return;
    }
    const __m128i wide = _mm_set1_epi64x(static_cast<long long>(word));
    const auto put = [wide](uint8_t* at) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(at), wide);
    };
    if (count > 64) {
        uint8_t* const last = bytes + count - 64;
        for (; bytes < last; bytes += 64) {
            put(bytes), put(bytes + 16), put(bytes + 32), put(bytes + 48);
        }
        put(last), put(last + 16), put(last + 32), put(last + 48);
        return;
    }
    if (count >= 16) {
        put(bytes), put(bytes + count - 16);
        if (count > 32) put(bytes + 16), put(bytes + count - 32);
        return;
    }
#else
    if (count > 64 && word == byte_word(static_cast<uint32_t>(word))) {
        std::memset(bytes, static_cast<int>(word & 0xFF), count);
        return;
    }
#endif
    if (count >= 8) {
        uint8_t* const last = bytes + count - 8;
        for (; bytes < last; bytes += 8)
            std::memcpy(bytes, &word, 8);
        std::memcpy(last, &word, 8);
        return;
    }
    if (count >= 4) {
        std::memcpy(bytes, &word, 4);
        std::memcpy(bytes + count - 4, &word, 4);
        return;
    }
    for (size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<uint8_t>(word >> (8 * i));
}

// count pixels of 1, 2 or 4 bytes from address, as fill_span stores them; inline for callers
// that fill one span per call.
inline void fill_pixels(void* address, int32_t bytes_per_pixel, uint32_t color, size_t count) {
    fill_bytes(static_cast<uint8_t*>(address), pixel_word(bytes_per_pixel, color),
               count * static_cast<size_t>(bytes_per_pixel));
}

}  // namespace qx
