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

/// The full-screen display modes the open screen's driver offers.
/// @param depth bits per pixel of the modes wanted
/// @param count null, or gets the number of entries; 0 with a null result
/// @return a malloc'd array of (width << 16) | height entries that the caller frees; null
///         when there are none, no screen is open or the driver cannot list them
QX_API int32_t* fetch_display_modes(int32_t depth, int32_t* count);
/// On a SCREEN_OPENGL screen: handles the window's events and keys, then swaps the buffers.
/// Call once per frame.
/// @retval 0 flipped
/// @retval -1 no screen is open, or its driver has no flip
QX_API int32_t flip_screen();
/// Looks up an OpenGL function of the library the OpenGL driver opened.
/// @param name the function's name, such as "glClear"
/// @return the function's address; null before the library has opened or when the name is
///         unknown
QX_API void* opengl_symbol(const char* name);

/// The mouse in screen pixels, the wheel counter and the MOUSE_... buttons held now (a click
/// between two calls is not seen: next_mouse_event keeps them). Any pointer may be null.
/// @param x gets the pointer's x, or -1
/// @param y gets the pointer's y, or -1
/// @param wheel gets the wheel counter, or -1
/// @param buttons gets the MOUSE_... bits, or -1
/// @retval 0 the values are set
/// @retval 1 (also the runtime error code) every value is -1: no screen is open, its window
///         is inactive, the pointer is outside it or the driver has no mouse
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
/// Takes the oldest mouse event. Events wait in order, even clicks quicker than the program
/// looks; should a program not look for a long while, moves are given up before presses,
/// releases and wheel steps.
/// @param event gets the event; left alone when none is taken
/// @retval 1 an event was taken
/// @retval 0 none is waiting, no screen is open or event is null
QX_API int32_t next_mouse_event(MouseEvent* event);

/// Moves the mouse pointer and shows or hides it.
/// @param x the new x in screen pixels; negative: the pointer stays where it is
/// @param y the new y in screen pixels
/// @param cursor 1 shows the pointer, 0 hides it
/// @retval 0 done
/// @retval 1 (also the runtime error code) no screen is open or its driver has no mouse
QX_API int32_t graphics_set_mouse(int32_t x, int32_t y, int32_t cursor);

}  // namespace qx
