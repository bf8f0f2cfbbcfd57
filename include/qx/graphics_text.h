/// @file
/// Text on the graphics screen beyond printing (which console.h's calls already reach): clearing,
/// the text grid's size, reading cells back and the state of single keys.
#pragma once

#include <cstdint>

#include <qx/console.h>  // CLEAR_DEFAULT, clear_screen
#include <qx/export.h>

namespace qx {

/// Clears in the background colour: 0 the whole screen, 1 the view port, 2 the view-print rows
/// (or CLEAR_DEFAULT: the view port when one is set, else the view-print rows, or the whole
/// screen when those cover it); the cursor goes to the first row of what was cleared.
QX_API void graphics_clear(int32_t mode);
/// Sets the text grid to columns x rows cells, picking the font that fits (below 1: keep).
/// Returns the previous rows << 16 | columns; 0 without a screen.
QX_API int32_t graphics_width(int32_t columns, int32_t rows);
/// The cell at column, row (1-based): want_color 0 its character; 1 its colours (background and
/// foreground packed as at this depth); 2 the background alone above 8 bits per pixel.
/// 0 outside the grid.
QX_API int32_t graphics_read_cell(int32_t column, int32_t row, int32_t want_color);
/// Non-zero while the key of this scan code (0..127) is down in the screen's window.
QX_API int32_t graphics_key_state(int32_t scan_code);

}  // namespace qx
