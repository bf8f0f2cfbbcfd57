// The window's event handling: X events become key codes, mouse state, activation, repaints
// and full-screen switches. Works on XEvent records alone, so it runs without a server.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>

#include "gfx/code_pages.h"
#include "gfx/driver/scancode_vk_table.h"

namespace qx {

// What the keyboard mapping says about a key event: its keysym and the bytes it types.
struct KeyLookup {
    KeySym keysym;
    int32_t length;  // bytes in `text`, 0 when the key types nothing
    char text[8];
};
// XLookupString by default; tests put a fixed mapping here.
extern KeyLookup (*window_key_lookup)(XKeyEvent* event);

// The window procedure: handles one event of the layer's window (lock held).
void handle_window_event(XEvent* event);

// PC scan code of an X keycode (evdev numbering), 0 when none; `extended` for the grey keys.
uint16_t keycode_scan_code(uint32_t keycode, bool* extended);
// Windows virtual key of a keysym, 0 when none.
uint16_t keysym_virtual_key(KeySym keysym);

// key_states (128 bytes) from the 32-byte XQueryKeymap vector.
void key_states_from_keymap(const char keymap[32], uint8_t* key_states);

// The full-screen switch of Alt+Enter and maximise (nothing with SCREEN_NO_SWITCH).
void toggle_full_screen();

}  // namespace qx
