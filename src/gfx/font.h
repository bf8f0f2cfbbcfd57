// Built-in bitmap fonts and the text cells of the graphics screen.
#pragma once

#include <cstdint>

namespace qx {

struct FontDescriptor {
    int32_t cell_width;     // pixels (8)
    int32_t cell_height;    // pixels (8, 14 or 16)
    const uint8_t* glyphs;  // glyph c at c x cell_height; bit 0 is the leftmost pixel
};

struct TextCell {
    uint16_t character;   // 0..255
    uint32_t foreground;  // pixel value
    uint32_t background;
};

// Point into the unpacked built-in block; valid once unpack_builtin_data() has run.
extern const FontDescriptor FONT_8X8;
extern const FontDescriptor FONT_8X14;
extern const FontDescriptor FONT_8X16;

}  // namespace qx
