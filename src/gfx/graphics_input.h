// Line input and the mouse on the graphics screen (text hook slots 13, 15, 16, 20 and 21).
#pragma once

#include <cstdint>

#include <qx/drivers.h>

#include "runtime/rtstring.h"

namespace qx {

constexpr unsigned char BLOCK_CURSOR = 219;  // the solid block shown as the input cursor

// Reads keys into buffer (size bytes with the terminating zero) until Enter, echoing on the
// screen behind a block cursor. Returns buffer, or null without a screen or without room.
char* graphics_read_line(char* buffer, int32_t size);

// The input statement's line input, running the console's steps and editor, which reach the
// graphics screen through the text hooks. Returns the runtime error code.
int32_t graphics_line_input(const Rtstring* prompt, Rtstring* destination, int32_t destination_size,
                            int32_t fill, int32_t add_question, int32_t add_newline);
// The same for 16-bit texts: the prompt is shown as graphics printing shows 16-bit text and
// each typed byte becomes one unit. Destination size above 0: a fixed text of that many units.
int32_t graphics_line_input_wide(const Rtwstring* prompt, Rtwstring* destination,
                                 int32_t destination_size, int32_t fill, int32_t add_question,
                                 int32_t add_newline);

}  // namespace qx
