// The input statement: prompt, line editor, items cut from the line and converted.
#pragma once

#include <cstdint>

#include <qx/console.h>

#include "runtime/half_api.h"
#include "runtime/rtstring.h"

namespace qx {

struct DeviceRecord;

// The line of the current input statement; one per process, never freed.
struct InputLineContext {
    DeviceRecord* source;   // device to read items from; null: the stored line
    int32_t reserved;       // 0 when a new line is read
    Rtstring line;          // the last line typed, without its line end
    int32_t read_position;  // next byte of line to read
};

InputLineContext* input_line_context();

constexpr int32_t INTEGER_ITEM_LENGTH = 11;  // longer integer items are cut here

// Cuts the next item of the stored line into buffer (max_length + 1 bytes, zero-terminated).
// Returns the item's length.
int32_t read_item(char* buffer, int32_t max_length, int32_t string_mode);
// Decimal conversion like atoi (blanks, sign, digits), saturated to the 32-bit range.
int32_t parse_int_saturating(const char* text);

// Destination size -1 (or 0): a dynamic text; above 0: a fixed text of that many bytes,
// padded with fill.
int32_t console_line_input(const Rtstring* prompt, Rtstring* destination, int32_t destination_size,
                           int32_t fill, int32_t add_question, int32_t add_newline);
// The body of the line input, which only talks through the text routers, so the graphics
// screen runs the very same steps and editor. Returns the runtime error code.
QX_HALF_API int32_t line_input_via_hooks(const Rtstring* prompt, Rtstring* destination,
                                         int32_t destination_size, int32_t fill,
                                         int32_t add_question, int32_t add_newline);

// Edits text (malloc'd bytes, owned by the caller) in place until Enter.
void edit_line(Rtstring* text);
// Moves the cursor delta cells from (column, row), 1-based, wrapping at columns; moving onto
// the row below the last one scrolls. Updates both values.
void move_cursor_by(int32_t* column, int32_t* row, int32_t delta, int32_t columns, int32_t rows);

}  // namespace qx
