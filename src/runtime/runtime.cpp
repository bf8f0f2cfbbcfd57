#include "runtime/runtime.h"

#include <cstdlib>

#include "runtime/console_backend.h"
#include "runtime/devices.h"

namespace qx {

int32_t runtime_argc = 0;
char** runtime_argv = nullptr;

namespace {

// Operations run at start and at end; this program registers none.
struct ModuleHooks {
    static constexpr int32_t CAPACITY = 16;
    void (*init[CAPACITY])();
    int32_t init_count;
    void (*exit[CAPACITY])();
    int32_t exit_count;
};

ModuleHooks module_hooks{};

}  // namespace

int32_t add_module_init_hook(void (*hook)()) {
    if (!hook || module_hooks.init_count == ModuleHooks::CAPACITY) return -1;
    module_hooks.init[module_hooks.init_count++] = hook;
    return 0;
}

int32_t add_module_exit_hook(void (*hook)()) {
    if (!hook || module_hooks.exit_count == ModuleHooks::CAPACITY) return -1;
    module_hooks.exit[module_hooks.exit_count++] = hook;
    return 0;
}

// x86-64 has no precision control of the old kind: arithmetic is plain double, so the
// floating-point step of the console set-up has nothing to do here.
void runtime_init(int32_t argc, char** argv) {
    runtime_argc = argc;
    runtime_argv = argv;
    clear_device_table();
    console_platform_init();
}

void run_module_init_hooks() {
    for (int32_t i = 0; i < module_hooks.init_count; ++i)
        module_hooks.init[i]();
}

void runtime_end(int32_t exit_code) {
    for (int32_t i = 0; i < module_hooks.exit_count; ++i)
        module_hooks.exit[i]();
    std::exit(exit_code);
}

int32_t register_exit_handler(void (*handler)()) {
    return handler && std::atexit(handler) == 0 ? 0 : -1;
}

}  // namespace qx
