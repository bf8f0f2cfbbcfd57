// Blitters: convert the dirty rows of the shown page into a display surface.
#pragma once

#include <cstdint>

namespace qx {

// Reads the ScreenContext (visible_page, pitch, width, height, scanline_size, dirty_lines,
// device_palette, HICOLOR_LOOKUP). Called under the driver lock; does not clear dirty_lines.
using Blitter = void (*)(uint8_t* destination, int32_t destination_pitch);

// display_depth 8, 15, 16, 24 or 32; red_low 1 when red sits in the low bits. Rebuilds
// HICOLOR_LOOKUP for that order. Returns null when no converter serves the pair.
Blitter select_blitter(int32_t display_depth, int32_t red_low);

}  // namespace qx
