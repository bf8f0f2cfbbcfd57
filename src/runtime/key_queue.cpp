#include "runtime/key_queue.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "runtime/text_hooks.h"

namespace qx {

namespace {

constexpr uint32_t ALT_BITS = RIGHT_ALT_PRESSED | LEFT_ALT_PRESSED;
constexpr uint32_t CTRL_BITS = RIGHT_CTRL_PRESSED | LEFT_CTRL_PRESSED;

// Console handler and source state of the pump.
struct PumpState {
    const ConsoleInputSource* source;  // null: standard input
    bool handler_installed;            // set on the first pump
    bool exit_routine_registered;      // the removal runs once at exit, whatever resets happen
};

PumpState pump_state{};

// Set when a line input took the close key: it is handed out again by the next key read.
int32_t close_kept = 0;

// Set by a signal handler; the pump turns it into a queued KEY_CLOSE. A lock-free flag keeps
// the handler from touching the queue while the program thread may be inside a post.
std::atomic<int> close_requested{0};
static_assert(std::atomic<int>::is_always_lock_free);

const ConsoleInputSource& source() {
    return pump_state.source ? *pump_state.source : SYSTEM_INPUT_SOURCE;
}

bool alt_alone(uint32_t modifiers) {
    return (modifiers & ALT_BITS) && !(modifiers & (CTRL_BITS | SHIFT_PRESSED));
}

void post_accumulated_character() {
    uint8_t ch = static_cast<uint8_t>(alt_digit_accumulator % 256);
    uint16_t scan = vk_key_scan(ch);
    uint8_t shift_state = static_cast<uint8_t>(scan >> 8);
    ConsoleInputRecord record{};
    record.event_type = KEY_EVENT;
    record.key.virtual_key = static_cast<uint16_t>(scan & 0xFF);
    if (shift_state & 1) record.key.modifiers |= SHIFT_PRESSED;
    if (shift_state & 2) record.key.modifiers |= LEFT_CTRL_PRESSED;
    if (shift_state & 4) record.key.modifiers |= LEFT_ALT_PRESSED;
    record.key.character = ch;
    record.key.scan_code =
        static_cast<uint16_t>(map_virtual_key(record.key.virtual_key, MAP_VK_TO_SCAN));
    post_console_key(ch, &record);
    alt_digit_accumulator = 0;
}

void post_close_key() {
    ConsoleInputRecord record{};
    record.event_type = KEY_EVENT;
    record.key.key_down = 1;
    record.key.repeat_count = 1;
    record.key.virtual_key = VK_F4;
    record.key.scan_code = static_cast<uint16_t>(map_virtual_key(VK_F4, MAP_VK_TO_SCAN));
    record.key.modifiers = LEFT_ALT_PRESSED;
    post_console_key(KEY_CLOSE, &record);
}

void dispatch_key_event(const ConsoleInputRecord& record) {
    const KeyEventRecord& key = record.key;
    if (!key.key_down) {
        if (!alt_alone(key.modifiers) && alt_digit_accumulator != 0) post_accumulated_character();
        return;
    }
    if (key.repeat_count == 0) return;
    int32_t code = translate_key(static_cast<uint8_t>(key.character), key.scan_code,
                                 key.virtual_key, key.modifiers);
    if (key.virtual_key >= VK_NUMPAD0 && key.virtual_key <= VK_NUMPAD9 &&
        alt_alone(key.modifiers)) {
        alt_digit_accumulator = alt_digit_accumulator * 10 + (key.virtual_key - VK_NUMPAD0);
    } else if (code == KEY_NONE) {
        if (!alt_alone(key.modifiers) && alt_digit_accumulator != 0) {
            post_accumulated_character();
        }
    } else {
        alt_digit_accumulator = 0;
    }
    if (code != KEY_NONE) post_console_key(code, &record);
}

void remove_handler_at_exit() {
    if (pump_state.handler_installed && source().remove_close_handler) {
        source().remove_close_handler();
    }
    pump_state.handler_installed = false;
}

}  // namespace

KeyQueue key_queue{};
uint32_t alt_digit_accumulator = 0;

void set_console_input_source(const ConsoleInputSource* replacement) {
    pump_state.source = replacement;
}

void reset_key_queue() {
    key_queue.write = key_queue.read = 0;
    key_queue.key_arrived = 0;
    alt_digit_accumulator = 0;
    pump_state.handler_installed = false;
    close_requested.store(0);
    close_kept = 0;
}

void post_console_key(int32_t code, const ConsoleInputRecord* key_event) {
    if (key_event == nullptr) {
        std::fprintf(stderr, "Assertion failed: %s, file %s, line %d\n", "key_event!=NULL",
                     "win32/libqx_io_input", 193);
        std::abort();
    }
    key_queue.codes[key_queue.write] = code;
    key_queue.events[key_queue.write] = *key_event;
    key_queue.events[key_queue.write].event_type = KEY_EVENT;
    key_queue.write = (key_queue.write + 1) % KEY_QUEUE_SLOTS;
    if (key_queue.write == key_queue.read) {
        key_queue.read = (key_queue.write + 1) % KEY_QUEUE_SLOTS;
    }
    key_queue.key_arrived = 1;
}

void request_close_key() {
    close_requested.store(1);
}

void pump_console_events() {
    if (!pump_state.handler_installed) {
        pump_state.handler_installed = true;
        if (!pump_state.exit_routine_registered) {
            pump_state.exit_routine_registered = true;
            std::atexit(remove_handler_at_exit);  // the platform exit list, newest first
        }
        if (source().install_close_handler) source().install_close_handler();
    }
    ConsoleInputRecord record;
    while (source().next_event && source().next_event(&record)) {
        if (record.event_type == KEY_EVENT) dispatch_key_event(record);
    }
    if (close_requested.exchange(0)) post_close_key();
}

int32_t take_key_arrived() {
    pump_console_events();
    int32_t arrived = key_queue.key_arrived;
    key_queue.key_arrived = 0;
    return arrived;
}

int32_t peek_key() {
    pump_console_events();
    if (key_queue.read == key_queue.write) return KEY_NONE;
    return key_queue.codes[key_queue.read];
}

int32_t console_read_key() {
    pump_console_events();
    if (key_queue.read == key_queue.write) return KEY_NONE;
    int32_t code = key_queue.codes[key_queue.read];
    key_queue.read = (key_queue.read + 1) % KEY_QUEUE_SLOTS;
    take_key_arrived();
    return code;
}

void keep_close_pending() {
    close_kept = 1;
}

int32_t take_close_pending() {
    const int32_t kept = close_kept;
    close_kept = 0;
    return kept;
}

int32_t close_pending() {
    return close_kept;
}

KeyText console_key_text() {
    return key_code_to_text(console_read_key());
}

int32_t console_wait_key() {
    int32_t code = console_read_key();
    while (code == KEY_NONE) {
        if (key_input_ended()) return KEY_NONE;  // nothing can ever come: do not hang
        sleep_ms(-1);
        code = console_read_key();
    }
    return code;
}

int32_t console_key_waiting() {
    return peek_key() != KEY_NONE ? 1 : 0;
}

int32_t key_input_ended() {
    if (text_hooks.key_waiting_hook != nullptr || close_kept) return 0;
    return source().ended && source().ended() && peek_key() == KEY_NONE ? 1 : 0;
}

KeyText read_key_text() {
    if (take_close_pending()) return key_code_to_text(KEY_CLOSE);
    return text_hooks.key_text_hook ? text_hooks.key_text_hook() : console_key_text();
}

int32_t read_key() {
    if (take_close_pending()) return KEY_CLOSE;
    // The screen's key slot gives texts; extended keys come back whole from their two bytes.
    if (text_hooks.key_text_hook) return key_text_to_code(text_hooks.key_text_hook());
    return console_read_key();
}

int32_t wait_for_key() {
    if (take_close_pending()) return KEY_CLOSE;
    return text_hooks.wait_key_hook ? text_hooks.wait_key_hook() : console_wait_key();
}

int32_t key_waiting() {
    if (close_kept) return 1;
    return text_hooks.key_waiting_hook ? text_hooks.key_waiting_hook() : console_key_waiting();
}

}  // namespace qx
