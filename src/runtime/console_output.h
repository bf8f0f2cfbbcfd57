// Console output: the console defaults of the print, position and size slots, the view-print
// rows, locate and the cursor. Positions are 1-based and relative to the console area.
#pragma once

#include <cstdint>

#include <qx/console.h>

#include "runtime/half_api.h"

namespace qx {

constexpr int32_t VIEW_UNSET = -1;

void console_print_buffer(const unsigned char* text, int32_t length, int32_t mask);
void console_print_buffer_wide(const uint16_t* text, int32_t length, int32_t mask);
void console_get_size(int32_t* columns, int32_t* rows);
void console_get_xy(int32_t* column, int32_t* row);
int32_t console_get_column();
int32_t console_get_row();
int32_t console_locate(int32_t row, int32_t column, int32_t visibility);
void console_view_update();
// Console defaults of the colour and clear slots: the 16 console colours of the attribute, and
// blank rows in the current attribute.
int32_t console_set_color(int32_t fg, int32_t bg);
void console_clear(int32_t mode);

int32_t locate_or_show(int32_t row, int32_t column, int32_t visibility);

// View-print rows, 0-based and area-relative; unset resolves to the whole area.
QX_HALF_API int32_t view_print_top();
QX_HALF_API int32_t view_print_bottom();
void set_view_print(int32_t top, int32_t bottom);
// view_print without moving the cursor: the screen-mode core.
QX_HALF_API int32_t view_print_core(int32_t top, int32_t bottom, bool move_cursor);

}  // namespace qx

namespace qx {

// Forgets the console area, the view-print rows and a postponed line advance (tests, and a
// backend change).
void reset_console_output();

}  // namespace qx
