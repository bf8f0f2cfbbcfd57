// TextHooks: the 24 slots through which every text and key statement reaches the console
// (slot null) or the open graphics screen. Opening a screen assigns the whole record,
// closing resets it to {}. Each router reads its slot, calls it if set, else the console
// default. Program thread only.
#pragma once

#include <cstdint>

#include <qx/console.h>
#include <qx/keys.h>
#include <qx/timer.h>

#include "runtime/half_api.h"
#include "runtime/key_code.h"
#include "runtime/rtstring.h"

namespace qx {

struct TextHooks {
    KeyText (*key_text_hook)();                                               // 0
    int32_t (*wait_key_hook)();                                               // 1
    int32_t (*key_waiting_hook)();                                            // 2
    void (*clear_hook)(int32_t mode);                                         // 3
    int32_t (*color_hook)(int32_t fg, int32_t bg);                            // 4
    int32_t (*locate_hook)(int32_t row, int32_t column, int32_t visibility);  // 5
    int32_t (*width_hook)(int32_t columns, int32_t rows);                     // 6
    int32_t (*get_column_hook)();                                             // 7, 1-based
    int32_t (*get_row_hook)();                                                // 8, 1-based
    void (*get_position_hook)(int32_t* column, int32_t* row);  // 9, either may be null
    void (*get_size_hook)(int32_t* columns, int32_t* rows);    // 10, either may be null
    void (*print_hook)(const unsigned char* text, int32_t length, int32_t mask);          // 11
    void (*print_wide_hook)(const uint16_t* text, int32_t length, int32_t mask);          // 12
    char* (*read_string_hook)(char* buffer, int32_t size);                                // 13
    int32_t (*key_state_hook)(int32_t scan_code);                                         // 14
    int32_t (*get_mouse_hook)(int32_t* x, int32_t* y, int32_t* wheel, int32_t* buttons);  // 15
    int32_t (*set_mouse_hook)(int32_t x, int32_t y, int32_t cursor);                      // 16
    int32_t (*port_in_hook)(int32_t port);                                                // 17
    int32_t (*port_out_hook)(int32_t port, int32_t value);                                // 18
    void (*view_update_hook)();                                                           // 19
    int32_t (*line_input_hook)(const Rtstring* prompt, Rtstring* destination,
                               int32_t destination_size, int32_t fill, int32_t add_question,
                               int32_t add_newline);  // 20
    int32_t (*line_input_wide_hook)(const Rtwstring* prompt, Rtwstring* destination,
                                    int32_t destination_size, int32_t fill, int32_t add_question,
                                    int32_t add_newline);                        // 21
    int32_t (*read_cell_hook)(int32_t column, int32_t row, int32_t want_color);  // 22
    void (*sleep_hook)(int32_t milliseconds);  // 23, -1 waits for a key
};
static_assert(sizeof(TextHooks) == 24 * sizeof(void (*)()), "TextHooks has 24 slots");

extern QX_HALF_API TextHooks text_hooks;

// Routers of the slots that have a console default (the others are public: console.h,
// keys.h, timer.h).
void text_print(const unsigned char* text, int32_t length, int32_t mask);
void text_print_wide(const uint16_t* text, int32_t length, int32_t mask);
void text_view_update();

}  // namespace qx
