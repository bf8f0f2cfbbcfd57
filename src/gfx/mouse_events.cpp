#include "gfx/mouse_events.h"

#include <mutex>

#include "gfx/screen.h"

namespace qx {

namespace {

// Process-wide, like the key ring. Guarded by its own mutex: a move that must give way
// shifts older events, which a reader must never see half done.
struct MouseEventRing {
    std::mutex guard;
    MouseEvent events[MOUSE_EVENT_SLOTS];  // (guard)
    int32_t write = 0;                     // (guard) next slot to fill
    int32_t read = 0;                      // (guard) oldest event; empty when equal to write
};

MouseEventRing ring;

int32_t next_index(int32_t index) {
    return (index + 1) % MOUSE_EVENT_SLOTS;
}

int32_t previous_index(int32_t index) {
    return (index + MOUSE_EVENT_SLOTS - 1) % MOUSE_EVENT_SLOTS;
}

// Removes the oldest move, keeping the order of the rest; false when there is none.
bool drop_oldest_move_locked() {
    int32_t found = ring.read;
    while (found != ring.write && ring.events[found].kind != MOUSE_MOVE)
        found = next_index(found);
    if (found == ring.write) return false;
    for (int32_t k = found; k != ring.read; k = previous_index(k))
        ring.events[k] = ring.events[previous_index(k)];
    ring.read = next_index(ring.read);
    return true;
}

}  // namespace

void mouse_event_post(const MouseEvent& event) {
    std::lock_guard<std::mutex> lock(ring.guard);
    if (next_index(ring.write) == ring.read && !drop_oldest_move_locked()) {
        if (event.kind == MOUSE_MOVE) return;
        ring.read = next_index(ring.read);
    }
    ring.events[ring.write] = event;
    ring.write = next_index(ring.write);
}

void reset_mouse_events() {
    std::lock_guard<std::mutex> lock(ring.guard);
    ring.write = ring.read = 0;
}

void clamp_mouse_position(int32_t* x, int32_t* y, int32_t width, int32_t height) {
    if (*x >= width) *x = width - 1;
    if (*y >= height) *y = height - 1;
    if (*x < 0) *x = 0;
    if (*y < 0) *y = 0;
}

int32_t next_mouse_event(MouseEvent* event) {
    if (screen == nullptr || event == nullptr) return 0;
    std::lock_guard<std::mutex> lock(ring.guard);
    if (ring.read == ring.write) return 0;
    *event = ring.events[ring.read];
    ring.read = next_index(ring.read);
    return 1;
}

}  // namespace qx
