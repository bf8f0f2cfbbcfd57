// Console input on Windows (SYSTEM_INPUT_SOURCE of key_queue.h): the console's input records,
// or the bytes of a redirected standard input, as the pump's records; and the control handler.
#pragma once

#include "runtime/win32/console_session.h"

namespace qx {

// One console input record as the pump reads it. Wine delivers Escape without its character;
// it is given back, so Escape has its code on every console.
ConsoleInputRecord console_record_from(const INPUT_RECORD& record);

// Bytes of a redirected standard input as typed keys: LF and CR LF are one Enter, as in a
// text file of answers; 0x7F is Backspace.
struct RedirectedKeyDecoder {
    bool after_cr;  // the previous byte was CR: a LF right after it is the same Enter
};
constexpr int32_t REDIRECTED_MAX_EVENTS = 2;  // a press and its release
// Returns the number of records written to out (0 for the LF of a CR LF).
int32_t redirected_decode_byte(RedirectedKeyDecoder* decoder, uint8_t byte,
                               ConsoleInputRecord* out);

// The console control handler: closing the console, logging off and shutting down ask for
// KEY_CLOSE and count as handled; anything else is left to the next handler.
BOOL WINAPI console_control_handler(DWORD event);

// Tests: read input from these handles from now on, with nothing pending.
void console_input_use_handle(HANDLE input);

}  // namespace qx
