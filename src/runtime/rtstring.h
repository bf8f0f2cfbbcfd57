// Counted byte texts of the runtime. The bytes are owned (malloc) and need no terminator;
// allocation failure is an ordinary result, never an exception.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qx {

struct Rtstring {
    char* data = nullptr;  // owned, malloc'd; null when empty
    int32_t length = 0;    // bytes
};

// 16-bit text, same ownership.
struct Rtwstring {
    uint16_t* data = nullptr;
    int32_t length = 0;  // units
};

}  // namespace qx
