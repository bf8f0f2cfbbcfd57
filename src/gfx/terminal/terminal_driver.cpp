// The "Terminal" driver: the framebuffer drawn in the terminal itself by libchafa, in cells of
// block characters or as the terminal's own images, with the keys and the mouse read from it.
// Its update thread has the window layer's shape: convert the changed rows under the lock,
// then build and write the terminal's output without it.
#include <poll.h>
#include <signal.h>
#include <strings.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <thread>

#include "gfx/code_pages.h"
#include "gfx/driver/blitter.h"
#include "gfx/driver/display_driver.h"
#include "gfx/graphics_keys.h"
#include "gfx/mouse_events.h"
#include "gfx/screen.h"
#include "gfx/terminal/chafa_api.h"
#include "gfx/terminal/terminal_cells.h"
#include "gfx/terminal/terminal_images.h"
#include "gfx/terminal/terminal_keys.h"
#include "gfx/terminal/terminal_layout.h"
#include "gfx/terminal/terminal_picture.h"
#include "gfx/terminal/terminal_replies.h"
#include "runtime/diagnostics.h"
#include "runtime/key_code.h"
#include "runtime/posix/terminal_mode.h"

extern char** environ;

namespace qx {

namespace {

constexpr int64_t SYMBOL_FRAME_MS = 16;    // about 60 updates a second at most
constexpr int64_t PIXEL_FRAME_MS = 33;     // images cost the terminal more: about 30
constexpr int INPUT_WAIT_MS = 10;          // the thread's pace when nothing arrives
constexpr int ESC_PAUSE_MS = 30;           // an ESC followed by nothing for this long is Escape
constexpr int WRITE_WAIT_MS = 1000;        // a terminal that takes nothing this long drops a frame
constexpr size_t WRITE_CHUNK = 64 * 1024;  // an image is written in parts, so exit need not wait
constexpr int64_t MAX_PIXEL_BYTES = int64_t{1} << 30;
constexpr int32_t MAX_CELLS = 4096;  // per side, whatever the terminal claims
constexpr int32_t DEFAULT_COLUMNS = 80, DEFAULT_ROWS = 24;
constexpr int32_t DEFAULT_CELL_WIDTH = 10, DEFAULT_CELL_HEIGHT = 20;  // for sixels, unanswered
constexpr int QUERY_WAIT_MS = 500;  // the device attributes end the answers well before this
constexpr int32_t KITTY_IDS[2] = {0x51A1,
                                  0x51A2};  // taken in turn: the new shows, then the old goes

// Everything the terminal changes, undone in the reverse order after a string end (an image
// cut short): synchronized update off, mouse reporting off, colours, cursor, main screen, title.
constexpr char RESTORE_AFTER_STRING_END[] =
    "\x1b[?2026l\x1b[?1006l\x1b[?1003l\x1b[?1000l\x1b[0m\x1b[?25h\x1b[?1049l\x1b[23;0t";
constexpr char KITTY_KEYS_POP[] = "\x1b[<u";
constexpr char KITTY_IMAGES_GONE[] = "\x1b_Ga=d,d=A,q=2\x1b\\";

// Process-wide state of the driver. Fields marked (lock) are shared with the program thread;
// the others belong to the update thread once it runs.
struct TerminalDriverState {
    bool palette_changed;   // (lock)
    bool kitty_keys;        // (lock) the terminal reports key releases
    TerminalMouse mouse;    // (lock)
    char title[256];        // (lock)
    bool title_changed;     // (lock)
    TerminalLayout layout;  // (lock) where the picture is, for get_mouse
    int32_t width, height;  // framebuffer width, display rows
    Blitter blitter;
    uint8_t* rgba;     // width x height pixels, R G B A
    uint8_t* values;   // width x height pixel values for sixels (the fixed palette's if RGB)
    bool indexed;      // an 8-bit screen: sixels use its own palette
    uint8_t* changed;  // height flags: the display lines converted since the last update
    uint32_t screen_palette[256];  // (lock) 0x00BBGGRR, what the values show
    bool sixel_palette_stale;      // (lock)
    SixelPalette sixel_palette;
    TerminalDrawMode mode;
    TerminalReplies replies;  // what the terminal answered at open
    TerminalPicture picture;
    ImagePlace place;           // image modes
    int32_t sixel_cell_height;  // the cell height the sixels are laid out on
    ImageScratch scratch;       // image modes
    int32_t kitty_shown;        // index in KITTY_IDS of the image shown, -1 none
    bool logged;                // the choice and the first place were told
    TerminalCell* shown;        // cells the terminal shows (symbol mode)
    TerminalCell* next;
    bool redraw;                      // the terminal's picture is gone: everything again
    int32_t columns, rows;            // terminal size in cells
    int32_t cell_width, cell_height;  // pixels per cell, 0 unknown
    int64_t last_frame_ms;
    bool input_is_terminal;
    TerminalInputSplitter splitter;
    TerminalInputEvent events[TERMINAL_INPUT_MAX_EVENTS];  // what one byte or pause completes
    KeyHoldTimes hold;
    OutputBytes out;
    bool output_lost;  // the terminal is gone: nothing more is written
};

std::recursive_mutex driver_mutex;
std::thread update_thread;
std::atomic<bool> running{false};  // the thread runs while true; a long write stops when false
TerminalDriverState state{};

int64_t monotonic_ms() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// Writes everything, waiting at most WRITE_WAIT_MS for a terminal that takes nothing. False
// when the terminal is gone (output_lost), stalled or the driver closes (the rest is dropped).
bool write_all(const char* bytes, size_t length, bool while_running = true) {
    size_t done = 0;
    while (done < length && !state.output_lost && (!while_running || running.load())) {
        pollfd entry{STDOUT_FILENO, POLLOUT, 0};
        int ready = poll(&entry, 1, WRITE_WAIT_MS);
        if (ready < 0 && errno == EINTR) continue;
        if (ready == 0) return false;
        if (ready < 0 || (entry.revents & (POLLERR | POLLHUP | POLLNVAL))) {
            state.output_lost = true;
            break;
        }
        ssize_t n = write(STDOUT_FILENO, bytes + done, std::min(length - done, WRITE_CHUNK));
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n <= 0) {
            state.output_lost = true;  // EIO after a hang-up, or a reader gone
            break;
        }
        done += static_cast<size_t>(n);
    }
    return done == length;
}

void write_text(const char* text) {
    write_all(text, std::strlen(text));
}

// The restore bytes; the kitty keys' pop goes before the main screen comes back, since the
// terminal keeps their flags per screen, and kitty images go first, as they outlive a screen.
int restore_bytes(bool kitty_keys, char* out, size_t capacity) {
    const bool images = state.mode.pixels == TerminalPixels::KITTY;
    return std::snprintf(out, capacity, "\x1b\\%s%s%s", images ? KITTY_IMAGES_GONE : "",
                         kitty_keys ? KITTY_KEYS_POP : "", RESTORE_AFTER_STRING_END);
}

void set_restore(bool kitty_keys) {
    char bytes[TERM_SCREEN_RESTORE_CAPACITY];
    term_set_screen_restore(bytes, restore_bytes(kitty_keys, bytes, sizeof bytes));
}

// OSC 2 with the title as UTF-8; control bytes never reach the terminal.
void append_title(OutputBytes* out, const char* title) {
    char clean[256];
    size_t length = 0;
    for (const char* c = title; *c != '\0' && length + 1 < sizeof clean; ++c) {
        auto byte = static_cast<uint8_t>(*c);
        bool control = byte < 0x20 || byte == 0x7F || byte == 0x81 || byte == 0x8D ||
                       byte == 0x8F || byte == 0x90 || byte == 0x9D;
        if (!control) clean[length++] = *c;
    }
    clean[length] = '\0';
    char utf8[sizeof clean * 3];
    int32_t n = windows_1252_to_utf8(clean, utf8, sizeof utf8);
    out->append("\x1b]2;");
    out->append(utf8, static_cast<size_t>(n));
    out->append("\x07");
}

// The terminal's size; a terminal that reports none (0 x 0, or no answer) gets the usual
// 80 x 24, while one that reports 0 columns or rows really has no room.
void read_terminal_size(int32_t* columns, int32_t* rows, int32_t* cell_width,
                        int32_t* cell_height) {
    winsize size{};
    *cell_width = *cell_height = 0;
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) != 0 || (size.ws_col == 0 && size.ws_row == 0)) {
        *columns = DEFAULT_COLUMNS;
        *rows = DEFAULT_ROWS;
        return;
    }
    *columns = std::min<int32_t>(size.ws_col, MAX_CELLS);
    *rows = std::min<int32_t>(size.ws_row, MAX_CELLS);
    if (size.ws_col > 0 && size.ws_row > 0 && size.ws_xpixel > 0 && size.ws_ypixel > 0) {
        *cell_width = size.ws_xpixel / size.ws_col;
        *cell_height = size.ws_ypixel / size.ws_row;
    } else if (state.replies.cell_width > 0) {
        *cell_width = state.replies.cell_width;  // asked at open: a font change goes unseen
        *cell_height = state.replies.cell_height;
    } else if (state.replies.window_width > 0 && *columns > 0 && *rows > 0) {
        *cell_width = state.replies.window_width / *columns;
        *cell_height = state.replies.window_height / *rows;
    }
}

