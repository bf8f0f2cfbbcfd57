#include "runtime/line_input.h"

#include <cstdlib>
#include <cstring>

#include "runtime/devices.h"
#include "runtime/runtime.h"
#include "runtime/text_hooks.h"

namespace qx {

namespace {

void assign_line(Rtstring* destination, int32_t destination_size, int32_t fill, Rtstring* text) {
    if (destination_size <= 0) {
        std::free(destination->data);
        *destination = *text;
        *text = Rtstring{};
        return;
    }
    // A fixed text keeps its first destination_size bytes, padded with fill.
    if (destination->data != nullptr) {
        int32_t kept = text->length < destination_size ? text->length : destination_size;
        if (kept > 0) std::memcpy(destination->data, text->data, static_cast<size_t>(kept));
        std::memset(destination->data + kept, fill, static_cast<size_t>(destination_size - kept));
        destination->length = destination_size;
    }
    std::free(text->data);
    *text = Rtstring{};
}

}  // namespace

void input_prompt(const Rtstring* prompt, int32_t add_question, int32_t add_newline) {
    console_device_enable_read();
    InputLineContext* context = input_line_context();
    context->source = nullptr;
    context->reserved = 0;
    context->read_position = 0;
    set_runtime_error(text_line_input(prompt, &context->line, -1, 0, add_question, add_newline));
}

int32_t line_input_via_hooks(const Rtstring* prompt, Rtstring* destination,
                             int32_t destination_size, int32_t fill, int32_t add_question,
                             int32_t add_newline) {
    text_print(nullptr, 0, PRINT_FORCE);  // carries out a postponed line advance first
    if (prompt != nullptr) {
        if (prompt->length > 0) {
            print_string(0, reinterpret_cast<const unsigned char*>(prompt->data), prompt->length,
                         0);
        }
        if (add_question) print_cstring(0, "? ", 0);
    }
    // The editor's cursor moves go through locate, which would set the device's column: the
    // typed text does not pass through the device, so its column stays where the prompt ended.
    DeviceRecord* device = console_device();
    int32_t prompt_end_column = device ? device->column : 0;
    Rtstring text{};
    edit_line(&text);
    if (device) device->column = prompt_end_column;
    if (add_newline) text_print(reinterpret_cast<const unsigned char*>("\r\n"), 2, 0);
    if (destination == nullptr) {
        std::free(text.data);
    } else {
        assign_line(destination, destination_size, fill, &text);
    }
    return set_runtime_error(0);
}

int32_t console_line_input(const Rtstring* prompt, Rtstring* destination, int32_t destination_size,
                           int32_t fill, int32_t add_question, int32_t add_newline) {
    return line_input_via_hooks(prompt, destination, destination_size, fill, add_question,
                                add_newline);
}

int32_t text_line_input(const Rtstring* prompt, Rtstring* destination, int32_t destination_size,
                        int32_t fill, int32_t add_question, int32_t add_newline) {
    if (text_hooks.line_input_hook) {
        return text_hooks.line_input_hook(prompt, destination, destination_size, fill, add_question,
                                          add_newline);
    }
    return console_line_input(prompt, destination, destination_size, fill, add_question,
                              add_newline);
}

}  // namespace qx
