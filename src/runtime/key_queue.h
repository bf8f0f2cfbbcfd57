// The console's KeyQueue: key codes with the input records they came from, filled by the pump
// from the console input source. Program thread only, except the close post of a signal.
#pragma once

#include <cstdint>

#include "runtime/half_api.h"
#include "runtime/key_code.h"

namespace qx {

// One key event as the console reports it (16 bytes).
struct KeyEventRecord {
    int32_t key_down;       // 1 pressed, 0 released
    uint16_t repeat_count;  // 0 for a synthesised character
    uint16_t virtual_key;
    uint16_t scan_code;
    uint16_t character;  // byte character in the low byte, 0 if none
    uint32_t modifiers;  // control-key state bits of key_code.h
};
static_assert(sizeof(KeyEventRecord) == 16, "a key event record is 16 bytes");

constexpr uint16_t KEY_EVENT = 1;
constexpr uint16_t MOUSE_EVENT = 2;

struct ConsoleInputRecord {
    uint16_t event_type;  // KEY_EVENT, MOUSE_EVENT, ...
    KeyEventRecord key;   // valid for KEY_EVENT
};

constexpr int32_t KEY_QUEUE_SLOTS = 512;  // one always free: 511 pending keys

struct KeyQueue {
    int32_t codes[KEY_QUEUE_SLOTS];
    ConsoleInputRecord events[KEY_QUEUE_SLOTS];
    int32_t write;        // next slot to fill
    int32_t read;         // oldest pending key; empty when equal to write
    int32_t key_arrived;  // 1 after every post, cleared by take_key_arrived
};

extern KeyQueue key_queue;
extern uint32_t alt_digit_accumulator;  // character typed with Alt + pad digits, 0 = none

// Where the pump takes console input events from.
struct ConsoleInputSource {
    // 1 with the next pending event in *record, 0 when none is pending.
    int32_t (*next_event)(ConsoleInputRecord* record);
    // 1 once the input has ended for good (end of file): no more keys will come.
    int32_t (*ended)();
    void (*install_close_handler)();  // close events post KEY_CLOSE from then on
    void (*remove_close_handler)();
};

// Standard input: the decoded terminal on Linux, the console's input events on Windows.
extern const ConsoleInputSource SYSTEM_INPUT_SOURCE;
// The source of the pump; tests substitute scripted ones. Null restores the system source.
void set_console_input_source(const ConsoleInputSource* source);

// Empties the queue and the accumulator and forgets the handler installation (tests).
void reset_key_queue();

// Appends a key; the oldest pending key is dropped when the queue is full. A missing record
// is a programming error and stops the program with an assertion message.
void post_console_key(int32_t code, const ConsoleInputRecord* key_event);
void pump_console_events();
int32_t take_key_arrived();
int32_t peek_key();
// Removes and returns the oldest queued code, or -1 (the public read_key routes here when no
// screen takes the keys).
int32_t console_read_key();

// Asks for a close (KEY_CLOSE) from a signal handler: async-signal-safe, posted by the next pump.
void request_close_key();

// A close request that a line input took stays pending: the key routers (read_key,
// read_key_text, wait_for_key, key_waiting) and the key-waiting sleeps give it first.
// Program thread only.
QX_HALF_API void keep_close_pending();
// 1 when a close was pending (and is no longer), else 0.
QX_HALF_API int32_t take_close_pending();
int32_t close_pending();

// Console defaults of the three key slots.
KeyText console_key_text();
int32_t console_wait_key();
int32_t console_key_waiting();

}  // namespace qx
