// The console input source on stdin: a terminal or a pipe, read without blocking and decoded
// into key events for the pump.
#include <poll.h>
#include <unistd.h>

#include <cerrno>

#include "runtime/key_queue.h"
#include "runtime/posix/term_input.h"
#include "runtime/posix/term_key_decoder.h"

namespace qx {

namespace {

constexpr int32_t READ_CHUNK = 64;
constexpr int32_t EVENT_CAPACITY = READ_CHUNK * TERM_MAX_EVENTS + TERM_MAX_EVENTS;
constexpr int ESC_PAUSE_MS = 30;  // an ESC followed by nothing for this long is Escape

// Decoded events waiting for the pump, and the state of stdin.
struct TermInputState {
    int fd;  // the input descriptor
    TermKeyDecoder decoder;
    ConsoleInputRecord events[EVENT_CAPACITY];
    int32_t first;  // index of the oldest waiting event
    int32_t count;  // events waiting
    bool ended;     // end of input (or an unusable descriptor) seen
};

TermInputState term_input{};

// Waits up to timeout_ms for bytes: 1 readable (or hung up), 0 nothing, -1 unusable.
int wait_readable(int timeout_ms) {
    pollfd entry{term_input.fd, POLLIN, 0};
    int ready;
    do {
        ready = poll(&entry, 1, timeout_ms);
    } while (ready < 0 && errno == EINTR);
    if (ready < 0 || (entry.revents & POLLNVAL)) return -1;
    return ready > 0 ? 1 : 0;
}

void append_events(const ConsoleInputRecord* events, int32_t count) {
    for (int32_t i = 0; i < count && term_input.count < EVENT_CAPACITY; ++i) {
        int32_t slot = (term_input.first + term_input.count) % EVENT_CAPACITY;
        term_input.events[slot] = events[i];
        ++term_input.count;
    }
}

void flush_decoder() {
    ConsoleInputRecord events[TERM_MAX_EVENTS];
    append_events(events, term_decode_flush(&term_input.decoder, events));
}

// Reads one chunk if one is there; false when nothing could be read.
bool read_chunk(int timeout_ms) {
    int ready = wait_readable(timeout_ms);
    if (ready == 0) return false;
    unsigned char bytes[READ_CHUNK];
    ssize_t n = -1;
    if (ready > 0) {
        do {
            n = read(term_input.fd, bytes, sizeof bytes);
        } while (n < 0 && errno == EINTR);
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return false;
    }
    if (n <= 0) {  // end of input, or a descriptor that cannot be read
        term_input.ended = true;
        flush_decoder();
        return false;
    }
    ConsoleInputRecord events[TERM_MAX_EVENTS];
    for (ssize_t i = 0; i < n; ++i) {
        append_events(events, term_decode_byte(&term_input.decoder, bytes[i], events));
    }
    return true;
}

// Decodes what has arrived; never blocks for long. A key cut short at the end of what
// arrived gets a moment for its rest, else the pause ends it.
void fill_events() {
    if (term_input.ended) return;
    read_chunk(0);
    while (term_input.count == 0 && !term_input.ended && term_decode_pending(&term_input.decoder)) {
        if (!read_chunk(ESC_PAUSE_MS) && !term_input.ended) flush_decoder();
    }
}

int32_t term_next_event(ConsoleInputRecord* record) {
    if (term_input.count == 0) fill_events();
    if (term_input.count == 0) return 0;
    *record = term_input.events[term_input.first];
    term_input.first = (term_input.first + 1) % EVENT_CAPACITY;
    --term_input.count;
    return 1;
}

int32_t term_input_ended() {
    return term_input.ended && term_input.count == 0 ? 1 : 0;
}

}  // namespace

void term_input_use_fd(int fd) {
    term_input = TermInputState{};
    term_input.fd = fd;
}

void term_input_keep_bytes(const unsigned char* bytes, size_t count) {
    ConsoleInputRecord events[TERM_MAX_EVENTS];
    for (size_t i = 0; i < count; ++i) {
        append_events(events, term_decode_byte(&term_input.decoder, bytes[i], events));
    }
}

extern const ConsoleInputSource SYSTEM_INPUT_SOURCE = {
    .next_event = term_next_event,
    .ended = term_input_ended,
    .install_close_handler = nullptr,  // the signal handlers are always in place
    .remove_close_handler = nullptr,
};

}  // namespace qx
