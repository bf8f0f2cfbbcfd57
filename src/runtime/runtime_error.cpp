#include <cstdarg>

#include "runtime/diagnostics.h"
#include "runtime/runtime.h"

namespace qx {

namespace {

// Room for every driver's reason after a failed screen open; longer texts are cut.
constexpr size_t ERROR_TEXT_CAPACITY = 512;

// Created zeroed on first use, as the runtime context record.
struct RuntimeContext {
    int32_t error;                   // code left by the last operation that set one; 0 success
    char text[ERROR_TEXT_CAPACITY];  // reason of the last failure
};

RuntimeContext& runtime_context() {
    static RuntimeContext context{};
    return context;
}

const char* code_meaning(int32_t code) {
    switch (code) {
        case 1:
            return "argument or request refused";
        case 4:
            return "no memory for the input text";
        default:
            return nullptr;
    }
}

}  // namespace

int32_t set_runtime_error(int32_t code) {
    RuntimeContext& context = runtime_context();
    if (code == 0) return context.error = 0;
    if (const char* meaning = code_meaning(code)) {
        format_text(context.text, sizeof context.text, "%s", meaning);
    } else {
        format_text(context.text, sizeof context.text, "error %d", code);
    }
    return context.error = code;
}

int32_t set_runtime_error(int32_t code, const char* format, ...) {
    RuntimeContext& context = runtime_context();
    va_list arguments;
    va_start(arguments, format);
    vformat_text(context.text, sizeof context.text, format, arguments);
    va_end(arguments);
    return context.error = code;
}

int32_t runtime_error() {
    return runtime_context().error;
}

const char* error_text() {
    return runtime_context().text;
}

}  // namespace qx
