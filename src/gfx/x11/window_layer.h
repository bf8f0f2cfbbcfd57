// The window layer the X11 drivers share: the window's state, the update thread that owns the
// window and presents frames, the lock, the palette store, mouse, title and event handling.
#pragma once

#include <X11/Xlib.h>

#include <atomic>
#include <cstdint>

#include "gfx/driver/blitter.h"

namespace qx {

constexpr int32_t WINDOW_TITLE_CAPACITY = 256;
constexpr int32_t WINDOW_CLASS_CAPACITY = 11 + 139 + 1;  // "qxgfxclass_" and 139 of the title
constexpr uint8_t PC_NOCOLLAPSE = 4;

// One process-wide record; each driver's init sets it to zero, then fills the hooks and calls
// open_window_layer. Fields the update thread and the program share are used under the lock.
struct WindowState {
    Display* display;                 // opened by open_window_layer, closed by close_window_layer
    Window window;                    // created by the driver's create_window
    uint8_t palette_entries[256][4];  // red, green, blue, PC_NOCOLLAPSE
    Blitter blitter;
    int32_t running;  // 1 from open_window_layer until exit; the thread runs while it is 1
    int32_t palette_changed;
    int32_t active;                                     // 1 while the window has the focus
    int32_t width, height, depth, refresh_rate, flags;  // height counts display rows
    int32_t picture_x, picture_y;  // where the picture sits in a larger (full-screen) window
    char title[WINDOW_TITLE_CAPACITY];
    char class_name[WINDOW_CLASS_CAPACITY];
    int32_t (*create_window)();  // 0 = success; runs on the update thread
    void (*destroy_window)();    // safe after a failed create_window
    void (*paint)();             // an expose: the driver repaints everything
    void (*frame_update)();      // one frame, with the lock held: converts the changed rows
    // Then, without the lock, sends what frame_update converted: the program draws meanwhile
    // instead of waiting for the server.
    void (*frame_present)();
};
extern WindowState window_state;

// Input state kept outside WindowState (a driver's init does not clear it).
struct WindowInput {
    int32_t buttons;  // bit 0 left, bit 1 right, bit 2 middle
    int32_t wheel;
    int32_t cursor_visible;                // 1 initially
    bool right_ctrl_down, right_alt_down;  // X's modifier mask cannot tell the sides apart
};
extern WindowInput window_input;

// Atoms the event handling compares against; interned when the display opens.
struct WindowAtoms {
    Atom wm_protocols, wm_delete_window, cursor_message, net_wm_state;
    Atom net_wm_state_maximized_horz, net_wm_state_maximized_vert;
    Atom net_wm_name, utf8_string;
};
extern WindowAtoms window_atoms;

// 0: window up and thread running; -1: failure (the driver's exit still has to run).
// With SCREEN_OPENGL no thread starts: the caller creates its window on its own thread.
int32_t open_window_layer(const char* title, int32_t width, int32_t height, int32_t depth,
                          int32_t refresh_rate, int32_t flags);
void close_window_layer();

// The shared driver operations.
void window_lock();
void window_unlock();
void window_set_palette(int32_t index, int32_t red, int32_t green, int32_t blue);
void window_wait_vsync();  // sleeps one refresh of the measured rate, 16 ms when unknown
int32_t window_get_mouse(int32_t* x, int32_t* y, int32_t* wheel, int32_t* buttons);
void window_set_mouse(int32_t x, int32_t y, int32_t cursor);
void window_set_title(const char* title);

// Handles every pending event of the layer's window (the lock held by the caller).
void pump_messages();
// key_states of the screen from the keyboard, through SCANCODE_VK_TABLE.
void refresh_key_states_from_keyboard();
// 1 once the connection to the server broke.
int32_t window_connection_lost();

// Marks every display row of the screen dirty (repaint all).
void mark_all_rows_dirty();

// A band of display rows.
struct RowBand {
    int32_t top, count;  // count 0: nothing changed
};
// Converts the rows from the first to the last dirty one into `image` (the visual's format,
// every display row) through the window's blitter and clears the flags; a palette change
// first marks every row. Returns the band converted. Lock held.
RowBand convert_dirty_rows(XImage* image);

// The blitters' display depth for a TrueColor visual of `bits_per_pixel` (15 for 5-5-5); 0 when
// no converter fits.
int32_t window_display_depth(const Visual* visual, int32_t bits_per_pixel);

// Failure reasons the window drivers share; each returns -1 through driver_refusal.
int32_t refuse_visual(Display* display);  // the default visual has no converter
int32_t refuse_window(Display* display, int32_t x_error, int32_t width, int32_t height);
int32_t refuse_opengl();  // SCREEN_OPENGL is the "OpenGL" driver's

// Gives a window the driver created its WM_CLASS, titles, close protocol and placement;
// without `resizable` its size is fixed and the window manager offers no maximise button.
void describe_window(Window window, int32_t x, int32_t y, bool resizable);

// What the drivers that present converted images ("DirectX", "GDI") share. Their hooks, set on
// a cleared window_state before the layer opens.
struct ImageDriverHooks {
    int32_t (*create_window)();
    void (*destroy_window)();
    void (*paint)();
    void (*frame_update)();
    void (*frame_present)();
};
// Such a driver's init: refuses SCREEN_OPENGL, else opens the layer with `hooks`.
int32_t open_image_driver(const ImageDriverHooks& hooks, const char* title, int32_t width,
                          int32_t height, int32_t depth, int32_t refresh_rate, int32_t flags);
// Their window on the default visual, unmapped, with the layer's events, described and given a
// GC; a refusal (-1) when the server does not make it. Runs on the update thread.
int32_t create_image_window(int32_t x, int32_t y, int32_t width, int32_t height, bool resizable,
                            GC* gc);
// The end of their create_window, once the window is up: refresh rate, everything repainted.
void finish_image_window();

}  // namespace qx
