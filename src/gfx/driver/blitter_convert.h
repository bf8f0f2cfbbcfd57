// Pixel formats, the dirty-row loop and the plain row converters shared by the blitter table.
// Internal to the blitters.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "gfx/screen.h"

namespace qx::blitter_detail {

// 0x00BBGGRR <-> 0x00RRGGBB; the top byte is dropped (a byte swap and a shift).
constexpr uint32_t swap_red_blue(uint32_t c) {
    return __builtin_bswap32(c) >> 8;
}

template <typename Pixel>
inline Pixel load(const uint8_t* p) {
    Pixel v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

template <typename Pixel>
inline void store(uint8_t* p, Pixel v) {
    std::memcpy(p, &v, sizeof v);
}

// Sources: each turns one framebuffer pixel into 0x00RRGGBB, 8 bits per component (5- and
// 6-bit channels at the top of their byte, low bits zero).
struct IndexedSource {
    using Pixel = uint8_t;
    static constexpr bool uses_palette = true;
    static uint32_t rgb(Pixel p, const uint32_t* palette) { return swap_red_blue(palette[p]); }
};

struct HicolorSource {
    using Pixel = uint16_t;
    static constexpr bool uses_palette = false;
    static uint32_t rgb(Pixel p, const uint32_t*) {
        return (p & 0xF800u) << 8 | (p & 0x07E0u) << 5 | (p & 0x1Fu) << 3;
    }
};

struct TruecolorSource {
    using Pixel = uint32_t;
    static constexpr bool uses_palette = false;
    static uint32_t rgb(Pixel p, const uint32_t*) { return p & 0xFFFFFFu; }
};

// Displays: encode() keeps the top bits of each component, in the display's channel order.
template <bool RedHigh>
struct Display15 {
    using Pixel = uint16_t;
    static constexpr size_t bytes = 2;
    static Pixel encode(uint32_t rgb) {
        if constexpr (!RedHigh) rgb = swap_red_blue(rgb);
        return static_cast<Pixel>((rgb >> 9 & 0x7C00u) | (rgb >> 6 & 0x03E0u) | (rgb >> 3 & 0x1Fu));
    }
    static void put(uint8_t* p, uint32_t rgb) { store<Pixel>(p, encode(rgb)); }
};

template <bool RedHigh>
struct Display16 {
    using Pixel = uint16_t;
    static constexpr size_t bytes = 2;
    static Pixel encode(uint32_t rgb) {
        if constexpr (!RedHigh) rgb = swap_red_blue(rgb);
        return static_cast<Pixel>((rgb >> 8 & 0xF800u) | (rgb >> 5 & 0x07E0u) | (rgb >> 3 & 0x1Fu));
    }
    static void put(uint8_t* p, uint32_t rgb) { store<Pixel>(p, encode(rgb)); }
};

// Three bytes in memory order blue, green, red (red-high) or red, green, blue (red-low);
// encode() gives them as the low three bytes of a value, first byte lowest.
template <bool RedHigh>
struct Display24 {
    using Pixel = uint32_t;
    static constexpr size_t bytes = 3;
    static Pixel encode(uint32_t rgb) { return RedHigh ? rgb : swap_red_blue(rgb); }
    static void put(uint8_t* p, uint32_t rgb) { put_bytes(p, encode(rgb)); }
    static void put_bytes(uint8_t* p, uint32_t v) {
        p[0] = static_cast<uint8_t>(v);
        p[1] = static_cast<uint8_t>(v >> 8);
        p[2] = static_cast<uint8_t>(v >> 16);
    }
};

template <bool RedHigh>
struct Display32 {
    using Pixel = uint32_t;
    static constexpr size_t bytes = 4;
    static Pixel encode(uint32_t rgb) { return RedHigh ? rgb : swap_red_blue(rgb); }
    static void put(uint8_t* p, uint32_t rgb) { store<Pixel>(p, encode(rgb)); }
};

// Converters: prepare() runs once per call, at the first dirty row, and refuses a screen it
// cannot read; row() converts `width` pixels of one framebuffer row.

template <typename Source, typename Display>
struct PlainConvert {
    const uint32_t* palette = nullptr;

    bool prepare(const ScreenContext& s) {
        palette = s.device_palette;
        return !Source::uses_palette || palette;
    }
    static void convert(uint8_t* d, const uint8_t* s, int32_t width, const uint32_t* palette) {
        using In = typename Source::Pixel;
        for (int32_t i = 0; i < width; ++i) {
            Display::put(d + i * Display::bytes,
                         Source::rgb(load<In>(s + i * sizeof(In)), palette));
        }
    }
    void row(uint8_t* d, const uint8_t* s, int32_t width) const { convert(d, s, width, palette); }
};

// 32-bit red/blue exchange, two pixels per step in one 64-bit word: the byte swap of each
// half, shifted down a byte, is 0x00BBGGRR from 0x??RRGGBB.
struct PlainSwapConvert {
    bool prepare(const ScreenContext&) { return true; }
    static void convert(uint8_t* d, const uint8_t* s, int32_t width) {
        int32_t i = 0;
        if constexpr (std::endian::native == std::endian::little) {
            for (; i + 2 <= width; i += 2) {
                const uint64_t swapped = __builtin_bswap64(load<uint64_t>(s + 4 * i));
                store<uint64_t>(d + 4 * i,
                                (swapped >> 32 | swapped << 32) >> 8 & 0x00FFFFFF00FFFFFFull);
            }
        }
        for (; i < width; ++i)
            store<uint32_t>(d + 4 * i, swap_red_blue(load<uint32_t>(s + 4 * i)));
    }
    void row(uint8_t* d, const uint8_t* s, int32_t width) const { convert(d, s, width); }
};

// The display pixels of the 256 palette entries, kept with a copy of the palette they were made
// from and rebuilt only when it changed (a palette is set far less often than shown). Blitters
// run one at a time, under the driver lock, so one table per display format serves.
template <typename Display>
struct PaletteTable {
    uint32_t palette[256];
    uint32_t pixels[256];
    uint8_t planes[4][256];  // byte k of each pixel in planes[k], for the widest lookups
    bool built = false;

    const uint32_t* refresh(const uint32_t* device_palette) {
        if (built && std::memcmp(palette, device_palette, sizeof palette) == 0) return pixels;
        std::memcpy(palette, device_palette, sizeof palette);
        for (int i = 0; i < 256; ++i) {
            pixels[i] =
                Display::encode(IndexedSource::rgb(static_cast<uint8_t>(i), device_palette));
            for (int k = 0; k < 4; ++k)
                planes[k][i] = static_cast<uint8_t>(pixels[i] >> 8 * k);
        }
        built = true;
        return pixels;
    }
};

template <typename Display>
inline PaletteTable<Display> palette_table;

// Indexed sources, one pixel per step through the palette's table.
template <typename Display>
struct PlainIndexedConvert {
    const uint32_t* table = nullptr;

    bool prepare(const ScreenContext& s) {
        if (!s.device_palette) return false;
        table = palette_table<Display>.refresh(s.device_palette);
        return true;
    }
    void row(uint8_t* d, const uint8_t* s, int32_t width) const {
        for (int32_t i = 0; i < width; ++i) {
            if constexpr (Display::bytes == 3) {
                Display24<true>::put_bytes(d + 3 * i, table[s[i]]);
            } else {
                store<typename Display::Pixel>(d + i * Display::bytes,
                                               static_cast<typename Display::Pixel>(table[s[i]]));
            }
        }
    }
};

// 16-bit pixels through HICOLOR_LOOKUP, which holds the channel order: one converter serves
// both orders. Bytes is 3 or 4.
template <size_t Bytes>
struct LookupConvert {
    const uint32_t* lookup = nullptr;

    bool prepare(const ScreenContext&) {
        lookup = HICOLOR_LOOKUP;
        return lookup != nullptr;
    }
    static void convert(uint8_t* d, const uint8_t* s, int32_t width, const uint32_t* lookup) {
        for (int32_t i = 0; i < width; ++i) {
            uint16_t p = load<uint16_t>(s + 2 * i);
            uint32_t c = lookup[p & 0xFF] | lookup[256 + (p >> 8)];
            if constexpr (Bytes == 4) {
                store<uint32_t>(d + 4 * i, c);
            } else {
                Display24<true>::put_bytes(d + 3 * i, c);
            }
        }
    }
    void row(uint8_t* d, const uint8_t* s, int32_t width) const { convert(d, s, width, lookup); }
};

constexpr size_t pixel_bytes(int32_t depth) {
    return depth <= 8 ? 1 : depth <= 16 ? 2 : 4;
}

struct RowCopy {
    size_t row_bytes = 0;

    bool prepare(const ScreenContext& s) {
        row_bytes = static_cast<size_t>(s.width) * pixel_bytes(s.depth);
        return true;
    }
    void row(uint8_t* d, const uint8_t* s, int32_t) const { std::memcpy(d, s, row_bytes); }
};

// The shared loop: height x scanline_size display rows, each framebuffer row repeated
// scanline_size times, rows whose dirty flag is 0 left untouched.
template <typename Converter>
void blit_dirty_rows(uint8_t* destination, int32_t destination_pitch) {
    const ScreenContext* s = screen;
    if (!s || !destination || !s->visible_page || !s->dirty_lines) return;
    if (s->width <= 0 || s->height <= 0 || s->scanline_size <= 0 || s->pitch < 0) return;
    Converter converter;
    bool prepared = false;
    int32_t repeat = 0;
    int64_t display_rows = int64_t{s->height} * s->scanline_size;
    int64_t source_row = 0;
    for (int64_t row = 0; row < display_rows; ++row) {
        if (s->dirty_lines[source_row]) {
            if (!prepared && !converter.prepare(*s)) return;
            prepared = true;
            converter.row(destination + static_cast<ptrdiff_t>(row) * destination_pitch,
                          s->visible_page + static_cast<ptrdiff_t>(source_row) * s->pitch,
                          s->width);
        }
        if (++repeat == s->scanline_size) {
            repeat = 0;
            ++source_row;
        }
    }
}

}  // namespace qx::blitter_detail
