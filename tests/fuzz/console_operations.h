// The console targets' input: an operation byte, then its arguments. Operations place the
// cursor, set the view rows, or print the bytes that follow, with or without a new line.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/console_output.h"

// Runs the operation at data[i]; returns where the next one starts.
inline size_t run_console_operation(const uint8_t* data, size_t size, size_t i) {
    const uint8_t operation = data[i++];
    const int32_t a = i < size ? static_cast<int8_t>(data[i]) : 0;
    const int32_t b = i + 1 < size ? static_cast<int8_t>(data[i + 1]) : 0;
    switch (operation % 5) {
        case 0:
            qx::locate(a, b, -1, nullptr);
            return i + 2;
        case 1:
            qx::view_print(a, b);
            return i + 2;
        default: {
            size_t length = operation / 5 % 32;
            if (length > size - i) length = size - i;
            const int32_t mask = operation % 5 == 2 ? 0 : qx::PRINT_NEWLINE;
            qx::print_string(0, data + i, static_cast<int32_t>(length), mask);
            return i + length;
        }
    }
}