const char* pixels_name(TerminalPixels pixels) {
    switch (pixels) {
        case TerminalPixels::SYMBOLS:
            return "symbols";
        case TerminalPixels::KITTY:
            return "kitty images";
        case TerminalPixels::SIXELS:
            return "sixels";
        case TerminalPixels::ITERM2:
            return "iTerm2 images";
    }
    return "?";
}

const char* colors_name(TerminalColors colors) {
    switch (colors) {
        case TerminalColors::TRUECOLOR:
            return "24-bit colour";
        case TerminalColors::INDEXED_256:
            return "256 colours";
        case TerminalColors::INDEXED_16:
            return "16 colours";
    }
    return "?";
}

// The background every cell outside the picture gets, whatever the terminal's own is.
const char* black_background() {
    switch (state.mode.colors) {
        case TerminalColors::TRUECOLOR:
            return "\x1b[0;48;2;0;0;0m";
        case TerminalColors::INDEXED_256:
            return "\x1b[0;48;5;16m";
        case TerminalColors::INDEXED_16:
            return "\x1b[0;40m";
    }
    return "\x1b[0;40m";
}

void free_cells() {
    std::free(state.shown);
    std::free(state.next);
    state.shown = state.next = nullptr;
}

// A new layout for the terminal's present size: a new canvas, a cleared screen, everything
// drawn again. Without room (0 columns) nothing is drawn until the terminal grows.
void relayout() {
    terminal_picture_close(&state.picture);
    free_cells();
    TerminalLayout layout{};
    const TerminalPixels pixels = state.mode.pixels;
    if (pixels == TerminalPixels::SYMBOLS) {
        layout = lay_out_picture(state.width, state.height, state.columns, state.rows,
                                 state.cell_width, state.cell_height);
        if (terminal_picture_open(&state.picture, layout, state.mode, state.width, state.height) !=
            0) {
            layout = {0, 0, 0, 0};
        }
    } else if (pixels == TerminalPixels::SIXELS) {
        const bool known = state.cell_width > 0 && state.cell_height > 0;
        state.sixel_cell_height = known ? state.cell_height : DEFAULT_CELL_HEIGHT;
        state.place = place_sixels(state.width, state.height, state.columns, state.rows,
                                   known ? state.cell_width : DEFAULT_CELL_WIDTH,
                                   known ? state.cell_height : DEFAULT_CELL_HEIGHT,
                                   state.replies.sixel_width, state.replies.sixel_height);
        layout = state.place.layout;
    } else {
        state.place = place_stretched_image(state.width, state.height, state.columns, state.rows,
                                            state.cell_width, state.cell_height);
        layout = state.place.layout;
    }
    if (!state.logged && layout.columns > 0) {
        state.logged = true;
        log_line(
            "Terminal: %s, %s, cells of %dx%d pixels%s; the picture in %dx%d cells from "
            "column %d, row %d of %dx%d",
            pixels_name(pixels), colors_name(state.mode.colors), state.cell_width,
            state.cell_height, state.cell_width > 0 ? "" : " (unknown)", layout.columns,
            layout.rows, layout.left + 1, layout.top + 1, state.columns, state.rows);
    }
    size_t cells = static_cast<size_t>(layout.columns) * static_cast<size_t>(layout.rows);
    if (cells > 0 && pixels == TerminalPixels::SYMBOLS) {
        state.shown = static_cast<TerminalCell*>(std::calloc(cells, sizeof(TerminalCell)));
        state.next = static_cast<TerminalCell*>(std::calloc(cells, sizeof(TerminalCell)));
        if (state.shown == nullptr || state.next == nullptr) {
            free_cells();
            terminal_picture_close(&state.picture);
            layout = {0, 0, 0, 0};
        }
    }
    {
        std::lock_guard<std::recursive_mutex> guard(driver_mutex);
        state.layout = layout;
    }
    state.redraw = true;
    state.out.clear();
    if (pixels == TerminalPixels::KITTY && state.kitty_shown >= 0) {
        state.out.append(KITTY_IMAGES_GONE);
        state.kitty_shown = -1;
    }
    state.out.append(black_background());
    state.out.append("\x1b[2J\x1b[0m");
    if (!state.out.failed) write_all(state.out.data, state.out.length);
}

