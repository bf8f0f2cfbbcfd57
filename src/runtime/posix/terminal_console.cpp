// The terminal as a console: a cell buffer the size of the terminal, kept in step with the
// screen through cursor addressing, colours and scroll margins. When stdout is not a terminal
// the console is absent and bytes go out unchanged.
#include <fcntl.h>
#include <langinfo.h>
#include <locale.h>
#include <poll.h>
#include <signal.h>
#include <strings.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "runtime/console_backend.h"
#include "runtime/posix/cursor_reply.h"
#include "runtime/posix/term_input.h"
#include "runtime/posix/terminal_mode.h"
#include "runtime/program_name.h"
#include "runtime/runtime.h"

namespace qx {

namespace {

constexpr int32_t DEFAULT_COLUMNS = 80;
constexpr int32_t DEFAULT_ROWS = 25;
constexpr int CURSOR_QUERY_MS = 200;
constexpr size_t CURSOR_QUERY_BYTES = 64;  // a reply and what was typed before it
constexpr int32_t MAX_CELLS = 4096;        // per row and per column

// Program thread only, but for resized, which SIGWINCH sets.
struct TerminalState {
    bool checked;  // whether stdout is a terminal has been decided
    bool is_terminal;
    bool utf8;  // show bytes as Windows-1252 transcoded to UTF-8
    int32_t width, height;
    unsigned char* characters;  // width x height, bytes as printed
    uint16_t* attributes;
    int32_t cursor_x, cursor_y;
    int32_t cursor_visible;
    uint16_t shown_attribute;  // attribute the terminal is drawing with now
    uint16_t attribute;        // attribute of new text (set_color), 7 at start
    std::atomic<bool> resized;
};

TerminalState terminal{};

// Code points of Windows-1252 bytes 0x80-0x9F; 0 where the code page has none.
constexpr uint16_t CP1252_HIGH[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// The console's glyphs for the control bytes 0x00-0x1F and 0x7F.
constexpr uint16_t CONTROL_GLYPHS[32] = {
    0x0020, 0x263A, 0x263B, 0x2665, 0x2666, 0x2663, 0x2660, 0x2022, 0x25D8, 0x25CB, 0x25D9,
    0x2642, 0x2640, 0x266A, 0x266B, 0x263C, 0x25BA, 0x25C4, 0x2195, 0x203C, 0x00B6, 0x00A7,
    0x25AC, 0x21A8, 0x2191, 0x2193, 0x2192, 0x2190, 0x221F, 0x2194, 0x25B2, 0x25BC};
constexpr uint16_t CONTROL_GLYPH_DELETE = 0x2302;

// Console colour bits (blue 1, green 2, red 4) to the terminal's colour numbers.
constexpr int ANSI_COLOUR[8] = {0, 4, 2, 6, 1, 5, 3, 7};

// Standard output was closed when the program started: /dev/null only holds its slot.
bool output_closed = false;

// Writes every byte to standard output; false when it cannot take them (a reader gone, a full
// disk, a closed descriptor). A full non-blocking pipe is waited for, not a failure.
bool write_all(const void* bytes, size_t length) {
    if (output_closed && length > 0) {
        errno = EBADF;
        return false;
    }
    const char* next = static_cast<const char*>(bytes);
    while (length > 0) {
        ssize_t n = write(STDOUT_FILENO, next, length);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd entry{STDOUT_FILENO, POLLOUT, 0};
            if (poll(&entry, 1, -1) < 0 && errno != EINTR) return false;
            continue;
        }
        if (n <= 0) return false;
        next += n;
        length -= static_cast<size_t>(n);
    }
    return true;
}

// Nothing the program prints can arrive any more: it ends with a word on stderr rather than
// go on producing output for nobody. Output during that ending is dropped.
void end_for_lost_output() {
    static bool ending = false;
    if (ending) return;
    ending = true;
    int error = errno;
    char name[64];
    if (program_file_name(name, sizeof name) == 0) std::strcpy(name, "qx");
    std::fprintf(stderr, "%s: standard output cannot be written (%s); ending\n", name,
                 std::strerror(error));
    runtime_end(1);
}

// Output gathered for one operation, sent with one write.
struct Output {
    char bytes[4096];
    size_t length = 0;

