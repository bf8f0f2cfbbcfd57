// The mouse events of the screen's window, in order: the window's event handling posts them
// (on the window's thread, or the program's for a driver without one) and next_mouse_event
// takes them on the program's thread. The ring has a lock of its own, so either side may call
// with or without the driver's lock.
#pragma once

#include <cstdint>

#include <qx/drivers.h>

namespace qx {

// About a minute of clicking, or a few seconds of pointer moves, unread.
constexpr int32_t MOUSE_EVENT_SLOTS = 1024;  // one always free

// Adds an event. When the ring is full the oldest move is given up; without one a new move is
// dropped, and only a ring of nothing but presses, releases and wheel steps loses its oldest.
void mouse_event_post(const MouseEvent& event);
// Empties the ring: a new screen starts with none.
void reset_mouse_events();

// (x, y) made to lie inside a width x height picture.
void clamp_mouse_position(int32_t* x, int32_t* y, int32_t width, int32_t height);

}  // namespace qx
