#include "gfx/graphics_input.h"

#include <cstdlib>
#include <cstring>

#include "gfx/driver/display_driver.h"
#include "gfx/graphics_keys.h"
#include "gfx/graphics_text.h"
#include "gfx/screen.h"
#include "runtime/key_queue.h"
#include "runtime/line_input.h"
#include "runtime/runtime.h"

namespace qx {

namespace {

constexpr int32_t CODE_BELL = 7;

void print_bytes(const unsigned char* bytes, int32_t count) {
    graphics_print_buffer(bytes, count, 0);
}

void print_byte(unsigned char byte) {
    print_bytes(&byte, 1);
}

// One cell back, to the end of the row above from the first column.
void cursor_back() {
    if (screen->text_cols < 1) return;
    if (--screen->cursor_col < 0) {
        screen->cursor_col = screen->text_cols - 1;
        --screen->cursor_row;
    }
}

// The cursor stands on the block after the last character: the block moves back over that
// character and a space covers the old block. Above the top row only the block is shown.
void erase_last_character() {
    cursor_back();
    if (screen->cursor_row < 0) {
        screen->cursor_col = 0;
        screen->cursor_row = 0;
        print_byte(BLOCK_CURSOR);
        cursor_back();
        return;
    }
    const unsigned char block_and_space[] = {BLOCK_CURSOR, ' '};
    print_bytes(block_and_space, 2);
    cursor_back();
    cursor_back();
}

void free_text(Rtwstring* text) {
    std::free(text->data);
    *text = Rtwstring{};
}

// Units up to 255 as bytes, others as "?" (what graphics printing shows for them).
bool narrow_prompt(const Rtwstring* prompt, Rtstring* out) {
    *out = Rtstring{};
    if (prompt == nullptr || prompt->length <= 0 || prompt->data == nullptr) return true;
    out->data = static_cast<char*>(std::malloc(static_cast<size_t>(prompt->length)));
    if (out->data == nullptr) return false;
    int32_t count = 0;
    for (int32_t k = 0; k < prompt->length; ++k) {
        const uint16_t unit = prompt->data[k];
        out->data[count++] = unit <= 255 ? static_cast<char>(unit) : '?';
        if (unit >= 0xD800 && unit <= 0xDBFF && k + 1 < prompt->length) ++k;
    }
    out->length = count;
    return true;
}

// Stores the typed line: a dynamic text takes it whole; a fixed one keeps its first units,
// padded with fill. Returns false when memory runs out (nothing assigned then).
bool assign_wide(Rtwstring* destination, int32_t destination_size, int32_t fill,
                 const Rtstring& line) {
    if (destination_size > 0) {
        if (destination->data == nullptr) return true;
        const int32_t kept = line.length < destination_size ? line.length : destination_size;
        for (int32_t k = 0; k < kept; ++k)
            destination->data[k] = static_cast<unsigned char>(line.data[k]);
        for (int32_t k = kept; k < destination_size; ++k)
            destination->data[k] = static_cast<uint16_t>(fill);
        destination->length = destination_size;
        return true;
    }
    Rtwstring text{};
    if (line.length > 0) {
        text.data = static_cast<uint16_t*>(
            std::malloc(static_cast<size_t>(line.length) * sizeof(uint16_t)));
        if (text.data == nullptr) return false;
        for (int32_t k = 0; k < line.length; ++k)
            text.data[k] = static_cast<unsigned char>(line.data[k]);
        text.length = line.length;
    }
    free_text(destination);
    *destination = text;
    return true;
}

}  // namespace

char* graphics_read_line(char* buffer, int32_t size) {
    if (screen == nullptr || buffer == nullptr || size < 1) return nullptr;
    int32_t count = 0;
    // As in the line editor: a close kept from before waits for the program, one that comes
    // now ends the line, and either is handed on.
    bool close_seen = take_close_pending() != 0;
    for (;;) {
        print_byte(BLOCK_CURSOR);
        cursor_back();
        const int32_t code = graphics_wait_key();
        if (code == KEY_CLOSE) {
            close_seen = true;
            print_byte(' ');  // no block left behind
            cursor_back();
            break;
        }
        if (code > 255 || code < 0 || code == CODE_BELL) continue;
        if (code == KEY_BACKSPACE) {
            if (count > 0) {
                --count;
                erase_last_character();
            }
            continue;
        }
        if (count >= size - 1) {
            if (code == KEY_ENTER) break;
            continue;
        }
        if (code == KEY_ENTER) {
            print_byte(' ');
            cursor_back();
        }
        buffer[count++] = static_cast<char>(code);
        print_byte(static_cast<unsigned char>(code));
        if (code == KEY_ENTER) break;
    }
    if (close_seen) keep_close_pending();
    buffer[count] = 0;
    return buffer;
}

int32_t graphics_line_input(const Rtstring* prompt, Rtstring* destination, int32_t destination_size,
                            int32_t fill, int32_t add_question, int32_t add_newline) {
    return line_input_via_hooks(prompt, destination, destination_size, fill, add_question,
                                add_newline);
}

int32_t graphics_line_input_wide(const Rtwstring* prompt, Rtwstring* destination,
                                 int32_t destination_size, int32_t fill, int32_t add_question,
                                 int32_t add_newline) {
    Rtstring narrow{};
    if (!narrow_prompt(prompt, &narrow)) return set_runtime_error(4);
    Rtstring line{};
    const int32_t result = line_input_via_hooks(prompt != nullptr ? &narrow : nullptr, &line, -1, 0,
                                                add_question, add_newline);
    std::free(narrow.data);
    const bool assigned =
        destination == nullptr || assign_wide(destination, destination_size, fill, line);
    std::free(line.data);
    if (!assigned) return set_runtime_error(4);
    return result;
}

int32_t graphics_get_mouse(int32_t* x, int32_t* y, int32_t* wheel, int32_t* buttons) {
    int32_t values[4] = {-1, -1, -1, -1};
    int32_t result = -1;
    if (screen != nullptr && screen->driver != nullptr && screen->driver->get_mouse != nullptr) {
        begin_draw();
        result = screen->driver->get_mouse(&values[0], &values[1], &values[2], &values[3]);
        end_draw();
        if (result != 0) values[0] = values[1] = values[2] = values[3] = -1;
    }
    int32_t* outputs[4] = {x, y, wheel, buttons};
    for (int k = 0; k < 4; ++k)
        if (outputs[k] != nullptr) *outputs[k] = values[k];
    return result == 0 ? 0 : set_runtime_error(1);
}

int32_t graphics_set_mouse(int32_t x, int32_t y, int32_t cursor) {
    if (screen == nullptr || screen->driver == nullptr || screen->driver->set_mouse == nullptr)
        return set_runtime_error(1);
    begin_draw();
    screen->driver->set_mouse(x, y, cursor);
    end_draw();
    return 0;
}

}  // namespace qx