    void flush() {
        bool written = write_all(bytes, length);
        length = 0;
        if (!written) end_for_lost_output();
    }
    void put(const char* text, size_t count) {
        if (length + count > sizeof(bytes)) flush();
        if (count > sizeof(bytes)) count = sizeof(bytes);
        std::memcpy(bytes + length, text, count);
        length += count;
    }
    void put(const char* text) { put(text, std::strlen(text)); }
    ~Output() { flush(); }
};

void put_code_point(Output& out, uint32_t code) {
    char utf8[3];
    if (code < 0x80) {
        utf8[0] = static_cast<char>(code);
        out.put(utf8, 1);
    } else if (code < 0x800) {
        utf8[0] = static_cast<char>(0xC0 | code >> 6);
        utf8[1] = static_cast<char>(0x80 | (code & 0x3F));
        out.put(utf8, 2);
    } else {
        utf8[0] = static_cast<char>(0xE0 | code >> 12);
        utf8[1] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        utf8[2] = static_cast<char>(0x80 | (code & 0x3F));
        out.put(utf8, 3);
    }
}

// A cell's byte as the terminal can show it: control bytes never reach the terminal raw.
// They are visible cells, drawn with the console's own glyphs where UTF-8 can show them.
void put_cell(Output& out, unsigned char byte) {
    if (byte < 0x20 || byte == 0x7F) {
        if (!terminal.utf8) {
            out.put(byte == 0 ? " " : ".", 1);
        } else {
            put_code_point(out, byte == 0x7F ? CONTROL_GLYPH_DELETE : CONTROL_GLYPHS[byte]);
        }
    } else if (byte < 0x80) {
        char c = static_cast<char>(byte);
        out.put(&c, 1);
    } else if (!terminal.utf8) {
        char c = static_cast<char>(byte);
        out.put(&c, 1);
    } else if (byte < 0xA0) {
        put_code_point(out, CP1252_HIGH[byte - 0x80] ? CP1252_HIGH[byte - 0x80] : '?');
    } else {
        put_code_point(out, byte);
    }
}

void put_attribute(Output& out, uint16_t attribute) {
    if (attribute == terminal.shown_attribute) return;
    terminal.shown_attribute = attribute;
    if (attribute == 7) {
        out.put("\x1b[0m");
        return;
    }
    term_note_output_changed();
    char sgr[32];
    int fg = ANSI_COLOUR[attribute & 7] + ((attribute & 8) ? 90 : 30);
    int bg = ANSI_COLOUR[(attribute >> 4) & 7] + ((attribute & 0x80) ? 100 : 40);
    int n = std::snprintf(sgr, sizeof sgr, "\x1b[0;%d;%dm", fg, bg);
    out.put(sgr, static_cast<size_t>(n));
}

void put_move(Output& out, int32_t x, int32_t y) {
    char cup[32];
    int n = std::snprintf(cup, sizeof cup, "\x1b[%d;%dH", y + 1, x + 1);
    out.put(cup, static_cast<size_t>(n));
}

bool inside(int32_t x, int32_t y) {
    return x >= 0 && y >= 0 && x < terminal.width && y < terminal.height;
}

size_t cell(int32_t x, int32_t y) {
    return static_cast<size_t>(y) * terminal.width + x;
}

// Redraws cells x..x+count-1 of row y from the buffer.
void draw_cells(Output& out, int32_t x, int32_t y, int32_t count) {
    if (x < 0) {
        count += x;
        x = 0;
    }
    if (x + count > terminal.width) count = terminal.width - x;
    if (count <= 0 || y < 0 || y >= terminal.height) return;
    put_move(out, x, y);
    for (int32_t i = 0; i < count; ++i) {
        put_attribute(out, terminal.attributes[cell(x + i, y)]);
        put_cell(out, terminal.characters[cell(x + i, y)]);
    }
    put_move(out, terminal.cursor_x, terminal.cursor_y);
}

void terminal_size(int32_t* width, int32_t* height) {
    winsize size{};
    *width = DEFAULT_COLUMNS;
    *height = DEFAULT_ROWS;
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 && size.ws_row > 0) {
        // Cells beyond these never take output; the cap keeps the buffer (and 16-bit area
        // coordinates) bounded whatever the terminal claims.
        *width = size.ws_col < MAX_CELLS ? size.ws_col : MAX_CELLS;
        *height = size.ws_row < MAX_CELLS ? size.ws_row : MAX_CELLS;
    }
}

// (Re)allocates the buffer for the terminal's size, keeping what still fits.
bool fit_buffer() {
    int32_t width, height;
    terminal_size(&width, &height);
    if (terminal.characters && width == terminal.width && height == terminal.height) return true;
    size_t cells = static_cast<size_t>(width) * height;
    auto* characters = static_cast<unsigned char*>(std::malloc(cells));
    auto* attributes = static_cast<uint16_t*>(std::malloc(cells * sizeof(uint16_t)));
    if (!characters || !attributes) {
        std::free(characters);
        std::free(attributes);
        return terminal.characters != nullptr;
    }
    std::memset(characters, ' ', cells);
    for (size_t i = 0; i < cells; ++i)
        attributes[i] = 7;
    for (int32_t y = 0; y < height && y < terminal.height; ++y) {
        for (int32_t x = 0; x < width && x < terminal.width; ++x) {
            characters[static_cast<size_t>(y) * width + x] = terminal.characters[cell(x, y)];
            attributes[static_cast<size_t>(y) * width + x] = terminal.attributes[cell(x, y)];
        }
    }
    std::free(terminal.characters);
    std::free(terminal.attributes);
    terminal.characters = characters;
    terminal.attributes = attributes;
    terminal.width = width;
    terminal.height = height;
    if (terminal.cursor_x >= width) terminal.cursor_x = width - 1;
    if (terminal.cursor_y >= height) terminal.cursor_y = height - 1;
    return true;
}

void on_resize(int) {
    terminal.resized.store(true);
}

int64_t monotonic_ms() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// Asks the terminal where its cursor is; the answer must come within 200 ms. Keys typed before
// it are kept for the key decoder, in order.
bool query_cursor(int32_t* x, int32_t* y) {
    if (!isatty(STDIN_FILENO)) return false;
    if (write(STDOUT_FILENO, "\x1b[6n", 4) != 4) return false;
    unsigned char bytes[CURSOR_QUERY_BYTES];
    size_t length = 0;
    int32_t row = 0, column = 0;
    bool answered = false;
    // One deadline for the whole answer, so bytes trickling in cannot stretch the wait. A full
    // buffer stops the reading: the rest stays in the terminal for the decoder.
    int64_t deadline = monotonic_ms() + CURSOR_QUERY_MS;
    while (!answered && length < sizeof bytes) {
        int64_t remaining = deadline - monotonic_ms();
        if (remaining <= 0) break;
        pollfd entry{STDIN_FILENO, POLLIN, 0};
        int ready = poll(&entry, 1, static_cast<int>(remaining));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) break;
        ssize_t n = read(STDIN_FILENO, bytes + length, sizeof bytes - length);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        length += static_cast<size_t>(n);
        answered = take_cursor_reply(bytes, &length, &row, &column);
    }
    term_input_keep_bytes(bytes, length);
    if (!answered) return false;
    *x = column - 1;
    *y = row - 1;
    return true;
}

