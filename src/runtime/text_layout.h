// The text layout shared by the console and the graphics screen: control characters,
// tab stops every 8 columns, runs of at most 256 bytes, wrapping and the lazy scroll.
#pragma once

#include <cstdint>

#include "runtime/half_api.h"

namespace qx {

struct PrintContext {
    void* target;  // ConsoleTarget for the console; the graphics print passes its dirty range
    void (*scroll)(PrintContext* context, int32_t left, int32_t top, int32_t right, int32_t bottom,
                   int32_t lines);  // must leave cursor_row at the view bottom
    int32_t (*write)(PrintContext* context, const unsigned char* characters,
                     int32_t count);                       // 1 on success
    int32_t view_left, view_top, view_right, view_bottom;  // absolute cells; bottom -1: no limit
    int32_t cursor_column, cursor_row;                     // absolute cell of the next character
};

constexpr int32_t RUN_CAPACITY = 256;  // printable bytes gathered into one write

QX_HALF_API void lay_out_text(PrintContext* context, const unsigned char* text, int32_t length,
                              int32_t lf_returns);
void write_run(PrintContext* context, const unsigned char* characters, int32_t count);

}  // namespace qx
