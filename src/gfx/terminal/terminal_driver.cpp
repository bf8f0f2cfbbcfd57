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
#include "gfx/screen.h"
#include "gfx/terminal/chafa_api.h"
#include "gfx/terminal/terminal_cells.h"
#include "gfx/terminal/terminal_keys.h"
#include "gfx/terminal/terminal_layout.h"
#include "gfx/terminal/terminal_picture.h"
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

// Everything the terminal changes, undone in the reverse order after a string end (an image
// cut short): synchronized update off, mouse reporting off, colours, cursor, main screen, title.
constexpr char RESTORE_AFTER_STRING_END[] =
    "\x1b[?2026l\x1b[?1006l\x1b[?1003l\x1b[?1000l\x1b[0m\x1b[?25h\x1b[?1049l\x1b[23;0t";
constexpr char KITTY_KEYS_POP[] = "\x1b[<u";

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
    uint8_t* rgba;  // width x height pixels, R G B A
    TerminalDrawMode mode;
    ChafaTermInfo* term_info;
    TerminalPicture picture;
    TerminalCell* shown;  // cells the terminal shows (symbol mode)
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
// terminal keeps their flags per screen.
int restore_bytes(bool kitty_keys, char* out, size_t capacity) {
    return std::snprintf(out, capacity, "\x1b\\%s%s", kitty_keys ? KITTY_KEYS_POP : "",
                         RESTORE_AFTER_STRING_END);
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
    }
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
    TerminalLayout layout = lay_out_picture(state.width, state.height, state.columns, state.rows,
                                            state.cell_width, state.cell_height);
    if (terminal_picture_open(&state.picture, layout, state.mode, state.cell_width,
                              state.cell_height, state.width, state.height) != 0) {
        layout = {0, 0, 0, 0};
    }
    size_t cells = static_cast<size_t>(layout.columns) * static_cast<size_t>(layout.rows);
    if (cells > 0 && state.mode.pixels == TerminalPixels::SYMBOLS) {
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
    write_text("\x1b[0m\x1b[2J");
}

void mark_every_row_dirty() {
    if (screen == nullptr || screen->dirty_lines == nullptr) return;
    std::memset(screen->dirty_lines, 1,
                static_cast<size_t>(screen->height) * static_cast<size_t>(screen->scanline_size));
}

// Converts the dirty rows into the RGBA picture and clears their marks. Lock held. True when
// any row changed.
bool convert_dirty_rows_locked() {
    if (state.palette_changed) {
        state.palette_changed = false;
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
    // The blitter leaves the fourth byte 0; chafa reads it as alpha.
    for (int32_t row = 0; row < rows; ++row) {
        if (s->dirty_lines[row] == 0) continue;
        for (int32_t line = row * scanline; line < (row + 1) * scanline; ++line) {
            uint8_t* pixel = state.rgba + static_cast<size_t>(line) * stride + 3;
            for (int32_t x = 0; x < state.width; ++x, pixel += 4)
                *pixel = 0xFF;
        }
    }
    clear_dirty_rows();
    return true;
}

// Builds and writes one update of the picture. Without the lock.
void present() {
    TerminalPicture& picture = state.picture;
    if (picture.canvas == nullptr || state.output_lost) return;
    terminal_picture_draw(&picture, state.rgba, state.width, state.height, state.width * 4);
    OutputBytes& out = state.out;
    out.clear();
    out.append("\x1b[?2026h");
    if (state.mode.pixels == TerminalPixels::SYMBOLS) {
        terminal_picture_cells(&picture, state.next);
        int32_t rows = write_changed_cells(state.shown, state.next, picture.layout,
                                           state.mode.colors, state.redraw, &out);
        if (rows == 0) return;  // the same cells: nothing to send
        std::swap(state.shown, state.next);
    } else {
        char cup[32];
        int n = std::snprintf(cup, sizeof cup, "\x1b[%d;%dH", picture.layout.top + 1,
                              picture.layout.left + 1);
        // A kitty image stays until deleted: drop the last frame's before placing this one.
        if (state.mode.pixels == TerminalPixels::KITTY) out.append("\x1b_Ga=d,d=A\x1b\\");
        out.append(cup, static_cast<size_t>(n));
        terminal_picture_print(&picture, state.term_info, &out);
    }
    out.append("\x1b[?2026l");
    if (out.failed) {
        state.redraw = true;
        return;
    }
    // A stalled terminal drops this frame; the next one is drawn whole.
    state.redraw = !write_all(out.data, out.length);
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
        case TerminalInputKind::MOUSE:
            apply_mouse_report(&state.mouse, event);
            break;
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
    state.rgba = nullptr;
    if (state.term_info != nullptr) chafa.chafa_term_info_unref(state.term_info);
    state.term_info = nullptr;
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
    state.rgba = static_cast<uint8_t*>(std::calloc(static_cast<size_t>(width) * height, 4));
    if (state.rgba == nullptr) {
        return driver_refusal("out of memory for a %dx%d picture", width, height);
    }
    ChafaTermDb* db = chafa.chafa_term_db_get_default();
    state.term_info = db != nullptr ? chafa.chafa_term_db_detect(db, environ) : nullptr;
    if (state.term_info == nullptr) {
        release_everything();
        return driver_refusal("libchafa knows no terminal description");
    }
    state.mode = choose_draw_mode(abilities_of(state.term_info), std::getenv("QXTERM"),
                                  std::getenv("QXTERM_COLORS"));
    // A mode QXTERM forces takes its sequences from chafa's fallback, which knows them all.
    ChafaTermInfo* fallback = chafa.chafa_term_db_get_fallback_info(db);
    if (fallback != nullptr) {
        chafa.chafa_term_info_supplement(state.term_info, fallback);
        chafa.chafa_term_info_unref(fallback);
    }
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
    if (state.rgba == nullptr && state.term_info == nullptr) return;  // never opened
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
