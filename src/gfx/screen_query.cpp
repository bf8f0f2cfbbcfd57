// What a program may ask of the open screen and its driver without reaching into their records.
#include <cstdint>

#include "gfx/coordinates.h"
#include "gfx/driver/display_driver.h"
#include "gfx/pixel_ops.h"
#include "gfx/screen.h"

namespace qx {

int32_t screen_info(ScreenInfo* info) {
    const ScreenContext* s = screen;
    if (s == nullptr || info == nullptr) return -1;
    *info = ScreenInfo{
        .width = s->width,
        .height = s->height,
        .depth = s->depth,
        .mode = s->mode,
        .pages = s->page_count,
        .text_cols = s->text_cols,
        .text_rows = s->text_rows,
        .refresh_rate = s->refresh_rate,
        .driver = s->driver != nullptr ? s->driver->name : "",
    };
    return 0;
}

int64_t read_pixel(int32_t x, int32_t y) {
    if (screen == nullptr) return -1;
    prepare_target(nullptr);
    if (x < 0 || y < 0 || x >= screen->width || y >= screen->height) return -1;
    begin_draw();
    const uint32_t pixel = pixel_ops.get_pixel(x, y);
    end_draw();
    return pixel;
}

int32_t* fetch_display_modes(int32_t depth, int32_t* count) {
    int32_t none = 0;
    if (count == nullptr) count = &none;
    *count = 0;
    if (screen == nullptr || screen->driver == nullptr || screen->driver->fetch_modes == nullptr)
        return nullptr;
    int32_t* modes = screen->driver->fetch_modes(depth, count);
    if (modes == nullptr) *count = 0;
    return modes;
}

int32_t flip_screen() {
    if (screen == nullptr || screen->driver == nullptr || screen->driver->flip == nullptr)
        return -1;
    screen->driver->flip();
    return 0;
}

}  // namespace qx
