/// @file
/// The display driver behind the open screen: its full-screen modes, the OpenGL screen's flip
/// and functions, and the mouse.
#pragma once

#include <cstdint>

#include <qx/export.h>

namespace qx {

///@{
/// Mouse button bits of graphics_get_mouse.
constexpr int32_t MOUSE_LEFT = 1;
constexpr int32_t MOUSE_RIGHT = 2;
constexpr int32_t MOUSE_MIDDLE = 4;
///@}

/// The full-screen display modes the driver offers at this depth, as (width << 16) | height
/// entries in a malloc'd array the caller frees; *count gets the number of entries. Null with
/// *count 0 when there are none or the driver cannot list them.
QX_API int32_t* fetch_display_modes(int32_t depth, int32_t* count);
/// On a SCREEN_OPENGL screen: handles the window's events and keys, then swaps the buffers.
/// Call once per frame. Returns 0, or -1 when the screen's driver has no flip.
QX_API int32_t flip_screen();
/// An OpenGL function of the library the OpenGL driver opened; null before it has opened or
/// when the name is unknown.
QX_API void* opengl_symbol(const char* name);

/// The mouse in screen pixels, the wheel counter and the MOUSE_... buttons held now (a click
/// between two calls is not seen: next_mouse_event keeps them). Returns 0, or
/// 1 (the runtime error code) with every value -1 when the window is inactive, the pointer is
/// outside it or the driver has no mouse.
QX_API int32_t graphics_get_mouse(int32_t* x, int32_t* y, int32_t* wheel, int32_t* buttons);
/// Kinds of mouse event.
constexpr int32_t MOUSE_PRESS = 1;    ///< a button went down
constexpr int32_t MOUSE_RELEASE = 2;  ///< a button went up
constexpr int32_t MOUSE_MOVE = 3;     ///< the pointer moved
constexpr int32_t MOUSE_WHEEL = 4;    ///< the wheel turned

/// One thing the mouse did in the screen's window, where it happened (screen pixels, kept
/// inside the screen).
struct MouseEvent {
    int32_t kind;     ///< MOUSE_PRESS, MOUSE_RELEASE, MOUSE_MOVE or MOUSE_WHEEL
    int32_t x;        ///< the pointer's position at that moment
    int32_t y;        ///< the pointer's position at that moment
    int32_t buttons;  ///< press and release: the MOUSE_... button; move and wheel: those held
    int32_t wheel;    ///< MOUSE_WHEEL: +1 per step away from the user, -1 towards; else 0
};
/// Takes the oldest mouse event into *event: 1 when there was one, 0 when none is waiting or
/// no screen is open. Events wait in order, even clicks quicker than the program looks;
/// should a program not look for a long while, moves are given up before presses, releases
/// and wheel steps.
QX_API int32_t next_mouse_event(MouseEvent* event);

/// Moves the pointer to (x, y) (x negative: it stays) and shows it (cursor 1) or hides it (0).
/// Returns 0, or 1 (the runtime error code) when the driver has no mouse.
QX_API int32_t graphics_set_mouse(int32_t x, int32_t y, int32_t cursor);

}  // namespace qx
