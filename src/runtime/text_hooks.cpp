#include "runtime/text_hooks.h"

#include "runtime/console_output.h"

namespace qx {

TextHooks text_hooks{};

int32_t text_get_column() {
    return text_hooks.get_column_hook ? text_hooks.get_column_hook() : console_get_column();
}

void text_get_position(int32_t* column, int32_t* row) {
    if (text_hooks.get_position_hook) return text_hooks.get_position_hook(column, row);
    console_get_xy(column, row);
}

void text_get_size(int32_t* columns, int32_t* rows) {
    if (text_hooks.get_size_hook) return text_hooks.get_size_hook(columns, rows);
    console_get_size(columns, rows);
}

void text_print(const unsigned char* text, int32_t length, int32_t mask) {
    if (text_hooks.print_hook) return text_hooks.print_hook(text, length, mask);
    console_print_buffer(text, length, mask);
}

void text_print_wide(const uint16_t* text, int32_t length, int32_t mask) {
    if (text_hooks.print_wide_hook) return text_hooks.print_wide_hook(text, length, mask);
    console_print_buffer_wide(text, length, mask);
}

int32_t set_color(int32_t fg, int32_t bg) {
    return text_hooks.color_hook ? text_hooks.color_hook(fg, bg) : console_set_color(fg, bg);
}

void clear_screen(int32_t mode) {
    if (text_hooks.clear_hook) return text_hooks.clear_hook(mode);
    console_clear(mode);
}

void text_view_update() {
    if (text_hooks.view_update_hook) return text_hooks.view_update_hook();
    console_view_update();
}

}  // namespace qx
