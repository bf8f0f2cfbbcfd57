// Terminal bytes to console key events: CSI and SS3 sequences with xterm modifier
// parameters, ESC + character as Alt, UTF-8 to the Windows-1252 byte. Platform-free so that
// byte strings can be tested; the caller decides when a pause ends a lone ESC.
#pragma once

#include <cstdint>

#include "runtime/half_api.h"
#include "runtime/key_queue.h"

namespace qx {

constexpr int32_t TERM_SEQUENCE_CAPACITY = 32;  // longer sequences are dropped
constexpr int32_t TERM_MAX_EVENTS = 4;          // events one byte (or a flush) can produce

struct TermKeyDecoder {
    unsigned char pending[TERM_SEQUENCE_CAPACITY];  // bytes of an unfinished key
    int32_t pending_length;
    int32_t utf8_needed;  // continuation bytes still expected by the pending UTF-8 character
    bool after_cr;        // the previous byte was CR: a LF right after it is the same Enter
    bool overflowed;      // a too long sequence: its bytes are dropped up to its final byte
};

// Each key gives a press and a release event. Returns the number written to out.
QX_HALF_API int32_t term_decode_byte(TermKeyDecoder* decoder, uint8_t byte,
                                     ConsoleInputRecord* out);
// The pause after an unfinished key: a lone ESC becomes Escape, ESC + '[' or 'O' an Alt key,
// anything else unfinished is dropped.
QX_HALF_API int32_t term_decode_flush(TermKeyDecoder* decoder, ConsoleInputRecord* out);
inline bool term_decode_pending(const TermKeyDecoder* decoder) {
    return decoder->pending_length > 0 || decoder->overflowed;
}

// The Windows-1252 byte of a Unicode code point; 0 when it has none.
uint8_t windows_1252_byte(uint32_t code_point);

}  // namespace qx
