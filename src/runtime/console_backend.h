// The door between the console algorithms and a concrete console: the terminal, or a cell
// buffer in memory for tests. Coordinates are absolute 0-based cells.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qx {

struct ConsoleBufferInfo {
    int32_t buffer_width, buffer_height;  // cells
    int32_t window_top, window_bottom;    // rows shown, inclusive
    int32_t cursor_x, cursor_y;
    uint16_t attribute;  // colour attribute of new text: foreground low nibble, background high
};

struct ConsoleBackend {
    // 0 with the information, -1 when the output is not a console (bytes go out raw).
    int32_t (*get_info)(ConsoleBufferInfo* info);
    void (*set_cursor)(int32_t x, int32_t y);
    int32_t (*get_cursor_visible)();
    void (*set_cursor_visible)(int32_t visible);
    // One row of cells from (x, y), all with one attribute; 1 on success.
    int32_t (*write_cells)(int32_t x, int32_t y, const unsigned char* characters, int32_t count,
                           uint16_t attribute);
    // Moves the rectangle to (destination_x, destination_y); the part of the rectangle the
    // move vacates is filled with blanks in the attribute.
    void (*scroll)(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t destination_x,
                   int32_t destination_y, uint16_t attribute);
    void (*fill_attribute)(int32_t x, int32_t y, int32_t count, uint16_t attribute);
    void (*fill_character)(int32_t x, int32_t y, int32_t count, unsigned char character);
    // The attribute of text written from now on, as get_info reports it.
    void (*set_attribute)(uint16_t attribute);
    // Raw bytes to standard output; 0 when all were written, -1 at the first failure.
    int32_t (*write_raw)(const unsigned char* bytes, size_t length);
    void (*beep)();
};

// The backend in use: the platform's console unless a test installed another.
const ConsoleBackend* console_backend();
void set_console_backend(const ConsoleBackend* backend);

// The platform's console: the terminal on Linux, the console screen buffer on Windows.
extern const ConsoleBackend SYSTEM_CONSOLE;

// Platform part of the console set-up: standard handles, console or terminal mode, the
// handling of interrupts and closes.
void console_platform_init();

}  // namespace qx
