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

// Stores the runtime error code and returns it.
int32_t set_runtime_error(int32_t code);
int32_t runtime_error();

// Module hook lists, run by run_module_init_hooks and runtime_end; -1 when full or null.
int32_t add_module_init_hook(void (*hook)());
int32_t add_module_exit_hook(void (*hook)());

// Registers a handler run at process exit, newest first (atexit); returns 0 on success,
// -1 for a null handler or a full list.
int32_t register_exit_handler(void (*handler)());

}  // namespace qx
