#include "runtime/console_backend.h"

#include "runtime/console_output.h"

namespace qx {

namespace {

const ConsoleBackend* backend = &TERMINAL_CONSOLE;  // program thread only

}  // namespace

const ConsoleBackend* console_backend() {
    return backend;
}

void set_console_backend(const ConsoleBackend* new_backend) {
    backend = new_backend ? new_backend : &TERMINAL_CONSOLE;
    reset_console_output();
}

}  // namespace qx