void mark_every_row_dirty() {
    if (screen == nullptr || screen->dirty_lines == nullptr) return;
    std::memset(screen->dirty_lines, 1,
                static_cast<size_t>(screen->height) * static_cast<size_t>(screen->scanline_size));
}

// Converts the dirty rows into the RGBA picture (and, for sixels of an 8-bit screen, copies
// their pixel values), marks their display lines changed and clears the dirty marks. Lock
// held. True when any row changed.
bool convert_dirty_rows_locked() {
    const bool recolored = state.palette_changed;
    if (state.palette_changed) {
        state.palette_changed = false;
        if (state.indexed && screen != nullptr && screen->device_palette != nullptr) {
            std::memcpy(state.screen_palette, screen->device_palette, sizeof state.screen_palette);
            state.sixel_palette_stale = true;
        }
        mark_every_row_dirty();
    }
    const ScreenContext* s = screen;
    if (s == nullptr || s->dirty_lines == nullptr || state.rgba == nullptr) return false;
    const int32_t scanline = std::max(s->scanline_size, 1);
    const int32_t rows = std::min(s->height, state.height / scanline);
    bool any = false;
    for (int32_t row = 0; row < rows && !any; ++row)
        any = s->dirty_lines[row] != 0;
    if (!any) return false;
    const size_t stride = static_cast<size_t>(state.width) * 4;
    state.blitter(state.rgba, static_cast<int32_t>(stride));
    const bool copy_values = state.values != nullptr && state.indexed && s->visible_page != nullptr;
    // The blitter leaves the fourth byte 0; chafa reads it as alpha.
    for (int32_t row = 0; row < rows; ++row) {
        if (s->dirty_lines[row] == 0) continue;
        const uint8_t* page = s->visible_page + static_cast<size_t>(row) * s->pitch;
        for (int32_t line = row * scanline; line < (row + 1) * scanline; ++line) {
            uint8_t* pixel = state.rgba + static_cast<size_t>(line) * stride + 3;
            for (int32_t x = 0; x < state.width; ++x, pixel += 4)
                *pixel = 0xFF;
            if (!copy_values) {
                state.changed[line] = 1;
                continue;
            }
            // A row drawn again the same (the game redraws more than moves) is no change.
            uint8_t* values = state.values + static_cast<size_t>(line) * state.width;
            if (recolored || std::memcmp(values, page, static_cast<size_t>(state.width)) != 0) {
                state.changed[line] = 1;
                std::memcpy(values, page, static_cast<size_t>(state.width));
            }
        }
    }
    clear_dirty_rows();
    return true;
}

