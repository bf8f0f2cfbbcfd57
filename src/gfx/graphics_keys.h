// The graphics window's key ring: 512 slots like the console's queue, at most 511 pending,
// oldest dropped when full; and the key operations of the graphics screen's text hooks, which
// read from it.
#pragma once

#include <atomic>
#include <cstdint>

#include <qx/graphics_text.h>

#include "runtime/key_code.h"

namespace qx {

// Room for a paste or a burst of typing between two reads of a frame loop.
constexpr int32_t GRAPHICS_KEY_SLOTS = 512;
static_assert((GRAPHICS_KEY_SLOTS & (GRAPHICS_KEY_SLOTS - 1)) == 0, "indices wrap by a mask");

// Process-wide; survives screen changes. The window side writes it under the driver lock and
// the program thread reads it inside begin_draw / end_draw. The fields are atomic as well so
// that a driver without a lock (the Null driver) still has no data race.
struct GraphicsKeyRing {
    std::atomic<int32_t> slots[GRAPHICS_KEY_SLOTS];  // key codes
    std::atomic<int32_t> write;                      // next slot to fill
    std::atomic<int32_t> read;      // oldest pending code; empty when equal to write
    std::atomic<int32_t> key_seen;  // 1 after every post; read and cleared by the sleep check
};

extern GraphicsKeyRing graphics_key_ring;

// Called by the window's event handling with the driver lock held.
void graphics_key_post(int32_t code);
// Oldest pending code, or 0 when none; clears the key-seen flag. Inside the lock bracket.
int32_t graphics_key_take();
// Reads and clears the key-seen flag inside the lock bracket (the graphics sleep's key check).
int32_t graphics_take_key_seen();
// Empties the ring and clears the flag (tests).
void reset_graphics_keys();

// Text hook slots 0, 1, 2 and 23 (14 is public). graphics_wait_key naps 20 ms (sleep_ms) while
// the ring is empty and after taking its last key, but not while more keys wait.
KeyText graphics_key_text();
int32_t graphics_wait_key();
int32_t graphics_key_waiting();
void graphics_sleep(int32_t milliseconds);

}  // namespace qx
