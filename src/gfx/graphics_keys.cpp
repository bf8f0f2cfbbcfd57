#include "gfx/graphics_keys.h"

#include "gfx/screen.h"
#include "runtime/text_hooks.h"
#include "runtime/timer.h"

namespace qx {

namespace {

constexpr int32_t RING_MASK = GRAPHICS_KEY_SLOTS - 1;
constexpr int32_t WAIT_KEY_NAP_MS = 20;

// Second byte of the key text of codes 256..276 (code - 256); larger codes take the last.
constexpr unsigned char KEY_TEXT_SECOND_BYTES[] = {
    0x6B,                                // window close
    0x48, 0x50, 0x4B, 0x4D,              // Up, Down, Left, Right
    0x52, 0x53, 0x47, 0x4F, 0x49, 0x51,  // Insert, Delete, Home, End, Page Up, Page Down
    0x3B, 0x3C, 0x3D, 0x3E, 0x3F, 0x40, 0x41, 0x42, 0x43, 0x44,  // F1..F10
};
constexpr int32_t LAST_KEY_TEXT_ENTRY = sizeof KEY_TEXT_SECOND_BYTES - 1;

// Takes the oldest code into *code; false when the ring is empty. Caller holds the bracket.
bool take_locked(int32_t* code) {
    GraphicsKeyRing& ring = graphics_key_ring;
    const int32_t read = ring.read.load(std::memory_order_relaxed);
    const bool found = read != ring.write.load(std::memory_order_acquire);
    if (found) {
        *code = ring.slots[read].load(std::memory_order_relaxed);
        ring.read.store((read + 1) & RING_MASK, std::memory_order_release);
    }
    ring.key_seen.store(0, std::memory_order_relaxed);
    return found;
}

}  // namespace

GraphicsKeyRing graphics_key_ring;

void graphics_key_post(int32_t code) {
    GraphicsKeyRing& ring = graphics_key_ring;
    const int32_t write = ring.write.load(std::memory_order_relaxed);
    ring.slots[write].store(code, std::memory_order_relaxed);
    const int32_t next = (write + 1) & RING_MASK;
    ring.write.store(next, std::memory_order_release);
    if (next == ring.read.load(std::memory_order_relaxed))
        ring.read.store((next + 1) & RING_MASK, std::memory_order_relaxed);
    ring.key_seen.store(1, std::memory_order_release);
}

int32_t graphics_key_take() {
    begin_draw();
    int32_t code = 0;
    take_locked(&code);
    end_draw();
    return code;
}

int32_t graphics_take_key_seen() {
    begin_draw();
    const int32_t seen = graphics_key_ring.key_seen.exchange(0, std::memory_order_acq_rel);
    end_draw();
    return seen;
}

void reset_graphics_keys() {
    GraphicsKeyRing& ring = graphics_key_ring;
    for (std::atomic<int32_t>& slot : ring.slots)
        slot.store(0);
    ring.write.store(0);
    ring.read.store(0);
    ring.key_seen.store(0);
}

KeyText graphics_key_text() {
    KeyText text;
    if (screen == nullptr) return text;
    begin_draw();
    int32_t code = 0;
    const bool found = take_locked(&code);
    end_draw();
    if (!found) return text;
    if (code <= 255) {
        text.length = 1;
        text.bytes[0] = static_cast<unsigned char>(code);
        return text;
    }
    text.length = 2;
    text.bytes[0] = 0xFF;
    if ((code & 0xFF) == 0xFF) {
        text.bytes[1] = static_cast<unsigned char>(code >> 8);
    } else {
        const int32_t entry = code - 256 < LAST_KEY_TEXT_ENTRY ? code - 256 : LAST_KEY_TEXT_ENTRY;
        text.bytes[1] = KEY_TEXT_SECOND_BYTES[entry];
    }
    return text;
}

int32_t graphics_wait_key() {
    if (screen == nullptr) return 0;
    for (;;) {
        int32_t code = 0;
        begin_draw();
        const bool found = take_locked(&code);
        const GraphicsKeyRing& ring = graphics_key_ring;
        const bool more =
            ring.read.load(std::memory_order_relaxed) != ring.write.load(std::memory_order_acquire);
        end_draw();
        // Keys typed faster than the nap would pile up until the ring drops them: the nap
        // keeps its rhythm only while keys are scarce.
        if (found && more) return code;
        sleep_ms(WAIT_KEY_NAP_MS);
        if (found) return code;
    }
}

int32_t graphics_key_waiting() {
    begin_draw();
    const GraphicsKeyRing& ring = graphics_key_ring;
    const bool waiting =
        ring.read.load(std::memory_order_relaxed) != ring.write.load(std::memory_order_acquire);
    end_draw();
    return waiting ? 1 : 0;
}

int32_t graphics_key_state(int32_t scan_code) {
    if (scan_code < 0 || scan_code >= 128 || screen == nullptr || screen->key_states == nullptr)
        return 0;
    begin_draw();
    const int32_t state = static_cast<int8_t>(screen->key_states[scan_code]);
    end_draw();
    return state;
}

void graphics_sleep(int32_t milliseconds) {
    sleep_with_key_check(milliseconds, graphics_take_key_seen, nullptr);
}

}  // namespace qx
