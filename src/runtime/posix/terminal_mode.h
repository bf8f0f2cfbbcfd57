// The terminal's input mode and the signals that must never leave it changed.
#pragma once

#include "runtime/half_api.h"

namespace qx {

// Takes stdin's terminal (canonical mode and echo off, signals on) when it is one; installs
// the handlers of SIGINT, SIGQUIT, SIGTERM, SIGHUP and the restore at exit. Idempotent.
void term_take_terminal();
// Puts back the terminal mode and the output state (colours, cursor). Async-signal-safe.
void term_restore_terminal();
// The output changed colours or hid the cursor: the restore must undo it.
void term_note_output_changed();
// Bytes that undo what a screen drawn in the terminal changed (alternate screen, mouse and
// key reporting, title), written first by every restore; length 0 forgets them. At most
// TERM_SCREEN_RESTORE_CAPACITY bytes are kept.
constexpr int TERM_SCREEN_RESTORE_CAPACITY = 256;
QX_HALF_API void term_set_screen_restore(const char* bytes, int length);

}  // namespace qx
