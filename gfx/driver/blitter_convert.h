// Per-pixel conversions shared by the plain and fast blitters, and the loop over dirty rows.
#pragma once

#include <cstdint>
#include <cstring>

#include "gfx/screen.h"

namespace qx::blit {

// Components of the three source formats, as 8-bit values.
struct Rgb {
    uint32_t r, g, b;
};

inline Rgb from_palette(uint32_t bgr) { return {bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF}; }
inline Rgb from_true(uint32_t rgb) { return {(rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF}; }

template <bool RedHigh>
inline uint16_t to_15(Rgb c) {
    uint32_t hi = RedHigh ? c.r : c.b, lo = RedHigh ? c.b : c.r;
    return static_cast<uint16_t>((hi >> 3) << 10 | (c.g >> 3) << 5 | lo >> 3);
}

template <bool RedHigh>
inline uint16_t to_16(Rgb c) {
    uint32_t hi = RedHigh ? c.r : c.b, lo = RedHigh ? c.b : c.r;
    return static_cast<uint16_t>((hi >> 3) << 11 | (c.g >> 2) << 5 | lo >> 3);
}

// 24-bit displays: three bytes, blue first for red-high, red first for red-low.
template <bool RedHigh>
inline void put_24(uint8_t* out, Rgb c) {
    out[0] = static_cast<uint8_t>(RedHigh ? c.b : c.r);
    out[1] = static_cast<uint8_t>(c.g);
    out[2] = static_cast<uint8_t>(RedHigh ? c.r : c.b);
}

template <bool RedHigh>
inline uint32_t to_32(Rgb c) {
    return RedHigh ? (c.r << 16 | c.g << 8 | c.b) : (c.b << 16 | c.g << 8 | c.r);
}

// 5-6-5 source pixels: fields kept, not widened.
inline uint16_t hicolor_to_15(uint16_t p, bool red_high) {
    uint32_t r = p >> 11, g = (p >> 5) & 0x3F, b = p & 0x1F;
    return static_cast<uint16_t>(red_high ? (r << 10 | (g >> 1) << 5 | b) : (b << 10 | (g >> 1) << 5 | r));
}

inline uint16_t hicolor_swap(uint16_t p) {
    return static_cast<uint16_t>((p & 0x1F) << 11 | (p & 0x7E0) | p >> 11);
}

inline uint32_t hicolor_lookup(uint16_t p) {
    return HICOLOR_LOOKUP[p & 0xFF] | HICOLOR_LOOKUP[256 + (p >> 8)];
}

inline uint32_t true_swap(uint32_t p) { return (p & 0xFF) << 16 | (p & 0xFF00) | (p >> 16 & 0xFF); }

// Converts `width` pixels of one row; Row is a function object (source, destination, width).
// Rows whose dirty flag is 0 are left alone; each framebuffer row fills scanline_size rows.
template <typename Row>
inline void for_dirty_rows(uint8_t* destination, int32_t destination_pitch, Row row) {
    const ScreenContext* s = screen;
    const uint8_t* source = s->visible_page;
    const uint8_t* dirty = s->dirty_lines;
    int32_t repeat = 0;
    int32_t display_rows = s->height * s->scanline_size;
    for (int32_t y = 0; y < display_rows; ++y) {
        if (*dirty) row(source, destination, s->width);
        if (++repeat == s->scanline_size) {
            repeat = 0;
            ++dirty;
            source += s->pitch;
        }
        destination += destination_pitch;
    }
}

template <typename T>
inline T load(const uint8_t* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

template <typename T>
inline void store(uint8_t* p, T v) {
    std::memcpy(p, &v, sizeof v);
}

}  // namespace qx::blit
