#include "gfx/graphics_text_hooks.h"

#include "gfx/palette.h"

namespace qx {

extern const TextHooks GRAPHICS_TEXT_HOOKS = {
    .key_text_hook = nullptr,
    .wait_key_hook = nullptr,
    .key_waiting_hook = nullptr,
    .clear_hook = nullptr,
    .color_hook = set_color,
    .locate_hook = nullptr,
    .width_hook = nullptr,
    .get_column_hook = nullptr,
    .get_row_hook = nullptr,
    .get_position_hook = nullptr,
    .get_size_hook = nullptr,
    .print_hook = nullptr,
    .print_wide_hook = nullptr,
    .read_string_hook = nullptr,
    .key_state_hook = nullptr,
    .get_mouse_hook = nullptr,
    .set_mouse_hook = nullptr,
    .port_in_hook = dac_in,
    .port_out_hook = dac_out,
    .view_update_hook = nullptr,
    .line_input_hook = nullptr,
    .line_input_wide_hook = nullptr,
    .read_cell_hook = nullptr,
    .sleep_hook = nullptr,
};

}  // namespace qx
