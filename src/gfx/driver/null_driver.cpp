#include "gfx/driver/display_driver.h"

namespace qx {

namespace {

// No window: drawing works on the framebuffer alone, so there is no lock (drawing skips the
// call) and the palette has no one to tell.
void null_set_palette(int32_t, int32_t, int32_t, int32_t) {}

}  // namespace

extern const DisplayDriver NULL_DRIVER = {
    .name = "Null",
    .init = nullptr,
    .exit = nullptr,
    .lock = nullptr,
    .unlock = nullptr,
    .set_palette = null_set_palette,
    .wait_vsync = nullptr,
    .get_mouse = nullptr,
    .set_mouse = nullptr,
    .set_window_title = nullptr,
    .fetch_modes = nullptr,
    .flip = nullptr,
};

}  // namespace qx