// The first and one past the last changed display line, or false when none changed.
bool changed_span(int32_t* first, int32_t* end) {
    *first = 0;
    while (*first < state.height && state.changed[*first] == 0)
        ++*first;
    if (*first == state.height) return false;
    *end = state.height;
    while (state.changed[*end - 1] == 0)
        --*end;
    return true;
}

void append_cursor(OutputBytes* out, int32_t row, int32_t column) {
    char cup[32];
    int n = std::snprintf(cup, sizeof cup, "\x1b[%d;%dH", row + 1, column + 1);
    out->append(cup, static_cast<size_t>(n));
}

// Symbols: the changed bands drawn again, and the cells that differ written.
bool build_symbols(bool all) {
    TerminalPicture& picture = state.picture;
    if (picture.canvas == nullptr) return false;
    terminal_picture_update(&picture, state.rgba, state.width * 4, all ? nullptr : state.changed,
                            state.next);
    OutputBytes& out = state.out;
    out.append("\x1b[?2026h");
    int32_t rows =
        write_changed_cells(state.shown, state.next, picture.layout, state.mode.colors, all, &out);
    if (rows == 0) return false;  // the same cells: nothing to send
    out.append("\x1b[?2026l");
    std::memcpy(state.shown, state.next,
                sizeof(TerminalCell) * static_cast<size_t>(picture.layout.columns) *
                    static_cast<size_t>(picture.layout.rows));
    return true;
}

// Sixels: the cell rows holding the changed lines, as one image on top of what is there.
bool build_sixels(bool all) {
    const ImagePlace& place = state.place;
    if (place.layout.columns <= 0) return false;
    int32_t first = 0, end = state.height;
    if (!all && !changed_span(&first, &end)) return false;
    if (!state.indexed) {
        for (int32_t line = first; line < end; ++line) {
            if (!all && state.changed[line] == 0) continue;
            const uint8_t* pixel = state.rgba + static_cast<size_t>(line) * state.width * 4;
            uint8_t* value = state.values + static_cast<size_t>(line) * state.width;
            for (int32_t x = 0; x < state.width; ++x, pixel += 4)
                value[x] = fixed_palette_value(pixel[0], pixel[1], pixel[2]);
        }
    }
    if (state.sixel_palette_stale) {
        state.sixel_palette_stale = false;
        make_sixel_palette(state.screen_palette, state.replies.color_registers,
                           &state.sixel_palette);
    }
    // Lines to image rows, widened to whole cells: an image starts at a cell's top.
    const int32_t cell_height = state.sixel_cell_height;
    const int64_t picture_height = place.picture_height;
    const int32_t pad = (place.pixel_height - place.picture_height) / 2;
    int32_t top =
        first == 0 ? 0 : pad + static_cast<int32_t>(first * picture_height / state.height);
    int32_t bottom =
        end == state.height
            ? place.pixel_height
            : pad + static_cast<int32_t>((end * picture_height + state.height - 1) / state.height);
    const int32_t first_row = top / cell_height;
    top = first_row * cell_height;
    bottom = std::min<int32_t>(place.pixel_height,
                               (bottom + cell_height - 1) / cell_height * cell_height);
    OutputBytes& out = state.out;
    out.append("\x1b[?2026h");
    append_cursor(&out, place.layout.top + first_row, place.layout.left);
    if (!append_sixels(state.values, state.width, state.height, static_cast<size_t>(state.width),
                       state.sixel_palette, place, top, bottom, &state.scratch, &out)) {
        out.failed = true;
    }
    out.append("\x1b[?2026l");
    return true;
}

