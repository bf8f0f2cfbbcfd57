/// @file
/// Counted byte texts, as the console's input operations take and give them.
#pragma once

#include <cstdint>

namespace qx {

/// A byte text: the bytes are owned (malloc) and need no terminator. Allocation failure is an
/// ordinary result, never an exception.
struct Rtstring {
    char* data = nullptr;  ///< owned, malloc'd; null when empty
    int32_t length = 0;    ///< bytes
};

/// A 16-bit text, same ownership.
struct Rtwstring {
    uint16_t* data = nullptr;  ///< owned, malloc'd; null when empty
    int32_t length = 0;        ///< units
};

}  // namespace qx