// Whether the environment's character-type locale (LC_ALL, LC_CTYPE, LANG, as the C library
// reads them) encodes in UTF-8. Asked of a locale object of our own, so the program's locale is
// never changed, not even for a moment another thread could see. A locale that is not installed
// is not UTF-8 here, as it is not for the C library.
bool locale_is_utf8() {
    locale_t locale = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(0));
    if (locale == static_cast<locale_t>(0)) return false;
    const char* codeset = nl_langinfo_l(CODESET, locale);
    const bool utf8 = codeset != nullptr && strcasecmp(codeset, "UTF-8") == 0;
    freelocale(locale);
    return utf8;
}

bool ready() {
    if (!terminal.checked) {
        terminal.checked = true;
        // A terminal that cannot place the cursor or colour text gets the bytes as they are.
        const char* term = std::getenv("TERM");
        terminal.is_terminal =
            isatty(STDOUT_FILENO) == 1 && !(term != nullptr && std::strcmp(term, "dumb") == 0);
        if (!terminal.is_terminal) return false;
        terminal.utf8 = locale_is_utf8();
        terminal.cursor_visible = 1;
        terminal.shown_attribute = 7;
        terminal.attribute = 7;
        struct sigaction action {};
        action.sa_handler = on_resize;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        sigaction(SIGWINCH, &action, nullptr);
        if (!fit_buffer()) {
            terminal.is_terminal = false;
            return false;
        }
        int32_t x, y;
        if (query_cursor(&x, &y) && inside(x, y)) {
            terminal.cursor_x = x;
            terminal.cursor_y = y;
        } else {
            terminal.cursor_x = 0;
            terminal.cursor_y = terminal.height - 1;
        }
    }
    if (terminal.is_terminal && terminal.resized.exchange(false)) fit_buffer();
    return terminal.is_terminal;
}

