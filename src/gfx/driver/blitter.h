// Blitters: convert the dirty rows of the shown page into a display surface.
#pragma once

#include <array>
#include <cstdint>

namespace qx {

// Reads the ScreenContext (visible_page, pitch, width, height, scanline_size, dirty_lines,
// device_palette, HICOLOR_LOOKUP). Called under the driver lock; does not clear dirty_lines.
// Every framebuffer row whose flag is set is written scanline_size times; other display rows
// are left untouched. A screen it cannot read (no page, no palette, no lookup) writes nothing.
using Blitter = void (*)(uint8_t* destination, int32_t destination_pitch);

// Source classes, in table order.
enum class SourceClass : int32_t { INDEXED = 0, HICOLOR = 1, TRUECOLOR = 2 };

constexpr int32_t BLITTER_GROUP_SIZE = 12;
constexpr int32_t BLITTER_COUNT = 4 * BLITTER_GROUP_SIZE;
constexpr int32_t HICOLOR_LOOKUP_ENTRIES = 512;

// Column of a display depth within a source class: 15, 16, 24, 32 -> 0..3, else -1.
constexpr int32_t blitter_display_slot(int32_t display_depth) {
    switch (display_depth) {
        case 15:
            return 0;
        case 16:
            return 1;
        case 24:
            return 2;
        case 32:
            return 3;
        default:
            return -1;
    }
}

// Groups: plain red-low, plain red-high, fast red-low, fast red-high. -1 for a display depth
// the table does not hold.
constexpr int32_t blitter_index(bool fast, bool red_high, SourceClass source,
                                int32_t display_depth) {
    int32_t slot = blitter_display_slot(display_depth);
    if (slot < 0) return -1;
    int32_t group = (fast ? 2 : 0) + (red_high ? 1 : 0);
    return group * BLITTER_GROUP_SIZE + static_cast<int32_t>(source) * 4 + slot;
}

extern const std::array<Blitter, BLITTER_COUNT> BLITTER_TABLE;

// Same format on both sides: each dirty row's visible bytes copied as they are. Also what an
// indexed screen gets on an 8-bit display.
extern const Blitter ROW_COPY;

// Fills the 512 entries of a 16-bit pixel lookup: entry L (0-255) for the low byte OR entry
// 256 + H for the high byte gives the 32-bit display colour in the requested channel order.
void build_hicolor_lookup(uint32_t* lookup, int32_t red_low);

// The choice itself for a framebuffer depth, with the group given (select_blitter takes the
// fast one when the processor has the packed-integer unit and scanline_size is 1; tests force
// either). Does not touch HICOLOR_LOOKUP.
Blitter choose_blitter(int32_t source_depth, int32_t display_depth, int32_t red_low, bool fast);

// display_depth 8, 15, 16, 24 or 32; red_low 1 when red sits in the low bits. Rebuilds
// HICOLOR_LOOKUP for that order. Returns null when no converter serves the pair.
Blitter select_blitter(int32_t display_depth, int32_t red_low);

}  // namespace qx
