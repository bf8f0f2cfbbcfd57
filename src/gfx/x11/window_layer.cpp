#include "gfx/x11/window_layer.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

#include "gfx/driver/display_driver.h"
#include "gfx/graphics_keys.h"
#include "gfx/screen.h"
#include "gfx/x11/layer_lock.h"
#include "gfx/x11/window_events.h"
#include "gfx/x11/x11_api.h"
#include "gfx/x11/xrandr_api.h"
#include "runtime/diagnostics.h"
#include "runtime/key_code.h"
#include "runtime/program_name.h"

namespace qx {

WindowState window_state;
WindowInput window_input{0, 0, 1, false, false};
WindowAtoms window_atoms;

namespace {

constexpr int32_t MAX_WINDOW_SIDE = 32767;  // X sizes are 16-bit signed

LayerLock layer_mutex;
std::thread update_thread;
std::atomic<int32_t> connection_lost{0};

// Start-up hand-shake: the thread reports 1 (window up) or -1 (creation failed).
std::mutex start_mutex;
std::condition_variable start_signal;
int32_t start_status = 0;

struct SavedScreenSaver {
    bool saved;
    int timeout, interval, prefer_blanking, allow_exposures;
};
SavedScreenSaver saved_screen_saver{};

void report_start(int32_t status) {
    std::lock_guard<std::mutex> guard(start_mutex);
    start_status = status;
    start_signal.notify_all();
}

void copy_text(char* out, size_t capacity, const char* text) {
    size_t length = text == nullptr ? 0 : strnlen(text, capacity - 1);
    if (length > 0) std::memcpy(out, text, length);
    out[length] = '\0';
}

void intern_atoms(Display* display) {
    window_atoms.wm_protocols = x11.XInternAtom(display, "WM_PROTOCOLS", False);
    window_atoms.wm_delete_window = x11.XInternAtom(display, "WM_DELETE_WINDOW", False);
    window_atoms.cursor_message = x11.XInternAtom(display, "QX mouse cursor", False);
    window_atoms.net_wm_state = x11.XInternAtom(display, "_NET_WM_STATE", False);
    window_atoms.net_wm_state_maximized_horz =
        x11.XInternAtom(display, "_NET_WM_STATE_MAXIMIZED_HORZ", False);
    window_atoms.net_wm_state_maximized_vert =
        x11.XInternAtom(display, "_NET_WM_STATE_MAXIMIZED_VERT", False);
    window_atoms.net_wm_name = x11.XInternAtom(display, "_NET_WM_NAME", False);
    window_atoms.utf8_string = x11.XInternAtom(display, "UTF8_STRING", False);
}

// The server went away: the program can only end. The key ring gets the close key, stderr
// says why, and the process is told its session hung up, which restores the terminal and ends it.
void end_after_lost_connection() {
    {
        std::lock_guard<LayerLock> guard(layer_mutex);
        graphics_key_post(KEY_CLOSE);
    }
    char name[64];
    if (program_file_name(name, sizeof name) == 0) std::strcpy(name, "qx");
    std::fprintf(stderr, "%s: the connection to the X server was lost; ending\n", name);
    kill(getpid(), SIGHUP);
}

// The update thread runs a nice step above the program, so that a program drawing flat out
// does not starve the window. Raising a priority needs the right to (root or a nice limit);
// without it the thread keeps the program's.
void raise_update_priority() {
    errno = 0;
    const int program = getpriority(PRIO_PROCESS, 0);
    if (program == -1 && errno != 0) return;
    if (setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), program - 1) != 0)
        log_line("the update thread keeps the program's priority: %s", std::strerror(errno));
}

// The thread that opens the window is the one that draws: the lock leans towards it.
void favour_program_thread() {
    if (!layer_mutex.favour_this_thread())
        log_line("the window lock takes an atomic exchange each way: no process-wide barrier");
}

bool window_usable() {
    return window_state.display != nullptr && window_state.window != None &&
           connection_lost.load() == 0;
}

// The keyboard's state from the server; false when there is nowhere to put it.
bool query_keymap(char keymap[32]) {
    if (screen == nullptr || screen->key_states == nullptr || !window_usable()) return false;
    x11.XQueryKeymap(window_state.display, keymap);
    return true;
}

