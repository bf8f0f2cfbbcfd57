// Default palettes, colour associations and the palette operations.
#pragma once

#include <cstdint>

#include <qx/palette.h>

namespace qx {

struct PaletteDescriptor {
    int32_t count;       // 2, 16, 64 or 256 entries
    const uint8_t* rgb;  // count RGB triples, into the unpacked built-in block
};

extern const PaletteDescriptor PALETTE_2;
extern const PaletteDescriptor PALETTE_16;
extern const PaletteDescriptor PALETTE_64;
extern const PaletteDescriptor PALETTE_256;

// One entry, as apply_palette with an index of 0 or more.
void set_palette_entry(int32_t index, uint32_t color);
void resend_palette();
// The screen's colour slot (set_color while a screen is open): colours as the depth takes them.
int32_t graphics_set_color(int32_t fg, int32_t bg);

}  // namespace qx