// kitty: a new image placed over the old before the old goes (no blink). Never inside a
// synchronized update: kitty then showed the payload as text.
bool build_kitty(bool all) {
    const ImagePlace& place = state.place;
    if (place.layout.columns <= 0) return false;
    int32_t first = 0, end = state.height;
    if (!all && !changed_span(&first, &end)) return false;
    OutputBytes& out = state.out;
    char keys[160];
    const size_t size = pack_image(state.rgba, static_cast<size_t>(state.width) * 4, place, 0,
                                   place.pixel_height, false, &state.scratch);
    if (size == 0) return false;
    const int32_t next = state.kitty_shown == 0 ? 1 : 0;
    append_cursor(&out, place.layout.top, place.layout.left);
    std::snprintf(keys, sizeof keys, "a=T,i=%d,f=24,o=z,s=%d,v=%d,c=%d,r=%d,C=1,q=2",
                  KITTY_IDS[next], place.pixel_width, place.pixel_height, place.layout.columns,
                  place.layout.rows);
    append_kitty_command(keys, state.scratch.packed, size, &out);
    if (state.kitty_shown >= 0) {
        std::snprintf(keys, sizeof keys, "\x1b_Ga=d,d=I,i=%d,q=2\x1b\\",
                      KITTY_IDS[state.kitty_shown]);
        out.append(keys);
    }
    state.kitty_shown = next;
    return true;
}

// iTerm2: the whole picture as a PNG file, whenever a row changed.
bool build_iterm2(bool all) {
    const ImagePlace& place = state.place;
    if (place.layout.columns <= 0) return false;
    int32_t first = 0, end = 0;
    if (!all && !changed_span(&first, &end)) return false;
    const size_t size = pack_image(state.rgba, static_cast<size_t>(state.width) * 4, place, 0,
                                   place.pixel_height, true, &state.scratch);
    if (size == 0) return false;
    append_cursor(&state.out, place.layout.top, place.layout.left);
    append_iterm2_image(place.layout.columns, place.layout.rows, state.scratch.packed, size,
                        &state.out);
    return true;
}

// Builds and writes one update of the picture. Without the lock.
void present() {
    if (state.output_lost) return;
    const bool all = state.redraw;
    OutputBytes& out = state.out;
    out.clear();
    bool send = false;
    switch (state.mode.pixels) {
        case TerminalPixels::SYMBOLS:
            send = build_symbols(all);
            break;
        case TerminalPixels::SIXELS:
            send = build_sixels(all);
            break;
        case TerminalPixels::KITTY:
            send = build_kitty(all);
            break;
        case TerminalPixels::ITERM2:
            send = build_iterm2(all);
            break;
    }
    std::memset(state.changed, 0, static_cast<size_t>(state.height));
    if (!send) return;
    if (out.failed) {
        state.redraw = true;
        return;
    }
    // A stalled terminal drops this frame; the next one is drawn whole. A string cut short is
    // ended, so that what follows is not taken for its payload.
    state.redraw = !write_all(out.data, out.length);
    if (state.redraw && !state.output_lost) write_all("\x1b\\", 2);
}

void post_key_event(const KeyEventRecord& key) {
    if (state.kitty_keys) {
        if (screen != nullptr && screen->key_states != nullptr && key.scan_code < 128) {
            screen->key_states[key.scan_code] = 1;
        }
    } else {
        key_hold_press(&state.hold, key.scan_code, monotonic_ms());
    }
    auto character = static_cast<uint8_t>(key.character & 0xFF);
    int32_t code = translate_key(character, key.scan_code, key.virtual_key, key.modifiers);
    if (code > 255) graphics_key_post(code);
    bool alt = key.modifiers & (LEFT_ALT_PRESSED | RIGHT_ALT_PRESSED);
    bool ctrl = key.modifiers & (LEFT_CTRL_PRESSED | RIGHT_CTRL_PRESSED);
    // Alt with a key is a system character, which the program never sees as text.
    if (character != 0 && (!alt || ctrl)) graphics_key_post(windows_1252_to_cp437(character));
}

