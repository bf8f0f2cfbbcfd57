#include "gfx/driver/display_driver.h"

namespace qx {

namespace {

// The window body of this driver is not built yet: it always refuses to open.
int32_t opengl_init(const char*, int32_t, int32_t, int32_t, int32_t, int32_t) { return -1; }

}  // namespace

extern const DisplayDriver OPENGL_DRIVER = {
    .name = "OpenGL",
    .init = opengl_init,
    .exit = nullptr,
    .lock = nullptr,
    .unlock = nullptr,
    .set_palette = nullptr,
    .wait_vsync = nullptr,
    .get_mouse = nullptr,
    .set_mouse = nullptr,
    .set_window_title = nullptr,
    .fetch_modes = nullptr,
    .flip = nullptr,
};

}  // namespace qx
