// Terminal bytes through the key decoder and the key translation: escape sequences of any
// length, broken UTF-8, lone Escapes. Every key code that comes out is in range.
#include <cstddef>
#include <cstdint>

#include "fuzz_check.h"
#include "runtime/key_queue.h"
#include "runtime/posix/term_key_decoder.h"
#include "runtime/text_hooks.h"

namespace {

// Decoded events waiting for the pump.
struct Pending {
    qx::ConsoleInputRecord events[qx::TERM_MAX_EVENTS * 2];
    int32_t count = 0, next = 0;
};
Pending pending;

int32_t next_event(qx::ConsoleInputRecord* record) {
    if (pending.next == pending.count) return 0;
    *record = pending.events[pending.next++];
    return 1;
}
int32_t never_ended() {
    return 0;
}
const qx::ConsoleInputSource SOURCE = {next_event, never_ended, nullptr, nullptr};

bool valid_code(int32_t code) {
    if (code >= 0 && code <= 255) return true;
    return (code & 0xFF) == 0xFF && code >= 0x100 && code <= 0xFFFF;
}

void drain() {
    for (int32_t code = qx::read_key(); code != qx::KEY_NONE; code = qx::read_key()) {
        FUZZ_CHECK(valid_code(code));
        qx::KeyText text = qx::key_code_to_text(code);
        FUZZ_CHECK(text.length == (code <= 255 ? 1 : 2));
    }
}

void deliver(int32_t count) {
    FUZZ_CHECK(count >= 0 && count <= qx::TERM_MAX_EVENTS);
    for (int32_t i = 0; i < count; ++i)
        FUZZ_CHECK(pending.events[i].event_type == qx::KEY_EVENT);
    pending.count = count;
    pending.next = 0;
    drain();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    qx::text_hooks = qx::TextHooks{};
    qx::set_console_input_source(&SOURCE);
    qx::reset_key_queue();
    qx::TermKeyDecoder decoder{};
    for (size_t i = 0; i < size; ++i) {
        // 0xFE stands for the pause that ends an unfinished key (a lone Escape, say).
        int32_t count = data[i] == 0xFE ? qx::term_decode_flush(&decoder, pending.events)
                                        : qx::term_decode_byte(&decoder, data[i], pending.events);
        deliver(count);
        FUZZ_CHECK(decoder.pending_length >= 0 &&
                   decoder.pending_length <= qx::TERM_SEQUENCE_CAPACITY);
    }
    deliver(qx::term_decode_flush(&decoder, pending.events));
    FUZZ_CHECK(!qx::term_decode_pending(&decoder));
    return 0;
}
