// The terminal's answer to the cursor-position query arrives on the keyboard's stream, among
// whatever the user typed meanwhile; it is taken out and the keys are left for the decoder.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qx {

// Finds the first whole reply (ESC [ row ; column R) in bytes, removes it and closes the gap,
// so every other byte stays, in order. True with the 1-based row and column when one was there.
bool take_cursor_reply(unsigned char* bytes, size_t* length, int32_t* row, int32_t* column);

}  // namespace qx
