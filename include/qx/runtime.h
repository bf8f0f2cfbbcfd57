/// @file
/// Runtime start-up and end, the runtime error code and the exit handlers.
///
/// A program starts with runtime_init and run_module_init_hooks and ends with runtime_end.
#pragma once

#include <cstdint>

#include <qx/export.h>
#include <qx/version.h>

namespace qx {

/// Keeps argv, clears the device table and sets up the console: on Linux the terminal's mode
/// (only on a tty), on Windows processed input, so that Ctrl+C reaches the control handler.
/// @param argc main's argument count
/// @param argv main's arguments; kept, not copied
QX_API void runtime_init(int32_t argc, char** argv);
/// Runs the hooks added by add_module_init_hook; call it right after runtime_init.
QX_API void run_module_init_hooks();
/// Runs the module exit hooks, then the exit handlers newest first (closing an open screen and
/// restoring the console), and ends the process.
/// @param exit_code the process's exit status
[[noreturn]] QX_API void runtime_end(int32_t exit_code);

/// The code the last operation that reports one left: 0 success, 1 a refused argument or
/// request (a bad size or mode, no driver), 4 a line input that could not create its text.
/// @return the code
QX_API int32_t runtime_error();
/// The reason of the last failure (which driver failed and why, for a screen), "" before any.
/// A later success leaves it as it was, so it answers "why" once an operation has reported
/// failure. Program thread only, like the code.
/// @return a zero-terminated text in a buffer the runtime owns; the next failure rewrites it
QX_API const char* error_text();

/// Adds a hook that run_module_init_hooks runs, in the order added (16 at most).
/// @param hook the hook
/// @retval 0 added
/// @retval -1 the list is full or the hook is null
QX_API int32_t add_module_init_hook(void (*hook)());
/// Adds a hook that runtime_end runs before the exit handlers, in the order added (16 at
/// most).
/// @param hook the hook
/// @retval 0 added
/// @retval -1 the list is full or the hook is null
QX_API int32_t add_module_exit_hook(void (*hook)());

/// Registers a handler run at process exit, newest first.
/// @param handler the handler
/// @retval 0 registered
/// @retval -1 the handler is null or the list is full
QX_API int32_t register_exit_handler(void (*handler)());

}  // namespace qx
