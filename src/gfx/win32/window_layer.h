// The window layer the Windows drivers share: the window's state, the update thread that owns
// the window and presents frames, the lock, the palette store, mouse, title, the window
// procedure and the full-screen switch.
#pragma once

// Before <windows.h>: the key translation names constants (VK_RETURN, SHIFT_PRESSED, ...) that
// the Windows headers define as macros of the same values.
#include "runtime/key_code.h"

#include <windows.h>

#include <cstdint>

#include "gfx/driver/blitter.h"

namespace qx {

constexpr int32_t WINDOW_TITLE_CAPACITY = 256;
constexpr int32_t WINDOW_CLASS_CAPACITY = 11 + 139 + 1;  // "qxgfxclass_" and 139 of the title
// GDI and DirectDraw take 16-bit-signed coordinates on some paths; larger windows are refused.
constexpr int32_t MAX_WINDOW_SIDE = 32767;
// Posted to the window by window_set_title: its own thread renames it from window_state.title.
constexpr UINT WINDOW_TITLE_MESSAGE = WM_APP + 1;

// One process-wide record; each driver's init sets it to zero, then fills the hooks and calls
// open_window_layer. Fields the update thread and the program share are used under the lock.
struct WindowState {
    int32_t os_version;  // (major << 8) | minor
    WNDCLASSA window_class;
    HWND hwnd;                          // created by the driver's create_window
    PALETTEENTRY palette_entries[256];  // red, green, blue, PC_NOCOLLAPSE
    Blitter blitter;                    // chosen by the driver, null when none is needed
    int32_t running;  // 1 from open_window_layer until exit; the thread runs while it is 1
    int32_t palette_changed;
    int32_t active;                                     // 1 while the application has the focus
    int32_t width, height, depth, refresh_rate, flags;  // height counts display rows
    char title[WINDOW_TITLE_CAPACITY];
    char class_name[WINDOW_CLASS_CAPACITY];
    int32_t (*create_window)();  // 0 = success; runs on the update thread
    void (*destroy_window)();    // safe after a failed create_window; on the update thread
    void (*paint)();             // WM_PAINT; may be null
    // The update thread's body; signals `started` once create_window succeeded.
    void (*thread_procedure)(HANDLE started);
};
extern WindowState window_state;

// Input state kept outside WindowState (a driver's init does not clear it). Written by the
// window procedure, read by the program, both under the lock.
struct WindowInput {
    int32_t buttons;         // bit 0 left, bit 1 right, bit 2 middle
    int32_t wheel;           // +1 per notch away from the user, -1 towards
    int32_t cursor_visible;  // 1 initially
    UINT cursor_message;     // "QX mouse cursor", registered by open_window_layer
};
extern WindowInput window_input;

// 0: window up and thread running; -1: failure (the driver's exit still has to run). With
// SCREEN_OPENGL no thread starts: the caller creates its window on its own thread.
int32_t open_window_layer(const char* title, int32_t width, int32_t height, int32_t depth,
                          int32_t refresh_rate, int32_t flags);
void close_window_layer();

// The common frame of the update thread: create_window, the start signal, then while running
// lock, frame_update, key states (when keyboard_states is set and the window is active),
// pump_messages, unlock, Sleep(10); destroy_window at the end.
void run_update_loop(HANDLE started, void (*frame_update)(), bool keyboard_states);

// The shared driver operations. Each may be called with the lock held: none of them waits for
// the update thread.
void window_lock();  // recursive
void window_unlock();
void window_set_palette(int32_t index, int32_t red, int32_t green, int32_t blue);
void window_wait_vsync();  // sleeps one refresh of the measured rate, 16 ms when unknown
int32_t window_get_mouse(int32_t* x, int32_t* y, int32_t* wheel, int32_t* buttons);
void window_set_mouse(int32_t x, int32_t y, int32_t cursor);
// Keeps the title for later windows and renames the current one from its own thread.
void window_set_title(const char* title);

// Dispatches every pending message of the layer's window (on the thread that owns it).
void pump_messages();
// key_states of the screen from GetKeyboardState, through SCANCODE_VK_TABLE.
void refresh_key_states_from_keyboard();
// Marks every display row of the screen dirty (repaint all).
void mark_all_rows_dirty();

// A band of display rows.
struct RowBand {
    int32_t top, count;  // count 0: nothing changed
};
// The display rows from the first to the last dirty framebuffer row (flags left set). Lock held.
RowBand dirty_row_band();

// The window procedure of the layer's class.
LRESULT CALLBACK window_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
// The full-screen switch of Alt+Enter and maximise (nothing with SCREEN_NO_SWITCH). Update
// thread, lock held.
void toggle_full_screen();

// Failure reasons the window drivers share; each returns -1 through driver_refusal.
int32_t refuse_opengl();                       // SCREEN_OPENGL is the "OpenGL" driver's
int32_t refuse_system_call(const char* call);  // with GetLastError's text

}  // namespace qx
