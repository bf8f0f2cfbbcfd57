// The terminal's input while a graphics screen is open: bytes split into keys (through the
// console's key decoder), SGR mouse reports and the kitty keyboard protocol's answers and
// release events; the mouse state they make; and key states where a terminal reports no
// releases. Platform-free: tests feed byte strings and an injected clock.
#pragma once

#include <cstdint>

#include <qx/drivers.h>

#include "runtime/key_queue.h"
#include "runtime/posix/term_key_decoder.h"

namespace qx {

enum class TerminalInputKind {
    KEY,          // record: a key event as the console decoder makes it
    KEY_RELEASE,  // record.key.scan_code: a key reported released (kitty protocol)
    MOUSE,        // mouse_*: an SGR mouse report
    KITTY_FLAGS,  // the terminal answered the kitty keyboard protocol query
    INTERRUPT,    // Ctrl+C (or Ctrl+\ as quit) arrived as a sequence, not as a signal
};

struct TerminalInputEvent {
    TerminalInputKind kind;
    ConsoleInputRecord record;
    int32_t mouse_code;               // SGR button code: bits 0-1 button, 32 motion, 64 wheel
    int32_t mouse_column, mouse_row;  // 0-based cell
    bool mouse_released;              // final 'm'
    bool quit;                        // INTERRUPT: Ctrl+\ rather than Ctrl+C
};

constexpr int32_t TERMINAL_INPUT_CAPACITY = 40;  // longer sequences are dropped
constexpr int32_t TERMINAL_INPUT_MAX_EVENTS = TERMINAL_INPUT_CAPACITY * TERM_MAX_EVENTS + 8;

struct TerminalInputSplitter {
    unsigned char sequence[TERMINAL_INPUT_CAPACITY];  // an ESC or CSI sequence being read
    int32_t length;
    bool overflowed;  // dropping a too long sequence up to its final byte
    bool in_string;   // dropping an APC string (a late graphics reply) up to its ST
    TermKeyDecoder decoder;
};

// Feeds one byte; writes the events it completes to out (TERMINAL_INPUT_MAX_EVENTS slots)
// and returns their number.
int32_t terminal_input_byte(TerminalInputSplitter* splitter, uint8_t byte, TerminalInputEvent* out);
// A pause after the last byte: a lone ESC is the Escape key, an unfinished key is ended.
int32_t terminal_input_pause(TerminalInputSplitter* splitter, TerminalInputEvent* out);
bool terminal_input_pending(const TerminalInputSplitter* splitter);

// Mouse buttons and wheel as get_mouse reports them.
struct TerminalMouse {
    bool seen;            // a report arrived: the position is known
    int32_t column, row;  // 0-based cell of the last report
    int32_t buttons;      // bit 0 left, bit 1 right, bit 2 middle
    int32_t wheel;        // +1 per step up, -1 per step down
};
// Updates the state; when event is given, fills it (all but the position, which is in cells
// here) and returns true for a report that is a mouse event.
bool apply_mouse_report(TerminalMouse* mouse, const TerminalInputEvent& report,
                        MouseEvent* event = nullptr);

// Key states from presses alone: a key counts as held for a while after its last press,
// long enough to reach the terminal's first auto-repeat; once it repeats, only until shortly
// after the last repeat.
constexpr int64_t KEY_HOLD_FIRST_MS = 600;
constexpr int64_t KEY_HOLD_REPEAT_MS = 120;
struct KeyHoldTimes {
    int64_t last_press_ms[128];
    bool repeating[128];
    bool pressed[128];  // pressed at all since the reset
};
void key_hold_press(KeyHoldTimes* times, int32_t scan_code, int64_t now_ms);
// Writes the 128 key states (1 held, 0 not) for the time now_ms.
void key_hold_states(const KeyHoldTimes* times, int64_t now_ms, uint8_t* key_states);

}  // namespace qx
