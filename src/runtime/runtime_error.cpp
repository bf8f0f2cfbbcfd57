#include "runtime/runtime.h"

namespace qx {

namespace {

// Created zeroed on first use, as the runtime context record.
struct RuntimeContext {
    int32_t error;  // code left by the last operation that set one; 0 success
};

RuntimeContext& runtime_context() {
    static RuntimeContext context{};
    return context;
}

}  // namespace

int32_t set_runtime_error(int32_t code) {
    return runtime_context().error = code;
}

int32_t runtime_error() {
    return runtime_context().error;
}

}  // namespace qx
