// Text of any bytes on the graphics screen (Null driver), mixed with cursor placement, view
// rows and screen sizes: the text cursor stays inside the character grid.
#include <cstdint>
#include <cstdlib>

#include "console_harness.h"
#include "gfx/screen.h"

namespace {

constexpr int32_t SIZES[][2] = {{320, 200}, {640, 480}, {8, 8}, {17, 9}, {1, 1}, {100, 1000}};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("QXGFX", "null", 1);
    qx::install_memory_console(80, 25, 25);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const int32_t* mode = SIZES[data[0] % (sizeof SIZES / sizeof SIZES[0])];
    if (qx::screen_res(mode[0], mode[1], 8, 0, 0, 0) != 0) return 0;
    qx::clear_device_table();
    size_t i = 1;
    while (i < size) {
        const uint8_t operation = data[i];
        i = run_console_operation(data, size, i);
        int32_t columns = 0, rows = 0;
        qx::text_get_size(&columns, &rows);
        if (columns == 0 || rows == 0) continue;  // a screen smaller than one character
        check_text_position(operation, columns, rows);
    }
    qx::close_screen();
    return 0;
}
