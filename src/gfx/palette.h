// Default palettes, colour associations and the palette operations.
#pragma once

#include <cstdint>

namespace qx {

struct PaletteDescriptor {
    int32_t count;       // 2, 16, 64 or 256 entries
    const uint8_t* rgb;  // count RGB triples, into the unpacked built-in block
};

extern const PaletteDescriptor PALETTE_2;
extern const PaletteDescriptor PALETTE_16;
extern const PaletteDescriptor PALETTE_64;
extern const PaletteDescriptor PALETTE_256;

}  // namespace qx

namespace qx {

// index < 0 resets to the mode's default (mode 1: -1..-4 pick the association table);
// index >= 0 sets one entry. Nothing happens above 8 bits per pixel.
void apply_palette(int32_t index, uint32_t color);
void set_palette_entry(int32_t index, uint32_t color);
void resend_palette();
// Returns the previous (bg_color << 16) | fg_color; a negative argument keeps that colour.
int32_t set_color(int32_t fg, int32_t bg);
int32_t dac_out(int32_t port, int32_t value);
int32_t dac_in(int32_t port);

}  // namespace qx
