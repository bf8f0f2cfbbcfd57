// What the console targets share: a fresh console in memory, and their input read as
// operations: an operation byte, then its arguments. Operations place the cursor, set the view
// rows, or print the bytes that follow, with or without a new line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "fuzz_check.h"
#include "runtime/console_output.h"
#include "runtime/devices.h"
#include "runtime/memory_console.h"
#include "runtime/text_hooks.h"

// A width x height console showing `rows` rows, no hooks routing text elsewhere, no devices.
inline qx::MemoryConsole& fresh_console(int32_t width, int32_t height, int32_t rows) {
    qx::MemoryConsole& console = qx::install_memory_console(width, height, rows);
    qx::text_hooks = qx::TextHooks{};
    qx::clear_device_table();
    return console;
}

inline void check_cursor_on_console(const qx::MemoryConsole& console) {
    FUZZ_CHECK(console.cursor_x >= 0 && console.cursor_x < console.width);
    FUZZ_CHECK(console.cursor_y >= 0 && console.cursor_y < console.height);
}

// The text position (1-based) inside a grid of columns x rows, said before the abort.
inline void check_text_position(uint8_t operation, int32_t columns, int32_t rows) {
    int32_t column = 0, row = 0;
    qx::text_get_position(&column, &row);
    const bool inside = column >= 1 && column <= columns && row >= 1 && row <= rows;
    if (!inside) {
        std::fprintf(stderr, "op %d: column %d row %d of %d x %d\n", operation, column, row,
                     columns, rows);
    }
    FUZZ_CHECK(inside);
}

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
