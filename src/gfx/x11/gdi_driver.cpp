// The "GDI" driver: the framebuffer in an ordinary fixed-size window, each frame's band of
// changed rows converted to the visual's format and sent with XPutImage.
#include <X11/Xutil.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "gfx/driver/blitter.h"
#include "gfx/driver/display_driver.h"
#include "gfx/screen.h"
#include "gfx/x11/window_layer.h"
#include "gfx/x11/x11_api.h"
#include "gfx/x11/xrandr_api.h"

namespace qx {

namespace {

// The converted picture, display rows of the visual's format. Created and freed on the
// update thread.
struct GdiSurface {
    XImage* image;
    GC gc;
    RowBand converted;  // rows converted and not sent yet
};
GdiSurface surface{};

constexpr int64_t MAX_IMAGE_BYTES = int64_t{1} << 30;

void gdi_destroy_window() {
    Display* display = window_state.display;
    if (surface.image != nullptr) {
        XDestroyImage(surface.image);  // frees the pixel buffer too
        surface.image = nullptr;
    }
    surface.converted = {0, 0};
    if (display == nullptr) return;
    if (surface.gc != nullptr) {
        x11.XFreeGC(display, surface.gc);
        surface.gc = nullptr;
    }
    if (window_state.window != None) {
        x11.XDestroyWindow(display, window_state.window);
        window_state.window = None;
    }
    x11.XFlush(display);
}

// The image the blitter converts into: the visual's format, every display row. Null, with the
// reason given, when it cannot be made.
XImage* create_image(Display* display, Visual* visual, int32_t visual_depth) {
    XImage* image = x11.XCreateImage(display, visual, static_cast<unsigned>(visual_depth), ZPixmap,
                                     0, nullptr, static_cast<unsigned>(window_state.width),
                                     static_cast<unsigned>(window_state.height), 32, 0);
    if (image == nullptr) {
        driver_refusal("XCreateImage failed");
        return nullptr;
    }
    int64_t bytes = int64_t{image->bytes_per_line} * window_state.height;
    if (image->bytes_per_line <= 0 || bytes > MAX_IMAGE_BYTES) {
        driver_refusal("a %dx%d image needs %lld bytes, more than %lld", window_state.width,
                       window_state.height, static_cast<long long>(bytes),
                       static_cast<long long>(MAX_IMAGE_BYTES));
        XDestroyImage(image);
        return nullptr;
    }
    image->data = static_cast<char*>(std::calloc(static_cast<size_t>(bytes), 1));
    if (image->data == nullptr) {
        driver_refusal("out of memory for a %dx%d image (%lld bytes)", window_state.width,
                       window_state.height, static_cast<long long>(bytes));
        XDestroyImage(image);
        return nullptr;
    }
    return image;
}

int32_t gdi_create_window() {
    if (window_state.flags & SCREEN_FULLSCREEN) {
        return driver_refusal("windows only, no full screen");
    }
    Display* display = window_state.display;
    if (display == nullptr || screen == nullptr) return -1;
    int number = DefaultScreen(display);
    Visual* visual = DefaultVisual(display, number);
    int visual_depth = DefaultDepth(display, number);
    if (visual->c_class != TrueColor) return refuse_visual(display);
    surface.image = create_image(display, visual, visual_depth);
    if (surface.image == nullptr) return -1;
    int32_t display_depth = window_display_depth(visual, surface.image->bits_per_pixel);
    if (display_depth != 0) {
        window_state.blitter = select_blitter(display_depth, visual->red_mask < visual->blue_mask);
    }
    if (display_depth == 0 || window_state.blitter == nullptr) return refuse_visual(display);

    const int32_t x = (DisplayWidth(display, number) - window_state.width) >> 1;
    const int32_t y = (DisplayHeight(display, number) - window_state.height) >> 1;
    if (create_image_window(x, y, window_state.width, window_state.height, false, &surface.gc) !=
        0) {
        return -1;
    }
    x11.XMapRaised(display, window_state.window);
    finish_image_window();
    return 0;
}

void gdi_frame_update() {
    surface.converted = convert_dirty_rows(surface.image);  // sent by the present that follows
}

void gdi_frame_present() {
    const RowBand band = surface.converted;
    surface.converted = {0, 0};
    if (band.count == 0 || surface.image == nullptr || window_connection_lost()) return;
    x11.XPutImage(window_state.display, window_state.window, surface.gc, surface.image, 0, band.top,
                  0, band.top, static_cast<unsigned>(window_state.width),
                  static_cast<unsigned>(band.count));
    x11.XFlush(window_state.display);
}

int32_t gdi_init(const char* title, int32_t width, int32_t height, int32_t depth,
                 int32_t refresh_rate, int32_t flags) {
    constexpr ImageDriverHooks hooks = {
        .create_window = gdi_create_window,
        .destroy_window = gdi_destroy_window,
        .paint = mark_all_rows_dirty,
        .frame_update = gdi_frame_update,
        .frame_present = gdi_frame_present,
    };
    return open_image_driver(hooks, title, width, height, depth, refresh_rate, flags);
}

}  // namespace

extern const DisplayDriver GDI_DRIVER = {
    .name = "GDI",
    .init = gdi_init,
    .exit = close_window_layer,
    .lock = window_lock,
    .unlock = window_unlock,
    .set_palette = window_set_palette,
    .wait_vsync = window_wait_vsync,
    .get_mouse = window_get_mouse,
    .set_mouse = window_set_mouse,
    .set_window_title = window_set_title,
    .fetch_modes = nullptr,
    .flip = nullptr,
};

}  // namespace qx
