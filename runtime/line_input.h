// The input statement: prompt, line editor, items cut from the line and converted.
#pragma once

#include <cstdint>

#include "runtime/rtstring.h"

namespace qx {

// Starts an input statement: reads a line through line_input_hook. Sets the error code.
void input_prompt(const Rtstring* prompt, int32_t add_question, int32_t add_newline);
// Next item of the line as a 32-bit integer (saturating). Sets the error code to 0.
void input_int(int32_t* destination);

}  // namespace qx