void run_update_thread() {
    raise_update_priority();
    int32_t created = window_state.create_window != nullptr ? window_state.create_window() : -1;
    if (created == 0) {
        {
            std::lock_guard<LayerLock> guard(layer_mutex);
            window_state.active = 1;
        }
        report_start(1);
        for (;;) {
            // The keyboard is asked before taking the lock: the program need not wait for the
            // server's answer. Only this thread changes `active`.
            char keymap[32] = {};
            const bool keys = window_state.active != 0 && query_keymap(keymap);
            {
                std::lock_guard<LayerLock> guard(layer_mutex);
                if (window_state.running == 0 || connection_lost.load() != 0) break;
                if (window_state.frame_update != nullptr) window_state.frame_update();
                if (keys) key_states_from_keymap(keymap, screen->key_states);
                pump_messages();
            }
            // A loss noticed in this pass sends nothing more to the dead connection.
            if (connection_lost.load() != 0) break;
            if (window_state.frame_present != nullptr) window_state.frame_present();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    {
        std::lock_guard<LayerLock> guard(layer_mutex);
        if (window_state.destroy_window != nullptr) window_state.destroy_window();
    }
    if (created != 0) {
        report_start(-1);
    } else if (connection_lost.load() != 0) {
        end_after_lost_connection();
    }
}

void send_cursor_message(int32_t visible) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window_state.window;
    event.xclient.message_type = window_atoms.cursor_message;
    event.xclient.format = 32;
    event.xclient.data.l[0] = visible;
    x11.XSendEvent(window_state.display, window_state.window, False, NoEventMask, &event);
    x11.XFlush(window_state.display);
}

RowBand take_dirty_band() {
    if (window_state.palette_changed != 0) {
        // Every pixel may now show another colour, not only those of the next band.
        window_state.palette_changed = 0;
        mark_all_rows_dirty();
    }
    const ScreenContext* s = screen;
    if (s == nullptr || s->dirty_lines == nullptr) return {0, 0};
    const uint8_t* flags = s->dirty_lines;
    const int32_t scanline = std::max(s->scanline_size, 1);
    const int32_t rows = std::min(s->height, window_state.height / scanline);
    int32_t first = 0;
    while (first < rows && flags[first] == 0)
        ++first;
    if (first == rows) return {0, 0};
    int32_t last = rows - 1;
    while (flags[last] == 0)
        --last;
    return {first * scanline, (last - first + 1) * scanline};
}

}  // namespace

int32_t open_window_layer(const char* title, int32_t width, int32_t height, int32_t depth,
                          int32_t refresh_rate, int32_t flags) {
    window_input.cursor_visible = 1;
    copy_text(window_state.title, sizeof window_state.title, title);
    std::memcpy(window_state.class_name, "qxgfxclass_", 11);
    copy_text(window_state.class_name + 11, sizeof window_state.class_name - 11,
              window_state.title);
    window_state.width = width;
    window_state.height = height;
    window_state.depth = depth;
    window_state.refresh_rate = refresh_rate;
    window_state.flags = flags;
    window_input.buttons = 0;
    window_input.wheel = 0;
    window_state.running = 1;
    if (width <= 0 || height <= 0 || width > MAX_WINDOW_SIDE || height > MAX_WINDOW_SIDE) {
        return driver_refusal("%dx%d: an X window is at most %d pixels on a side", width, height,
                              MAX_WINDOW_SIDE);
    }
    if (x11_load() != 0) return driver_refusal("cannot load %s", X11_LIBRARY);
    connection_lost.store(0);
    window_state.display = x11_open_display_watched(&connection_lost);
    if (window_state.display == nullptr) {
        const char* name = std::getenv("DISPLAY");
        if (name == nullptr || *name == '\0') {
            return driver_refusal("no X display: DISPLAY is not set");
        }
        return driver_refusal("cannot connect to the X server at %.64s (none there, or it refused)",
                              name);
    }
    intern_atoms(window_state.display);
    SavedScreenSaver& saver = saved_screen_saver;
    x11.XGetScreenSaver(window_state.display, &saver.timeout, &saver.interval,
                        &saver.prefer_blanking, &saver.allow_exposures);
    x11.XSetScreenSaver(window_state.display, 0, saver.interval, saver.prefer_blanking,
                        saver.allow_exposures);
    saver.saved = true;
    if (flags & SCREEN_OPENGL) {
        favour_program_thread();
        return 0;  // the caller makes its window on its own thread
    }
    if (update_thread.joinable()) update_thread.join();  // a previous layer never closed
    favour_program_thread();
    start_status = 0;
    update_thread = std::thread(run_update_thread);
    std::unique_lock<std::mutex> wait(start_mutex);
    start_signal.wait(wait, [] { return start_status != 0; });
    return start_status == 1 ? 0 : -1;
}

void close_window_layer() {
    {
        std::lock_guard<LayerLock> guard(layer_mutex);
        if (window_state.running == 0) return;
        window_state.running = 0;
    }
    if (update_thread.joinable()) update_thread.join();
    Display* display = window_state.display;
    window_state.display = nullptr;
    window_state.window = None;
    // A broken connection is left alone: every call on it would only fail again.
    if (display == nullptr || connection_lost.load() != 0) return;
    SavedScreenSaver& saver = saved_screen_saver;
    if (saver.saved) {
        x11.XSetScreenSaver(display, saver.timeout, saver.interval, saver.prefer_blanking,
                            saver.allow_exposures);
        saver.saved = false;
    }
    x11.XCloseDisplay(display);
}

