// The terminal's input mode and the signals that must never leave it changed.
#pragma once

namespace qx {

// Takes stdin's terminal (canonical mode and echo off, signals on) when it is one; installs
// the handlers of SIGINT, SIGQUIT, SIGTERM, SIGHUP and the restore at exit. Idempotent.
void term_take_terminal();
// Puts back the terminal mode and the output state (colours, cursor). Async-signal-safe.
void term_restore_terminal();
// The output changed colours or hid the cursor: the restore must undo it.
void term_note_output_changed();

}  // namespace qx
