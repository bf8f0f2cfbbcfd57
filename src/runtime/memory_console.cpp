#include "runtime/memory_console.h"

#include "runtime/console_output.h"

namespace qx {

namespace {

MemoryConsole console;

bool inside(int32_t x, int32_t y) {
    return x >= 0 && y >= 0 && x < console.width && y < console.height;
}

size_t cell(int32_t x, int32_t y) {
    return static_cast<size_t>(y) * console.width + x;
}

int32_t memory_get_info(ConsoleBufferInfo* info) {
    if (console.redirected) return -1;
    *info = {console.width,      console.height,
             console.window_top, console.window_top + console.window_rows - 1,
             console.cursor_x,   console.cursor_y,
             console.attribute};
    return 0;
}

// Like a real console, the window follows the cursor.
void memory_set_cursor(int32_t x, int32_t y) {
    if (!inside(x, y)) return;
    console.cursor_x = x;
    console.cursor_y = y;
    if (y < console.window_top) console.window_top = y;
    if (y >= console.window_top + console.window_rows)
        console.window_top = y - console.window_rows + 1;
}

int32_t memory_get_cursor_visible() {
    return console.cursor_visible;
}

void memory_set_cursor_visible(int32_t visible) {
    console.cursor_visible = visible;
}

int32_t memory_write_cells(int32_t x, int32_t y, const unsigned char* characters, int32_t count,
                           uint16_t attribute) {
    if (console.failing_writes > 0) {
        --console.failing_writes;
        return 0;
    }
    for (int32_t i = 0; i < count; ++i) {
        if (!inside(x + i, y)) continue;
        console.characters[cell(x + i, y)] = characters[i];
        console.attributes[cell(x + i, y)] = attribute;
    }
    return 1;
}

void memory_scroll(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t to_x,
                   int32_t to_y, uint16_t attribute) {
    int32_t w = right - left + 1, h = bottom - top + 1;
    if (w <= 0 || h <= 0) return;
    std::vector<unsigned char> chars(static_cast<size_t>(w) * h);
    std::vector<uint16_t> attrs(chars.size());
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            if (inside(left + x, top + y)) {
                chars[y * w + x] = console.characters[cell(left + x, top + y)];
                attrs[y * w + x] = console.attributes[cell(left + x, top + y)];
            }
    // Blank the source, then lay the block at its destination: what it does not cover stays
    // blank, as the console does for the vacated part.
    for (int32_t y = top; y <= bottom; ++y)
        for (int32_t x = left; x <= right; ++x)
            if (inside(x, y)) {
                console.characters[cell(x, y)] = ' ';
                console.attributes[cell(x, y)] = attribute;
            }
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            if (inside(to_x + x, to_y + y)) {
                console.characters[cell(to_x + x, to_y + y)] = chars[y * w + x];
                console.attributes[cell(to_x + x, to_y + y)] = attrs[y * w + x];
            }
}

void memory_fill_attribute(int32_t x, int32_t y, int32_t count, uint16_t attribute) {
    for (int32_t i = 0; i < count; ++i)
        if (inside(x + i, y)) console.attributes[cell(x + i, y)] = attribute;
}

void memory_fill_character(int32_t x, int32_t y, int32_t count, unsigned char character) {
    for (int32_t i = 0; i < count; ++i)
        if (inside(x + i, y)) console.characters[cell(x + i, y)] = character;
}

void memory_set_attribute(uint16_t attribute) {
    console.attribute = attribute;
}

int32_t memory_write_raw(const unsigned char* bytes, size_t length) {
    console.raw.append(reinterpret_cast<const char*>(bytes), length);
    return 0;
}

void memory_beep() {
    ++console.beeps;
}

}  // namespace

extern const ConsoleBackend MEMORY_CONSOLE = {
    .get_info = memory_get_info,
    .set_cursor = memory_set_cursor,
    .get_cursor_visible = memory_get_cursor_visible,
    .set_cursor_visible = memory_set_cursor_visible,
    .write_cells = memory_write_cells,
    .scroll = memory_scroll,
    .fill_attribute = memory_fill_attribute,
    .fill_character = memory_fill_character,
    .set_attribute = memory_set_attribute,
    .write_raw = memory_write_raw,
    .beep = memory_beep,
};

MemoryConsole& install_memory_console(int32_t width, int32_t height, int32_t window_rows) {
    console = MemoryConsole{};
    console.width = width;
    console.height = height;
    console.window_rows = window_rows;
    console.characters.assign(static_cast<size_t>(width) * height, ' ');
    console.attributes.assign(console.characters.size(), 7);
    set_console_backend(&MEMORY_CONSOLE);
    reset_console_output();
    return console;
}

MemoryConsole& memory_console() {
    return console;
}

std::string memory_console_row(int32_t y) {
    if (y < 0 || y >= console.height) return {};
    std::string row(console.characters.begin() + cell(0, y),
                    console.characters.begin() + cell(0, y) + console.width);
    row.erase(row.find_last_not_of(' ') + 1);
    return row;
}

}  // namespace qx
