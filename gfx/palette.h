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
