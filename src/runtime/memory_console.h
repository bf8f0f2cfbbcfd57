// A console that lives in memory, for tests: a cell buffer that may be taller than its
// window, a cursor, a beep counter and the raw bytes of a redirected output.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/console_backend.h"

namespace qx {

struct MemoryConsole {
    int32_t width = 80, height = 25;  // buffer, cells
    int32_t window_top = 0, window_rows = 25;
    std::vector<unsigned char> characters;  // width x height
    std::vector<uint16_t> attributes;
    int32_t cursor_x = 0, cursor_y = 0;
    int32_t cursor_visible = 1;
    uint16_t attribute = 7;
    int32_t beeps = 0;
    bool redirected = false;  // true: not a console, bytes go to raw
    std::string raw;
    int32_t failing_writes = 0;  // cell writes still to fail
};

extern const ConsoleBackend MEMORY_CONSOLE;

// Installs a fresh blank memory console as the backend and resets the console output state.
MemoryConsole& install_memory_console(int32_t width, int32_t height, int32_t window_rows);
MemoryConsole& memory_console();
// Row y of the buffer as text, trailing blanks removed.
std::string memory_console_row(int32_t y);

}  // namespace qx