// One input event, lock held.
void handle_input_locked(const TerminalInputEvent& event) {
    switch (event.kind) {
        case TerminalInputKind::KEY:
            if (event.record.event_type == KEY_EVENT && event.record.key.key_down) {
                post_key_event(event.record.key);
            }
            break;
        case TerminalInputKind::KEY_RELEASE:
            if (screen != nullptr && screen->key_states != nullptr &&
                event.record.key.scan_code < 128) {
                screen->key_states[event.record.key.scan_code] = 0;
            }
            break;
        case TerminalInputKind::MOUSE: {
            MouseEvent mouse{};
            if (apply_mouse_report(&state.mouse, event, &mouse)) {
                cell_to_pixel(state.layout, state.width, state.height, event.mouse_column,
                              event.mouse_row, &mouse.x, &mouse.y);
                mouse_event_post(mouse);
            }
            break;
        }
        case TerminalInputKind::KITTY_FLAGS:
            if (!state.kitty_keys) {
                state.kitty_keys = true;
                if (screen != nullptr && screen->key_states != nullptr) {
                    std::memset(screen->key_states, 0, 128);
                }
                write_text("\x1b[>3u");  // disambiguate, and report releases
                set_restore(true);
            }
            break;
        case TerminalInputKind::INTERRUPT:
            // The protocol delivers Ctrl+C as a key: end as the signal would.
            kill(getpid(), event.quit ? SIGQUIT : SIGINT);
            break;
    }
}

// Reads what the terminal sent, waiting up to timeout_ms, and hands it to the program.
void read_input(int timeout_ms) {
    if (!state.input_is_terminal) {
        std::this_thread::sleep_for(std::chrono::milliseconds(timeout_ms));
        return;
    }
    pollfd entry{STDIN_FILENO, POLLIN, 0};
    bool pending = terminal_input_pending(&state.splitter);
    int ready = poll(&entry, 1, pending ? ESC_PAUSE_MS : timeout_ms);
    unsigned char bytes[256];
    ssize_t n = 0;
    if (ready > 0) {
        n = read(STDIN_FILENO, bytes, sizeof bytes);
        if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN)) {
            state.input_is_terminal = false;  // the terminal went away: no keys any more
            return;
        }
    }
    TerminalInputEvent* events = state.events;
    std::lock_guard<std::recursive_mutex> guard(driver_mutex);
    if (n <= 0 && pending) {
        int32_t count = terminal_input_pause(&state.splitter, events);
        for (int32_t i = 0; i < count; ++i)
            handle_input_locked(events[i]);
    }
    for (ssize_t b = 0; b < n; ++b) {
        int32_t count = terminal_input_byte(&state.splitter, bytes[b], events);
        for (int32_t i = 0; i < count; ++i)
            handle_input_locked(events[i]);
    }
}

void end_after_lost_terminal() {
    {
        std::lock_guard<std::recursive_mutex> guard(driver_mutex);
        graphics_key_post(KEY_CLOSE);
    }
    kill(getpid(), SIGHUP);  // the console's hang-up road: restore what can be, end
}

void run_update_thread() {
    for (;;) {
        read_input(INPUT_WAIT_MS);
        bool changed = false, title_changed = false;
        char title[sizeof state.title];
        {
            std::lock_guard<std::recursive_mutex> guard(driver_mutex);
            if (!running.load()) break;
            if (!state.kitty_keys && screen != nullptr && screen->key_states != nullptr) {
                key_hold_states(&state.hold, monotonic_ms(), screen->key_states);
            }
            if (state.title_changed) {
                state.title_changed = false;
                title_changed = true;
                std::memcpy(title, state.title, sizeof title);
            }
            int64_t now = monotonic_ms();
            int64_t frame_ms =
                state.mode.pixels == TerminalPixels::SYMBOLS ? SYMBOL_FRAME_MS : PIXEL_FRAME_MS;
            if (now - state.last_frame_ms >= frame_ms) {
                changed = convert_dirty_rows_locked();
                state.last_frame_ms = now;
            }
        }
        if (title_changed) {
            state.out.clear();
            append_title(&state.out, title);
            if (!state.out.failed) write_all(state.out.data, state.out.length);
        }
        int32_t columns, rows, cell_width, cell_height;
        read_terminal_size(&columns, &rows, &cell_width, &cell_height);
        if (columns != state.columns || rows != state.rows || cell_width != state.cell_width ||
            cell_height != state.cell_height) {
            state.columns = columns;
            state.rows = rows;
            state.cell_width = cell_width;
            state.cell_height = cell_height;
            relayout();
        }
        if (changed || state.redraw) present();
        if (state.output_lost) {
            end_after_lost_terminal();
            break;
        }
    }
}

void release_everything() {
    terminal_picture_close(&state.picture);
    free_cells();
    std::free(state.rgba);
    std::free(state.values);
    std::free(state.changed);
    state.rgba = state.values = state.changed = nullptr;
    state.scratch.release();
    state.out.release();
}

