#include "gfx/graphics_text_hooks.h"

#include "gfx/graphics_input.h"
#include "gfx/graphics_keys.h"
#include "gfx/graphics_text.h"
#include "gfx/palette.h"

namespace qx {

extern const TextHooks GRAPHICS_TEXT_HOOKS = {
    .key_text_hook = graphics_key_text,
    .wait_key_hook = graphics_wait_key,
    .key_waiting_hook = graphics_key_waiting,
    .clear_hook = graphics_clear,
    .color_hook = graphics_set_color,
    .locate_hook = graphics_locate,
    .width_hook = graphics_width,
    .get_column_hook = graphics_get_column,
    .get_row_hook = graphics_get_row,
    .get_position_hook = graphics_get_xy,
    .get_size_hook = graphics_get_size,
    .print_hook = graphics_print_buffer,
    .print_wide_hook = graphics_print_buffer_wide,
    .read_string_hook = graphics_read_line,
    .key_state_hook = graphics_key_state,
    .get_mouse_hook = graphics_get_mouse,
    .set_mouse_hook = graphics_set_mouse,
    .port_in_hook = dac_in,
    .port_out_hook = dac_out,
    .view_update_hook = graphics_view_update,
    .line_input_hook = graphics_line_input,
    .line_input_wide_hook = graphics_line_input_wide,
    .read_cell_hook = graphics_read_cell,
    .sleep_hook = graphics_sleep,
};

}  // namespace qx
