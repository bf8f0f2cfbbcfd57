// Runtime start-up and end, the runtime error code and the exit-handler list.
#pragma once

#include <cstdint>

namespace qx {

extern int32_t runtime_argc;  // the command line as main received it
extern char** runtime_argv;

// Keeps argv, clears the device table, sets up the console (terminal mode only on a tty).
void runtime_init(int32_t argc, char** argv);
void run_module_init_hooks();
// Module exit hooks, then the exit handlers newest first; the process ends with exit_code.
[[noreturn]] void runtime_end(int32_t exit_code);

// Stores the runtime error code and returns it. A nonzero code without a reason gets a short
// text of what the code means.
int32_t set_runtime_error(int32_t code);
// Stores the code with its reason, printf-style (a reason too long for the text is cut and ends
// in "..."), and returns the code.
int32_t set_runtime_error(int32_t code, const char* format, ...)
    __attribute__((format(printf, 2, 3)));
int32_t runtime_error();
// The reason of the last failure, "" before any. A later success leaves it as it was (printing
// the reason must not erase it), so it answers "why" once an operation has reported failure.
// Program thread only, like the code.
const char* error_text();

// Module hook lists, run by run_module_init_hooks and runtime_end; -1 when full or null.
int32_t add_module_init_hook(void (*hook)());
int32_t add_module_exit_hook(void (*hook)());

// Registers a handler run at process exit, newest first (atexit); returns 0 on success,
// -1 for a null handler or a full list.
int32_t register_exit_handler(void (*handler)());

}  // namespace qx