TerminalAbilities abilities_of(ChafaTermInfo* info) {
    TerminalAbilities abilities{};
    auto have = [info](ChafaTermSeq seq) {
        return chafa.chafa_term_info_have_seq(info, seq) != FALSE;
    };
    abilities.kitty = have(CHAFA_TERM_SEQ_BEGIN_KITTY_IMMEDIATE_IMAGE_V1);
    abilities.sixels = have(CHAFA_TERM_SEQ_BEGIN_SIXELS);
    abilities.iterm2 = have(CHAFA_TERM_SEQ_BEGIN_ITERM2_IMAGE);
    abilities.truecolor = have(CHAFA_TERM_SEQ_SET_COLOR_FGBG_DIRECT);
    abilities.indexed_256 = have(CHAFA_TERM_SEQ_SET_COLOR_FGBG_256);
    return abilities;
}

bool named_by_qxgfx() {
    const char* qxgfx = std::getenv("QXGFX");
    return qxgfx != nullptr && strcasecmp(qxgfx, "terminal") == 0;
}

// Writes the restore bytes now and forgets them: the screen is closed.
void restore_now(bool kitty_keys) {
    char bytes[TERM_SCREEN_RESTORE_CAPACITY];
    int length = restore_bytes(kitty_keys, bytes, sizeof bytes);
    term_set_screen_restore(nullptr, 0);
    write_all(bytes, static_cast<size_t>(length), false);
}

// Asks the terminal what it shows (the answers kept in state.replies) and waits, a short while
// at most, for the device attributes that end the answers. The keys typed meanwhile go to the
// program, in order. True when the terminal answered.
bool ask_terminal() {
    if (!write_all(TERMINAL_QUERIES, std::strlen(TERMINAL_QUERIES), false)) return false;
    unsigned char bytes[1024];
    size_t length = 0;
    const int64_t deadline = monotonic_ms() + QUERY_WAIT_MS;
    while (!state.replies.attributes && length < sizeof bytes) {
        const int64_t remaining = deadline - monotonic_ms();
        if (remaining <= 0) break;
        pollfd entry{STDIN_FILENO, POLLIN, 0};
        int ready = poll(&entry, 1, static_cast<int>(remaining));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) break;
        ssize_t n = read(STDIN_FILENO, bytes + length, sizeof bytes - length);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        length += static_cast<size_t>(n);
        take_terminal_replies(bytes, &length, &state.replies);
    }
    std::lock_guard<std::recursive_mutex> guard(driver_mutex);
    for (size_t b = 0; b < length; ++b) {
        int32_t count = terminal_input_byte(&state.splitter, bytes[b], state.events);
        for (int32_t i = 0; i < count; ++i)
            handle_input_locked(state.events[i]);
    }
    return state.replies.attributes;
}

