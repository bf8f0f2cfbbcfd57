/// @file
/// Palettes and colours of the open screen. Palette entries are 0x00BBGGRR (red in the low
/// byte); they matter up to 8 bits per pixel.
#pragma once

#include <cstdint>

#include <qx/console.h>  // set_color, which also sets the console's colours
#include <qx/export.h>

namespace qx {

/// Sets one palette entry or resets the palette. Nothing happens above 8 bits per pixel or
/// without a screen.
/// @param index >= 0 the entry to set; < 0 resets the mode's default palette (mode 1: -1 to -4
///        pick its colour set)
/// @param color the entry's colour, 0x00BBGGRR; not used when resetting
QX_API void apply_palette(int32_t index, uint32_t color);
/// Writes an emulated VGA DAC port: 0x3C7 (read index) or 0x3C8 (write index) sets the entry
/// index, 0x3C9 (data) the next component: red, green, blue in 0..63, in turn; the third sets
/// the entry and moves to the next one. Only up to 8 bits per pixel.
/// @param port 0x3C7, 0x3C8 or 0x3C9
/// @param value the index, or the component in 0..63 (higher bits are dropped)
/// @retval 0 written
/// @retval -1 another port, no screen, or above 8 bits per pixel
QX_API int32_t dac_out(int32_t port, int32_t value);
/// Reads a DAC port: 0x3C9 the next component of the entry, or 0x3DA, which waits for the
/// vertical retrace when the driver can.
/// @param port 0x3C9 or 0x3DA
/// @return 0x3C9: the component in 0..63; 0x3DA: 8 (retrace); -1 for another port, without a
///         screen, or reading 0x3C9 above 8 bits per pixel
QX_API int32_t dac_in(int32_t port);

}  // namespace qx