int32_t terminal_get_info(ConsoleBufferInfo* info) {
    if (!ready()) return -1;
    *info = {terminal.width,    terminal.height,   0, terminal.height - 1, terminal.cursor_x,
             terminal.cursor_y, terminal.attribute};
    return 0;
}

void terminal_set_cursor(int32_t x, int32_t y) {
    if (!ready() || !inside(x, y)) return;
    terminal.cursor_x = x;
    terminal.cursor_y = y;
    Output out;
    put_move(out, x, y);
}

int32_t terminal_get_cursor_visible() {
    return ready() ? terminal.cursor_visible : 1;
}

void terminal_set_cursor_visible(int32_t visible) {
    if (!ready()) return;
    terminal.cursor_visible = visible != 0;
    if (!visible) term_note_output_changed();
    Output out;
    out.put(visible ? "\x1b[?25h" : "\x1b[?25l");
}

int32_t terminal_write_cells(int32_t x, int32_t y, const unsigned char* characters, int32_t count,
                             uint16_t attribute) {
    if (!ready()) return 0;
    for (int32_t i = 0; i < count; ++i) {
        if (!inside(x + i, y)) continue;
        terminal.characters[cell(x + i, y)] = characters[i];
        terminal.attributes[cell(x + i, y)] = attribute;
    }
    Output out;
    draw_cells(out, x, y, count);
    return 1;
}

