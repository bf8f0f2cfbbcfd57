/// @file
/// Palettes and colours of the open screen. Palette entries are 0x00BBGGRR (red in the low
/// byte); they matter up to 8 bits per pixel.
#pragma once

#include <cstdint>

#include <qx/console.h>  // set_color, which also sets the console's colours
#include <qx/export.h>

namespace qx {

/// index >= 0 sets one entry to color; index < 0 resets the mode's default palette (mode 1:
/// -1 to -4 pick its colour set). Nothing happens above 8 bits per pixel.
QX_API void apply_palette(int32_t index, uint32_t color);
///@{
/// The emulated VGA DAC ports: 0x3C7 read index, 0x3C8 write index, 0x3C9 data (red, green,
/// blue in 0..63, in turn). dac_in reads 0x3C9 (and 0x3DA, the retrace status).
QX_API int32_t dac_out(int32_t port, int32_t value);
QX_API int32_t dac_in(int32_t port);
///@}

}  // namespace qx
