// The console screen buffer as the console backend: cells are written, scrolled and filled
// with the buffer calls, so the console's own wrapping and scrolling never take part. When
// standard output is not a console the backend reports none and bytes go out with WriteFile.
//
// Cells hold the program's Windows-1252 bytes. They are written as the characters those bytes
// stand for, whatever the console's code page, and control bytes as the console's glyphs: a
// console that passes a control character on to a terminal (Wine's) would otherwise act on it.
#include "runtime/win32/console_session.h"

#include <climits>

#include "runtime/console_backend.h"

namespace qx {

namespace {

constexpr int32_t CELL_CHUNK = 256;      // cells per WriteConsoleOutputW, built on the stack
constexpr DWORD WRITE_CHUNK = 1u << 30;  // bytes per WriteFile
constexpr DWORD BEEP_FREQUENCY = 1000;   // Hz
constexpr DWORD BEEP_DURATION = 250;     // ms

// Characters of the Windows-1252 bytes 0x80-0x9F; '?' where the code page has none.
constexpr wchar_t CP1252_HIGH[32] = {
    0x20AC, L'?',   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, L'?',   0x017D, L'?',   L'?',   0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, L'?',   0x017E, 0x0178};

// The console's glyphs for the control bytes 0x00-0x1F; 0x7F is the house.
constexpr wchar_t CONTROL_GLYPHS[32] = {
    0x0020, 0x263A, 0x263B, 0x2665, 0x2666, 0x2663, 0x2660, 0x2022, 0x25D8, 0x25CB, 0x25D9,
    0x2642, 0x2640, 0x266A, 0x266B, 0x263C, 0x25BA, 0x25C4, 0x2195, 0x203C, 0x00B6, 0x00A7,
    0x25AC, 0x21A8, 0x2191, 0x2193, 0x2192, 0x2190, 0x221F, 0x2194, 0x25B2, 0x25BC};
constexpr wchar_t CONTROL_GLYPH_DELETE = 0x2302;

wchar_t cell_character(unsigned char byte) {
    if (byte < 0x20) return CONTROL_GLYPHS[byte];
    if (byte == 0x7F) return CONTROL_GLYPH_DELETE;
    if (byte >= 0x80 && byte < 0xA0) return CP1252_HIGH[byte - 0x80];
    return byte;
}

bool coordinate(int32_t value) {
    return value >= 0 && value <= SHRT_MAX;
}

COORD cell(int32_t x, int32_t y) {
    return COORD{static_cast<SHORT>(x), static_cast<SHORT>(y)};
}

int32_t screen_get_info(ConsoleBufferInfo* info) {
    CONSOLE_SCREEN_BUFFER_INFO buffer;
    if (!GetConsoleScreenBufferInfo(console_output_handle(), &buffer)) return -1;
    *info = ConsoleBufferInfo{
        .buffer_width = buffer.dwSize.X,
        .buffer_height = buffer.dwSize.Y,
        .window_top = buffer.srWindow.Top,
        .window_bottom = buffer.srWindow.Bottom,
        .cursor_x = buffer.dwCursorPosition.X,
        .cursor_y = buffer.dwCursorPosition.Y,
        .attribute = buffer.wAttributes,
    };
    return 0;
}

void screen_set_cursor(int32_t x, int32_t y) {
    if (!coordinate(x) || !coordinate(y)) return;
    SetConsoleCursorPosition(console_output_handle(), cell(x, y));
}

int32_t screen_get_cursor_visible() {
    CONSOLE_CURSOR_INFO cursor;
    if (!GetConsoleCursorInfo(console_output_handle(), &cursor)) return 1;
    return cursor.bVisible ? 1 : 0;
}

void screen_set_cursor_visible(int32_t visible) {
    CONSOLE_CURSOR_INFO cursor;
    if (!GetConsoleCursorInfo(console_output_handle(), &cursor)) return;
    cursor.bVisible = visible != 0;
    SetConsoleCursorInfo(console_output_handle(), &cursor);
}

int32_t screen_write_cells(int32_t x, int32_t y, const unsigned char* characters, int32_t count,
                           uint16_t attribute) {
    if (count <= 0) return 1;
    if (!coordinate(x) || !coordinate(y) || count - 1 > SHRT_MAX - x) return 0;
    CHAR_INFO cells[CELL_CHUNK];
    for (int32_t done = 0; done < count;) {
        int32_t n = count - done < CELL_CHUNK ? count - done : CELL_CHUNK;
        for (int32_t i = 0; i < n; ++i) {
            cells[i].Char.UnicodeChar = cell_character(characters[done + i]);
            cells[i].Attributes = attribute;
        }
        SMALL_RECT region{static_cast<SHORT>(x + done), static_cast<SHORT>(y),
                          static_cast<SHORT>(x + done + n - 1), static_cast<SHORT>(y)};
        if (!WriteConsoleOutputW(console_output_handle(), cells, cell(n, 1), cell(0, 0), &region)) {
            return 0;
        }
        done += n;
    }
    return 1;
}

void screen_scroll(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t destination_x,
                   int32_t destination_y, uint16_t attribute) {
    if (!coordinate(left) || !coordinate(top) || !coordinate(right) || !coordinate(bottom) ||
        !coordinate(destination_x) || !coordinate(destination_y)) {
        return;
    }
    SMALL_RECT source{static_cast<SHORT>(left), static_cast<SHORT>(top), static_cast<SHORT>(right),
                      static_cast<SHORT>(bottom)};
    CHAR_INFO blank;
    blank.Char.AsciiChar = ' ';
    blank.Attributes = attribute;
    ScrollConsoleScreenBufferA(console_output_handle(), &source, nullptr,
                               cell(destination_x, destination_y), &blank);
}

void screen_fill_attribute(int32_t x, int32_t y, int32_t count, uint16_t attribute) {
    if (count <= 0 || !coordinate(x) || !coordinate(y)) return;
    DWORD written;
    FillConsoleOutputAttribute(console_output_handle(), attribute, static_cast<DWORD>(count),
                               cell(x, y), &written);
}

void screen_fill_character(int32_t x, int32_t y, int32_t count, unsigned char character) {
    if (count <= 0 || !coordinate(x) || !coordinate(y)) return;
    DWORD written;
    FillConsoleOutputCharacterA(console_output_handle(), static_cast<CHAR>(character),
                                static_cast<DWORD>(count), cell(x, y), &written);
}

void screen_set_attribute(uint16_t attribute) {
    SetConsoleTextAttribute(console_output_handle(), attribute);
}

// A call that fails, or that takes nothing (a full pipe whose reader has gone), ends the
// output: looping on it would never finish.
int32_t screen_write_raw(const unsigned char* bytes, size_t length) {
    HANDLE output = console_output_handle();
    if (length > 0 && (output == nullptr || output == INVALID_HANDLE_VALUE)) return -1;
    while (length > 0) {
        DWORD chunk = length < WRITE_CHUNK ? static_cast<DWORD>(length) : WRITE_CHUNK;
        DWORD written = 0;
        if (!WriteFile(output, bytes, chunk, &written, nullptr) || written == 0) return -1;
        bytes += written;
        length -= written;
    }
    return 0;
}

void screen_beep() {
    Beep(BEEP_FREQUENCY, BEEP_DURATION);
}

}  // namespace

extern const ConsoleBackend SYSTEM_CONSOLE = {
    .get_info = screen_get_info,
    .set_cursor = screen_set_cursor,
    .get_cursor_visible = screen_get_cursor_visible,
    .set_cursor_visible = screen_set_cursor_visible,
    .write_cells = screen_write_cells,
    .scroll = screen_scroll,
    .fill_attribute = screen_fill_attribute,
    .fill_character = screen_fill_character,
    .set_attribute = screen_set_attribute,
    .write_raw = screen_write_raw,
    .beep = screen_beep,
};

}  // namespace qx