void window_lock() {
    layer_mutex.lock();
}

void window_unlock() {
    layer_mutex.unlock();
}

void window_set_palette(int32_t index, int32_t red, int32_t green, int32_t blue) {
    if (index < 0 || index > 255) return;
    std::lock_guard<LayerLock> guard(layer_mutex);
    uint8_t* entry = window_state.palette_entries[index];
    entry[0] = static_cast<uint8_t>(red);
    entry[1] = static_cast<uint8_t>(green);
    entry[2] = static_cast<uint8_t>(blue);
    entry[3] = PC_NOCOLLAPSE;
    window_state.palette_changed = 1;
}

void window_wait_vsync() {
    int32_t rate = screen != nullptr ? screen->refresh_rate : 0;
    int32_t milliseconds = rate > 0 ? 1000 / rate : 16;
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

int32_t window_get_mouse(int32_t* x, int32_t* y, int32_t* wheel, int32_t* buttons) {
    std::lock_guard<LayerLock> guard(layer_mutex);
    if (window_state.active == 0 || !window_usable()) return -1;
    Window root = None, child = None;
    int root_x = 0, root_y = 0, px = 0, py = 0;
    unsigned mask = 0;
    bool same_screen = x11.XQueryPointer(window_state.display, window_state.window, &root, &child,
                                         &root_x, &root_y, &px, &py, &mask) != False;
    px -= window_state.picture_x;
    py -= window_state.picture_y;
    if (window_state.flags & SCREEN_FULLSCREEN) {
        px = std::clamp(px, 0, std::max(window_state.width - 1, 0));
        py = std::clamp(py, 0, std::max(window_state.height - 1, 0));
    } else if (!same_screen || px < 0 || px >= window_state.width || py < 0 ||
               py >= window_state.height) {
        window_input.buttons = 0;
        return -1;
    }
    if (x) *x = px;
    if (y) *y = py;
    if (wheel) *wheel = window_input.wheel;
    if (buttons) *buttons = window_input.buttons;
    return 0;
}

void window_set_mouse(int32_t x, int32_t y, int32_t cursor) {
    std::lock_guard<LayerLock> guard(layer_mutex);
    if (!window_usable()) return;
    if (x >= 0) {
        x = std::min(x, window_state.width - 1);
        y = std::clamp(y, 0, std::max(window_state.height - 1, 0));
        x11.XWarpPointer(window_state.display, None, window_state.window, 0, 0, 0, 0,
                         x + window_state.picture_x, y + window_state.picture_y);
        x11.XFlush(window_state.display);
    }
    if (cursor > 0 && window_input.cursor_visible == 0) {
        send_cursor_message(1);
        window_input.cursor_visible = 1;
    } else if (cursor == 0 && window_input.cursor_visible == 1) {
        send_cursor_message(0);
        window_input.cursor_visible = 0;
    }
}

void window_set_title(const char* title) {
    std::lock_guard<LayerLock> guard(layer_mutex);
    if (!window_usable() || title == nullptr) return;
    x11.XStoreName(window_state.display, window_state.window, title);
    char utf8[WINDOW_TITLE_CAPACITY * 3];
    int32_t length = windows_1252_to_utf8(title, utf8, sizeof utf8);
    x11.XChangeProperty(window_state.display, window_state.window, window_atoms.net_wm_name,
                        window_atoms.utf8_string, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(utf8), length);
    x11.XFlush(window_state.display);
}

void pump_messages() {
    Display* display = window_state.display;
    if (display == nullptr || connection_lost.load() != 0) return;
    while (x11.XPending(display) > 0 && connection_lost.load() == 0) {
        XEvent event;
        x11.XNextEvent(display, &event);
        // Events of a window replaced by a full-screen switch are stale.
        if (event.xany.window == window_state.window) handle_window_event(&event);
    }
}

void refresh_key_states_from_keyboard() {
    char keymap[32] = {};
    if (query_keymap(keymap)) key_states_from_keymap(keymap, screen->key_states);
}

int32_t window_connection_lost() {
    return connection_lost.load();
}

void mark_all_rows_dirty() {
    if (screen == nullptr || screen->dirty_lines == nullptr) return;
    std::memset(screen->dirty_lines, 1,
                static_cast<size_t>(screen->height) * static_cast<size_t>(screen->scanline_size));
}

RowBand convert_dirty_rows(XImage* image) {
    const RowBand band = take_dirty_band();
    if (band.count == 0 || image == nullptr) return {0, 0};
    window_state.blitter(reinterpret_cast<uint8_t*>(image->data), image->bytes_per_line);
    clear_dirty_rows();
    return band;
}

int32_t window_display_depth(const Visual* visual, int32_t bits_per_pixel) {
    unsigned long red = visual->red_mask, green = visual->green_mask, blue = visual->blue_mask;
    bool low_red = red < blue;
    unsigned long outer = low_red ? blue : red, inner = low_red ? red : blue;
    switch (bits_per_pixel) {
        case 32:
        case 24:
            return green == 0xFF00 && outer == 0xFF0000 && inner == 0xFF ? bits_per_pixel : 0;
        case 16:
            if (green == 0x3E0 && outer == 0x7C00 && inner == 0x1F) return 15;
            return green == 0x7E0 && outer == 0xF800 && inner == 0x1F ? 16 : 0;
        default:
            return 0;
    }
}

int32_t refuse_visual(Display* display) {
    return driver_refusal("the default visual of %s is not TrueColor of 15, 16, 24 or 32 bits",
                          DisplayString(display));
}

int32_t refuse_window(Display* display, int32_t x_error, int32_t width, int32_t height) {
    char name[64];
    return driver_refusal("the X server at %s refused a %dx%d window (%s)", DisplayString(display),
                          width, height, x11_error_name(display, x_error, name, sizeof name));
}

int32_t refuse_opengl() {
    return driver_refusal("the screen asks for OpenGL (SCREEN_OPENGL), the OpenGL driver's part");
}

int32_t open_image_driver(const ImageDriverHooks& hooks, const char* title, int32_t width,
                          int32_t height, int32_t depth, int32_t refresh_rate, int32_t flags) {
    window_state = WindowState{};
    if (flags & SCREEN_OPENGL) return refuse_opengl();
    window_state.create_window = hooks.create_window;
    window_state.destroy_window = hooks.destroy_window;
    window_state.paint = hooks.paint;
    window_state.frame_update = hooks.frame_update;
    window_state.frame_present = hooks.frame_present;
    return open_window_layer(title, width, height, std::max(depth, 8), refresh_rate, flags);
}

int32_t create_image_window(int32_t x, int32_t y, int32_t width, int32_t height, bool resizable,
                            GC* gc) {
    Display* display = window_state.display;
    const int number = DefaultScreen(display);
    XSetWindowAttributes attributes{};
    attributes.event_mask = KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask |
                            PointerMotionMask | FocusChangeMask | ExposureMask |
                            StructureNotifyMask | PropertyChangeMask;
    x11_error_begin();
    window_state.window = x11.XCreateWindow(
        display, RootWindow(display, number), x, y, static_cast<unsigned>(width),
        static_cast<unsigned>(height), 0, DefaultDepth(display, number), InputOutput,
        DefaultVisual(display, number), CWBackPixel | CWBorderPixel | CWEventMask, &attributes);
    if (window_state.window != None) {
        describe_window(window_state.window, x, y, resizable);
        *gc = x11.XCreateGC(display, window_state.window, 0, nullptr);
    }
    // A window larger than the server allows fails here, not later in a frame.
    const int32_t error = x11_error_end(display);
    if (error != 0 || window_state.window == None || *gc == nullptr) {
        return refuse_window(display, error, width, height);
    }
    return 0;
}

void finish_image_window() {
    screen->refresh_rate = xrandr_load() == 0 ? xrandr_refresh_rate(window_state.display) : 0;
    mark_all_rows_dirty();
}

void describe_window(Window window, int32_t x, int32_t y, bool resizable) {
    Display* display = window_state.display;
    XClassHint class_hint{window_state.title, window_state.class_name};
    x11.XSetClassHint(display, window, &class_hint);
    XSizeHints size{};
    size.flags = USPosition | PPosition;
    size.x = x;
    size.y = y;
    if (!resizable) {
        size.flags |= PMinSize | PMaxSize;
        size.min_width = size.max_width = window_state.width;
        size.min_height = size.max_height = window_state.height;
    }
    x11.XSetWMNormalHints(display, window, &size);
    Atom delete_window = window_atoms.wm_delete_window;
    x11.XSetWMProtocols(display, window, &delete_window, 1);
    if (!resizable) {
        // Move, minimise and close only: no maximise button, no sizing border.
        const long motif_hints[5] = {1, 4 | 8 | 32, 0, 0, 0};
        Atom motif = x11.XInternAtom(display, "_MOTIF_WM_HINTS", False);
        x11.XChangeProperty(display, window, motif, motif, 32, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(motif_hints), 5);
    }
    x11.XStoreName(display, window, window_state.title);
    char utf8[WINDOW_TITLE_CAPACITY * 3];
    int32_t length = windows_1252_to_utf8(window_state.title, utf8, sizeof utf8);
    x11.XChangeProperty(display, window, window_atoms.net_wm_name, window_atoms.utf8_string, 8,
                        PropModeReplace, reinterpret_cast<const unsigned char*>(utf8), length);
}

}  // namespace qx
