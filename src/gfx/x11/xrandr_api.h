// libXrandr opened at run time, separately from libX11: without it only the full-screen
// modes and the mode listing are missing. XRandR's own header stays in xrandr_api.cpp, so that a
// build without it (xrandr_absent.cpp) keeps this interface.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>

#include "gfx/driver/display_modes.h"

namespace qx {

extern const char XRANDR_LIBRARY[];  // named in failure reasons too
// 0 when libXrandr is bound (libX11 must be loaded first); -1 leaves xrandr untouched.
int32_t xrandr_load();

// The display's modes: every XRandR size once per refresh rate, offered at each framebuffer
// depth (8, 16, 32): the blitters show any of them on any visual, so depth never limits a
// mode here. Returns how many were stored (at most `capacity`), -1 when the server has no
// XRandR.
constexpr int32_t XRANDR_MODE_CAPACITY = 1024;
int32_t xrandr_read_modes(Display* display, DisplayMode* modes, int32_t capacity);

// The current refresh rate in Hz, 0 when unknown.
int32_t xrandr_refresh_rate(Display* display);

// A display mode to go back to after a full-screen change.
struct XrandrSavedMode {
    int32_t size;             // index in the display's size list
    unsigned short rotation;  // XRandR's Rotation
    int16_t rate;
};

// Makes the display's listed size of exactly width x height current, at refresh_rate when that
// size offers it (else the size's first rate); *saved gets the mode it replaced. 0 when the
// display shows that size now; -1 without XRandR, without such a size, or when refused.
int32_t xrandr_switch_mode(Display* display, int32_t width, int32_t height, int32_t refresh_rate,
                           XrandrSavedMode* saved);
// Goes back to a mode xrandr_switch_mode replaced.
void xrandr_restore_mode(Display* display, const XrandrSavedMode& saved);

// fetch_modes of the window drivers: opens its own connection, so it works with no screen open.
// Depths below 8 list the 8-bit modes, which is what such screens are shown in.
int32_t* xrandr_fetch_modes(int32_t depth, int32_t* count);

}  // namespace qx
