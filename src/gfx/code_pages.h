// Character sets at the display's edge: typed Windows-1252 bytes to code page 437 for the key
// ring, titles from Windows-1252 to UTF-8 for window managers and terminals.
#pragma once

#include <cstdint>

namespace qx {

// A Windows-1252 byte as code page 437 ('?' when 437 has no such character).
uint8_t windows_1252_to_cp437(uint8_t byte);
// Windows-1252 text as UTF-8 into `out` (capacity bytes, always terminated); returns its length.
int32_t windows_1252_to_utf8(const char* text, char* out, int32_t capacity);

}  // namespace qx
