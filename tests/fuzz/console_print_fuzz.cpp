// Console printing of any bytes (control characters included) mixed with cursor placement and
// view-print rows, on a console in memory: the cursor never leaves the screen.
#include <cstdint>
#include <cstdio>

#include "console_operations.h"
#include "fuzz_check.h"
#include "runtime/console_output.h"
#include "runtime/devices.h"
#include "runtime/memory_console.h"
#include "runtime/text_hooks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    int32_t width = 1 + data[0] % 100, rows = 1 + data[1] % 30;
    int32_t height = rows + data[2] % 4;  // a buffer may be taller than its window
    qx::MemoryConsole& console = qx::install_memory_console(width, height, rows);
    qx::text_hooks = qx::TextHooks{};
    qx::clear_device_table();
    size_t i = 3;
    while (i < size) {
        const uint8_t operation = data[i];
        i = run_console_operation(data, size, i);
        FUZZ_CHECK(console.cursor_x >= 0 && console.cursor_x < console.width);
        FUZZ_CHECK(console.cursor_y >= 0 && console.cursor_y < console.height);
        if (width == 1 || rows == 1) continue;  // no console: the bytes go out raw
        int32_t column = 0, row = 0;
        qx::text_get_position(&column, &row);
        if (!(column >= 1 && column <= width && row >= 1 && row <= rows)) {
            std::fprintf(stderr, "op %d: column %d row %d of %d x %d (buffer %d), cursor %d,%d\n",
                         operation, column, row, width, rows, height, console.cursor_x,
                         console.cursor_y);
        }
        FUZZ_CHECK(column >= 1 && column <= width && row >= 1 && row <= rows);
    }
    return 0;
}
