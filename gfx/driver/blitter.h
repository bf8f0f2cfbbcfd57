// Blitters: convert the dirty rows of the shown page into a display surface.
#pragma once

#include <array>
#include <cstdint>

namespace qx {

// Reads the ScreenContext (visible_page, pitch, width, height, scanline_size, dirty_lines,
// device_palette, HICOLOR_LOOKUP). Called under the driver lock; does not clear dirty_lines.
using Blitter = void (*)(uint8_t* destination, int32_t destination_pitch);

enum class SourceClass { INDEXED = 0, HICOLOR = 1, TRUECOLOR = 2 };

// Entry of BLITTER_TABLE: groups plain red-low, plain red-high, fast red-low, fast red-high;
// within a group source class x display depth 15, 16, 24, 32.
constexpr int32_t blitter_index(bool fast, bool red_high, SourceClass source, int32_t display) {
    int32_t column = display == 15 ? 0 : display == 16 ? 1 : display == 24 ? 2 : 3;
    return (fast ? 24 : 0) + (red_high ? 12 : 0) + static_cast<int32_t>(source) * 4 + column;
}

extern const std::array<Blitter, 48> BLITTER_TABLE;
extern const Blitter ROW_COPY;  // same format: rows copied as they are

// Fills HICOLOR_LOOKUP (512 entries) for the channel order.
void build_hicolor_lookup(uint32_t* lookup, int32_t red_low);

// display_depth 8, 15, 16, 24 or 32 (15: a 16-bit display with green mask 0x3E0); red_low 1
// when red sits in the low bits. Rebuilds HICOLOR_LOOKUP for that order. Null when no
// converter serves the pair: the driver then fails to open.
Blitter select_blitter(int32_t display_depth, int32_t red_low);
// The same choice with the source depth and the group given (tests force them).
Blitter choose_blitter(int32_t source_depth, int32_t display_depth, int32_t red_low, bool fast);

}  // namespace qx