int32_t terminal_init(const char* title, int32_t width, int32_t height, int32_t, int32_t,
                      int32_t flags) {
    if (running.load() || update_thread.joinable()) {
        return driver_refusal("a screen is open on the terminal already");
    }
    state = TerminalDriverState{};
    if (flags & SCREEN_OPENGL) {
        return driver_refusal(
            "the screen asks for OpenGL (SCREEN_OPENGL), which a terminal "
            "cannot show");
    }
    const char* refusal = terminal_driver_refusal(named_by_qxgfx(), isatty(STDIN_FILENO) == 1,
                                                  isatty(STDOUT_FILENO) == 1, std::getenv("TERM"));
    if (refusal != nullptr) return driver_refusal("%s", refusal);
    if (width <= 0 || height <= 0 || int64_t{width} * height * 4 > MAX_PIXEL_BYTES) {
        return driver_refusal("a %dx%d picture needs more than %lld bytes", width, height,
                              static_cast<long long>(MAX_PIXEL_BYTES));
    }
    if (screen == nullptr) return driver_refusal("no screen to show");
    if (chafa_load() != 0) return driver_refusal("cannot load %s", CHAFA_LIBRARY);
    state.blitter = select_blitter(32, 1);  // 0x00BBGGRR: R, G, B, 0 in memory
    if (state.blitter == nullptr) return driver_refusal("no converter for this screen's depth");
    state.width = width;
    state.height = height;
    const size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
    state.rgba = static_cast<uint8_t*>(std::calloc(pixels, 4));
    state.changed = static_cast<uint8_t*>(std::calloc(static_cast<size_t>(height), 1));
    if (state.rgba == nullptr || state.changed == nullptr) {
        release_everything();
        return driver_refusal("out of memory for a %dx%d picture", width, height);
    }
    ChafaTermDb* db = chafa.chafa_term_db_get_default();
    ChafaTermInfo* term_info = db != nullptr ? chafa.chafa_term_db_detect(db, environ) : nullptr;
    if (term_info == nullptr) {
        release_everything();
        return driver_refusal("libchafa knows no terminal description");
    }
    const TerminalAbilities described = abilities_of(term_info);
    chafa.chafa_term_info_unref(term_info);
    state.input_is_terminal = isatty(STDIN_FILENO) == 1;
    std::snprintf(state.title, sizeof state.title, "%s", title != nullptr ? title : "");
    screen->refresh_rate = 0;
    mark_every_row_dirty();

    // Old title kept, main screen kept, cursor hidden, mouse reported (SGR), kitty keys asked.
    set_restore(false);
    state.out.append("\x1b[22;0t");
    append_title(&state.out, state.title);
    state.out.append("\x1b[?1049h\x1b[?25l\x1b[0m\x1b[2J\x1b[?1000h\x1b[?1003h\x1b[?1006h");
    if (state.input_is_terminal) state.out.append("\x1b[?u");
    if (state.out.failed || !write_all(state.out.data, state.out.length, false)) {
        int error = errno;
        restore_now(false);  // whatever part of it arrived
        release_everything();
        return driver_refusal("cannot write to the terminal (%s)", std::strerror(error));
    }
    const bool answered = state.input_is_terminal && ask_terminal();
    // tmux takes any APC string (the kitty query among the questions) for a title: the
    // program's goes again.
    state.title_changed = answered || state.input_is_terminal;
    bool refused = false;
    const char* qxterm = std::getenv("QXTERM");
    state.mode =
        choose_draw_mode(confirmed_abilities(described, answered ? &state.replies : nullptr),
                         qxterm, std::getenv("QXTERM_COLORS"), &refused);
    if (refused) {
        log_line("Terminal: QXTERM=%.32s, but the terminal %s; drawing symbols", qxterm,
                 answered ? "does not confirm it" : "is not known to show it");
    }
    set_restore(state.kitty_keys);  // now that the mode is known
    state.indexed = screen->bytes_per_pixel == 1;
    if (state.mode.pixels == TerminalPixels::SIXELS || state.indexed) {
        state.values = static_cast<uint8_t*>(std::calloc(pixels, 1));
        if (state.indexed) {
            std::memcpy(state.screen_palette, screen->device_palette, sizeof state.screen_palette);
        } else {
            fixed_palette(state.screen_palette);
        }
        state.sixel_palette_stale = true;
        if (state.values == nullptr) {
            restore_now(state.kitty_keys);
            release_everything();
            return driver_refusal("out of memory for a %dx%d picture", width, height);
        }
    }
    state.kitty_shown = -1;
    running.store(true);
    state.columns = -1;  // the first iteration lays out
    update_thread = std::thread(run_update_thread);
    return 0;
}

void terminal_exit() {
    {
        std::lock_guard<std::recursive_mutex> guard(driver_mutex);
        running.store(false);
    }
    if (update_thread.joinable()) update_thread.join();
    if (state.rgba == nullptr) return;  // never opened
    restore_now(state.kitty_keys);
    release_everything();
}

void terminal_lock() {
    driver_mutex.lock();
}

void terminal_unlock() {
    driver_mutex.unlock();
}

void terminal_set_palette(int32_t, int32_t, int32_t, int32_t) {
    std::lock_guard<std::recursive_mutex> guard(driver_mutex);
    state.palette_changed = true;  // the blitter reads the screen's palette itself
}

void terminal_wait_vsync() {
    std::this_thread::sleep_for(std::chrono::milliseconds(SYMBOL_FRAME_MS));
}

int32_t terminal_get_mouse(int32_t* x, int32_t* y, int32_t* wheel, int32_t* buttons) {
    std::lock_guard<std::recursive_mutex> guard(driver_mutex);
    if (!running.load() || !state.mouse.seen || state.layout.columns <= 0) return -1;
    int32_t px = 0, py = 0;
    cell_to_pixel(state.layout, state.width, state.height, state.mouse.column, state.mouse.row, &px,
                  &py);
    if (x) *x = px;
    if (y) *y = py;
    if (wheel) *wheel = state.mouse.wheel;
    if (buttons) *buttons = state.mouse.buttons;
    return 0;
}

void terminal_set_title(const char* title) {
    if (title == nullptr) return;
    std::lock_guard<std::recursive_mutex> guard(driver_mutex);
    if (!running.load()) return;
    std::snprintf(state.title, sizeof state.title, "%s", title);
    state.title_changed = true;
}

}  // namespace

extern const DisplayDriver TERMINAL_DRIVER = {
    .name = "Terminal",
    .init = terminal_init,
    .exit = terminal_exit,
    .lock = terminal_lock,
    .unlock = terminal_unlock,
    .set_palette = terminal_set_palette,
    .wait_vsync = terminal_wait_vsync,
    .get_mouse = terminal_get_mouse,
    .set_mouse = nullptr,  // a terminal neither moves nor hides the pointer
    .set_window_title = terminal_set_title,
    .fetch_modes = nullptr,
    .flip = nullptr,
};

}  // namespace qx
