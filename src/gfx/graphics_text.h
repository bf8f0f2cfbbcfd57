// Text on the graphics screen: printing into the text cell grid with the built-in fonts, the
// cursor, scrolling, clearing and the text-size operations behind the text hook slots.
// Program thread only; every operation takes the lock bracket itself.
#pragma once

#include <cstdint>

#include <qx/graphics_text.h>

#include "runtime/text_layout.h"

namespace qx {

// The target record of a graphics print: the pixel rows it changed, end exclusive.
struct DirtyRowRange {
    int32_t first;
    int32_t end;  // empty when equal to first
};

void graphics_print_buffer(const unsigned char* text, int32_t length, int32_t mask);
// 16-bit units become bytes: up to 255 as they are, others "?", a surrogate pair one "?".
void graphics_print_buffer_wide(const uint16_t* text, int32_t length, int32_t mask);
void graphics_print_buffer_wide(const uint16_t* text, int32_t mask);  // zero-terminated

// The write and scroll operations that graphics printing hands to lay_out_text; the context's
// target is a DirtyRowRange.
int32_t graphics_write_chars(PrintContext* context, const unsigned char* characters, int32_t count);
void graphics_scroll(PrintContext* context, int32_t left, int32_t top, int32_t right,
                     int32_t bottom, int32_t lines);

int32_t graphics_locate(int32_t row, int32_t column, int32_t visibility);
int32_t graphics_get_column();
int32_t graphics_get_row();
void graphics_get_xy(int32_t* column, int32_t* row);
void graphics_get_size(int32_t* columns, int32_t* rows);
void graphics_view_update();  // nothing to do: the graphics screen has no console area

}  // namespace qx
