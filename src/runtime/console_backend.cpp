#include "runtime/console_backend.h"

#include "runtime/console_output.h"

namespace qx {

namespace {

const ConsoleBackend* backend = &SYSTEM_CONSOLE;  // program thread only

}  // namespace

const ConsoleBackend* console_backend() {
    return backend;
}

void set_console_backend(const ConsoleBackend* new_backend) {
    backend = new_backend ? new_backend : &SYSTEM_CONSOLE;
    reset_console_output();
}

}  // namespace qx
