// The terminal's own images, built from the screen's pixels: sixels with a fixed palette (the
// screen's own for an indexed screen), and zlib-packed pictures in kitty's graphics commands
// and iTerm2's inline files. Used by the update thread only; the encoders are platform-free.
#pragma once

#include <cstddef>
#include <cstdint>

#include "gfx/terminal/terminal_cells.h"
#include "gfx/terminal/terminal_layout.h"

namespace qx {

// The colour of each sixel register (0x00RRGGBB) and the register of each pixel value.
struct SixelPalette {
    uint32_t rgb[256];
    uint8_t register_of[256];
    uint8_t darkest;  // the pixel value nearest black, for the band around the picture
};

// A screen palette (256 x 0x00BBGGRR) as sixel registers: one register per value where the
// terminal has 256 or more (or did not say, 0); with fewer, each value takes the nearest of the
// 16 standard colours, so the registers stay the same whatever the frame shows.
void make_sixel_palette(const uint32_t* screen_palette, int32_t registers, SixelPalette* out);

// The fixed 256-colour palette (0x00BBGGRR) for screens of 16 and 32 bits: a 6 x 6 x 6 cube,
// then greys; and the value of the colour nearest an RGB one.
void fixed_palette(uint32_t* screen_palette);
uint8_t fixed_palette_value(uint8_t r, uint8_t g, uint8_t b);

// Memory the encoders reuse from frame to frame.
struct ImageScratch {
    uint8_t* bits = nullptr;  // sixel bits per register and column
    size_t bits_size = 0;
    int32_t* columns = nullptr;  // source column of each output column
    size_t columns_size = 0;
    uint8_t* pixels = nullptr;  // packed rows, then their PNG
    size_t pixels_size = 0;
    uint8_t* packed = nullptr;  // zlib output
    size_t packed_size = 0;
    void release();
};

// Appends one sixel image: the rows [first, end) of the place's image, which holds a width x
// height picture of pixel values (stride bytes a row) scaled to place.picture_width x
// place.picture_height (nearest pixel), centred in black. Only the registers it uses are
// defined. False when memory ran out.
bool append_sixels(const uint8_t* pixels, int32_t width, int32_t height, size_t stride,
                   const SixelPalette& palette, const ImagePlace& place, int32_t first, int32_t end,
                   ImageScratch* scratch, OutputBytes* out);

// The rows [first, end) of the place's image as RGB bytes (the RGBA picture of
// place.picture_width x place.picture_height centred in black), zlib-packed into
// scratch->packed (the rows as they were packed stay in scratch->pixels); the packed size, 0
// when memory or zlib is missing. With png, a whole PNG file instead.
size_t pack_image(const uint8_t* rgba, size_t stride, const ImagePlace& place, int32_t first,
                  int32_t end, bool png, ImageScratch* scratch);

// Appends a kitty graphics command: the keys (the payload's "o=z" among them) and the payload
// in base64, in chunks of at most 4096 bytes, every chunk a whole escape sequence.
void append_kitty_command(const char* keys, const uint8_t* payload, size_t size, OutputBytes* out);

// Appends an iTerm2 inline file of a PNG stretched over columns x rows cells.
void append_iterm2_image(int32_t columns, int32_t rows, const uint8_t* png, size_t size,
                         OutputBytes* out);

// Appends bytes in base64.
void append_base64(const uint8_t* bytes, size_t size, OutputBytes* out);

}  // namespace qx