void terminal_scroll(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t to_x,
                     int32_t to_y, uint16_t attribute) {
    if (!ready()) return;
    if (left < 0) left = 0;
    if (top < 0) top = 0;
    if (right >= terminal.width) right = terminal.width - 1;
    if (bottom >= terminal.height) bottom = terminal.height - 1;
    if (left > right || top > bottom) return;
    if (to_x != left) return;  // the console only moves rows up or down
    int32_t shift = top - to_y;
    int32_t rows = bottom - top + 1;
    for (int32_t i = 0; i < rows; ++i) {
        int32_t y = shift > 0 ? top + i : bottom - i;  // copy order safe for the overlap
        if (y - shift < 0 || y - shift >= terminal.height) continue;
        std::memmove(&terminal.characters[cell(left, y - shift)],
                     &terminal.characters[cell(left, y)], static_cast<size_t>(right - left + 1));
        std::memmove(&terminal.attributes[cell(left, y - shift)],
                     &terminal.attributes[cell(left, y)],
                     static_cast<size_t>(right - left + 1) * sizeof(uint16_t));
    }
    // The vacated part of the source rectangle becomes blank.
    int32_t vacated_top = shift > 0 ? (bottom - shift + 1 > top ? bottom - shift + 1 : top) : top;
    int32_t vacated_bottom =
        shift > 0 ? bottom : (top - shift - 1 < bottom ? top - shift - 1 : bottom);
    for (int32_t y = vacated_top; y <= vacated_bottom; ++y) {
        for (int32_t x = left; x <= right; ++x) {
            terminal.characters[cell(x, y)] = ' ';
            terminal.attributes[cell(x, y)] = attribute;
        }
    }
    bool upward_rows = shift > 0;
    Output out;
    if (upward_rows && left == 0 && right == terminal.width - 1 && attribute == 7) {
        // Whole rows: let the terminal scroll inside margins rather than repaint them.
        char command[48];
        put_attribute(out, 7);
        int n = std::snprintf(command, sizeof command, "\x1b[%d;%dr\x1b[%dS\x1b[r", to_y + 1,
                              bottom + 1, shift);
        out.put(command, static_cast<size_t>(n));
        put_move(out, terminal.cursor_x, terminal.cursor_y);
        return;
    }
    int32_t first = to_y < top ? to_y : top;
    int32_t last = to_y + rows - 1 > bottom ? to_y + rows - 1 : bottom;
    for (int32_t y = first; y <= last; ++y)
        draw_cells(out, left, y, right - left + 1);
}

void terminal_fill_attribute(int32_t x, int32_t y, int32_t count, uint16_t attribute) {
    if (!ready()) return;
    for (int32_t i = 0; i < count; ++i)
        if (inside(x + i, y)) terminal.attributes[cell(x + i, y)] = attribute;
    Output out;
    draw_cells(out, x, y, count);
}

void terminal_fill_character(int32_t x, int32_t y, int32_t count, unsigned char character) {
    if (!ready()) return;
    for (int32_t i = 0; i < count; ++i)
        if (inside(x + i, y)) terminal.characters[cell(x + i, y)] = character;
    Output out;
    draw_cells(out, x, y, count);
}

// Only remembered: the colours reach the terminal with the cells written in them.
void terminal_set_attribute(uint16_t attribute) {
    if (ready()) terminal.attribute = attribute;
}

int32_t terminal_write_raw(const unsigned char* bytes, size_t length) {
    if (write_all(bytes, length)) return 0;
    end_for_lost_output();
    return -1;
}

void terminal_beep() {
    if (isatty(STDOUT_FILENO)) {
        ssize_t ignored = write(STDOUT_FILENO, "\a", 1);
        (void)ignored;
    }
}

}  // namespace

extern const ConsoleBackend SYSTEM_CONSOLE = {
    .get_info = terminal_get_info,
    .set_cursor = terminal_set_cursor,
    .get_cursor_visible = terminal_get_cursor_visible,
    .set_cursor_visible = terminal_set_cursor_visible,
    .write_cells = terminal_write_cells,
    .scroll = terminal_scroll,
    .fill_attribute = terminal_fill_attribute,
    .fill_character = terminal_fill_character,
    .set_attribute = terminal_set_attribute,
    .write_raw = terminal_write_raw,
    .beep = terminal_beep,
};

void console_platform_init() {
    // A closed standard descriptor would be handed to the next file we open (an X
    // connection, say) and console output would land in it: hold the slot with /dev/null.
    // Console output then cannot be written, as to a reader that went away.
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
            int opened = open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
            if (opened != fd && opened >= 0) close(opened);
            if (fd == STDOUT_FILENO) output_closed = true;
        }
    }
    term_take_terminal();
    ready();  // size and cursor now, so the first print does not wait for the query
}

}  // namespace qx
