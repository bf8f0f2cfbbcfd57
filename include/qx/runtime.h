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
QX_API void runtime_init(int32_t argc, char** argv);
/// Runs the hooks added by add_module_init_hook; call it right after runtime_init.
QX_API void run_module_init_hooks();
/// Runs the module exit hooks, then the exit handlers newest first (closing an open screen and
/// restoring the console); the process ends with exit_code.
[[noreturn]] QX_API void runtime_end(int32_t exit_code);

/// The code the last operation that reports one left: 0 success, 1 a refused argument or
/// request (a bad size or mode, no driver), 4 a line input that could not create its text.
QX_API int32_t runtime_error();
/// The reason of the last failure (which driver failed and why, for a screen), "" before any.
/// A later success leaves it as it was, so it answers "why" once an operation has reported
/// failure. Program thread only, like the code.
QX_API const char* error_text();

///@{
/// Module hooks, run by run_module_init_hooks and runtime_end. Return 0, or -1 when the list
/// is full or the hook is null.
QX_API int32_t add_module_init_hook(void (*hook)());
QX_API int32_t add_module_exit_hook(void (*hook)());
///@}

/// Registers a handler run at process exit, newest first. Returns 0, or -1 for a null handler
/// or a full list.
QX_API int32_t register_exit_handler(void (*handler)());

}  // namespace qx
