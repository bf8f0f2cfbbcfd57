/// @file
/// Text on the graphics screen beyond printing (which console.h's calls already reach): clearing,
/// the text grid's size, reading cells back and the state of single keys.
#pragma once

#include <cstdint>

#include <qx/console.h>  // CLEAR_DEFAULT, clear_screen
#include <qx/export.h>

namespace qx {

/// Clears in the background colour; the cursor goes to the first row of what was cleared.
/// Without a screen nothing happens.
/// @param mode 0 the whole screen, 1 the view port, 2 the view-print rows, or CLEAR_DEFAULT:
///        the view port when one is set, else the view-print rows, or the whole screen when
///        those cover it
QX_API void graphics_clear(int32_t mode);
/// Sets the text grid to columns x rows cells, picking the font that fits: cells 8 pixels wide
/// and 8, 14 or 16 high. A change resets the view port and the view-print rows and clears the
/// screen; a size no font fits changes nothing.
/// @param columns the new number of columns; below 1 keeps it
/// @param rows the new number of rows; below 1 keeps it
/// @return the previous rows << 16 | columns; 0 without a screen
QX_API int32_t graphics_width(int32_t columns, int32_t rows);
/// Reads back a cell of the text grid on the page being drawn.
/// @param column 1-based column
/// @param row 1-based row
/// @param want_color 0 the character; else the colours: background * 16 + foreground up to 4
///        bits per pixel, background * 256 + foreground at 8; above 8, 2 gives the background
///        and any other value the foreground
/// @return what want_color asks for; 0 outside the grid or without a screen
QX_API int32_t graphics_read_cell(int32_t column, int32_t row, int32_t want_color);
/// Whether a key is down in the screen's window.
/// @param scan_code the key's scan code, 0..127
/// @return non-zero while the key is down; 0 when it is up, for other scan codes and without
///         a screen
QX_API int32_t graphics_key_state(int32_t scan_code);

}  // namespace qx
