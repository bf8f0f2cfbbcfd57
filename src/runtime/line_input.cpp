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

// A view of a zero-terminated prompt: the line input only reads it.
Rtstring prompt_text(const char* prompt) {
    return Rtstring{const_cast<char*>(prompt), static_cast<int32_t>(std::strlen(prompt))};
}

bool is_blank(char c) {
    return c == ' ' || c == '\t';
}

// A whole decimal number in the 32-bit range, blanks around it allowed.
bool parse_whole_number(const Rtstring& line, int32_t* value) {
    int32_t first = 0, end = line.length;
    while (first < end && is_blank(line.data[first]))
        ++first;
    while (end > first && is_blank(line.data[end - 1]))
        --end;
    const bool negative = first < end && line.data[first] == '-';
    if (first < end && (line.data[first] == '-' || line.data[first] == '+')) ++first;
    if (first == end) return false;
    constexpr int64_t LIMIT = int64_t{INT32_MAX} + 1;
    int64_t magnitude = 0;
    for (int32_t k = first; k < end; ++k) {
        const char c = line.data[k];
        if (c < '0' || c > '9') return false;
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > LIMIT) return false;
    }
    const int64_t signed_value = negative ? -magnitude : magnitude;
    if (signed_value > INT32_MAX) return false;
    *value = static_cast<int32_t>(signed_value);
    return true;
}

}  // namespace

void input_prompt(const char* prompt, int32_t add_question, int32_t add_newline) {
    if (prompt == nullptr)
        return input_prompt(static_cast<const Rtstring*>(nullptr), add_question, add_newline);
    const Rtstring text = prompt_text(prompt);
    input_prompt(&text, add_question, add_newline);
}

int32_t text_line_input(const char* prompt, Rtstring* destination, int32_t destination_size,
                        int32_t fill, int32_t add_question, int32_t add_newline) {
    if (prompt == nullptr) {
        return text_line_input(static_cast<const Rtstring*>(nullptr), destination, destination_size,
                               fill, add_question, add_newline);
    }
    const Rtstring text = prompt_text(prompt);
    return text_line_input(&text, destination, destination_size, fill, add_question, add_newline);
}

int32_t input_number(const char* prompt, int32_t* value) {
    Rtstring line{};
    const int32_t error = text_line_input(prompt, &line, -1, 0, 0, 1);
    int32_t number = 0;
    const bool whole = error == 0 && parse_whole_number(line, &number);
    std::free(line.data);
    set_runtime_error(error);
    if (!whole) return 1;
    if (value != nullptr) *value = number;
    return 0;
}

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
