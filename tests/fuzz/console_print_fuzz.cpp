// Console printing of any bytes (control characters included) mixed with cursor placement and
// view-print rows, on a console in memory: the cursor never leaves the screen.
#include <cstdint>

#include "console_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    int32_t width = 1 + data[0] % 100, rows = 1 + data[1] % 30;
    int32_t height = rows + data[2] % 4;  // a buffer may be taller than its window
    qx::MemoryConsole& console = fresh_console(width, height, rows);
    size_t i = 3;
    while (i < size) {
        const uint8_t operation = data[i];
        i = run_console_operation(data, size, i);
        check_cursor_on_console(console);
        if (width == 1 || rows == 1) continue;  // no console: the bytes go out raw
        check_text_position(operation, width, rows);
    }
    return 0;
}
