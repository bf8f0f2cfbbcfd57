// "DirectX": the framebuffer through a MIT-SHM image, in a window or full screen. Full screen
// searches the display's mode list for the screen's size and centres the picture in a window
// covering the display; the real display mode is left as it is.
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "gfx/driver/blitter.h"
#include "gfx/driver/display_driver.h"
#include "gfx/driver/display_modes.h"
#include "gfx/screen.h"
#include "gfx/x11/window_layer.h"
#include "gfx/x11/x11_api.h"
#include "gfx/x11/xrandr_api.h"
#include "gfx/x11/xshm_api.h"
#include "runtime/timer.h"

namespace qx {

namespace {

constexpr int64_t MAX_IMAGE_BYTES = int64_t{1} << 30;
constexpr int32_t MAP_WAIT_STEPS = 200;  // x 5 ms: how long a new window may take to appear

// Created on the update thread by create_window, released by destroy_window.
struct ShmSurface {
    XImage* image;  // width x height display rows in the visual's format, in the segment
    XShmSegmentInfo segment;
    bool attached;
    GC gc;
    int32_t x, y;       // where the picture's first row sits in the window
    RowBand converted;  // rows converted and not sent yet
};
ShmSurface surface{};

DisplayMode display_modes[XRANDR_MODE_CAPACITY];

// Sends display rows top..top+count-1; the server has read them when this returns, so the
// next frame may write the segment again.
void present_rows(int32_t top, int32_t count) {
    if (surface.image == nullptr || window_connection_lost()) return;
    xshm.XShmPutImage(window_state.display, window_state.window, surface.gc, surface.image, 0, top,
                      surface.x, surface.y + top, static_cast<unsigned>(window_state.width),
                      static_cast<unsigned>(count), False);
    x11.XSync(window_state.display, False);
}

// The paint hook: an expose shows the whole picture again.
void directx_present() {
    present_rows(0, window_state.height);
}

void directx_destroy_window() {
    Display* display = window_state.display;
    const bool alive = display != nullptr && !window_connection_lost();
    if (surface.attached && alive) xshm.XShmDetach(display, &surface.segment);
    if (surface.segment.shmaddr != nullptr) shmdt(surface.segment.shmaddr);
    if (surface.image != nullptr) {
        surface.image->data = nullptr;  // the segment is not Xlib's to free
        XDestroyImage(surface.image);
    }
    if (alive) {
        if (surface.gc != nullptr) x11.XFreeGC(display, surface.gc);
        if (window_state.window != None) x11.XDestroyWindow(display, window_state.window);
        x11.XFlush(display);
    }
    window_state.window = None;
    surface = ShmSurface{};
}

// The segment is private and marked for removal right after attaching, so it goes away with
// the process whatever happens; an attach the server refuses (a remote display) fails here.
int32_t attach_shared_image(Display* display, Visual* visual, int32_t visual_depth) {
    surface.image = xshm.XShmCreateImage(
        display, visual, static_cast<unsigned>(visual_depth), ZPixmap, nullptr, &surface.segment,
        static_cast<unsigned>(window_state.width), static_cast<unsigned>(window_state.height));
    if (surface.image == nullptr) return driver_refusal("XShmCreateImage failed");
    const int64_t bytes = int64_t{surface.image->bytes_per_line} * surface.image->height;
    if (surface.image->bytes_per_line <= 0 || bytes > MAX_IMAGE_BYTES) {
        return driver_refusal("a %dx%d shared image needs %lld bytes, more than %lld",
                              window_state.width, window_state.height,
                              static_cast<long long>(bytes),
                              static_cast<long long>(MAX_IMAGE_BYTES));
    }
    surface.segment.shmid = shmget(IPC_PRIVATE, static_cast<size_t>(bytes), IPC_CREAT | 0600);
    if (surface.segment.shmid < 0) {
        return driver_refusal("no shared memory segment of %lld bytes (%s)",
                              static_cast<long long>(bytes), std::strerror(errno));
    }
    void* address = shmat(surface.segment.shmid, nullptr, 0);
    if (address == reinterpret_cast<void*>(-1)) {
        const int error = errno;
        shmctl(surface.segment.shmid, IPC_RMID, nullptr);
        return driver_refusal("cannot map the shared memory segment (%s)", std::strerror(error));
    }
    surface.segment.shmaddr = surface.image->data = static_cast<char*>(address);
    surface.segment.readOnly = False;
    x11_error_begin();
    const Bool attached = xshm.XShmAttach(display, &surface.segment);
    const int32_t error = x11_error_end(display);
    shmctl(surface.segment.shmid, IPC_RMID, nullptr);
    surface.attached = attached && error == 0;
    if (surface.attached) return 0;
    char name[64];
    return driver_refusal("the X server at %s refused the shared memory (%s; a remote display?)",
                          DisplayString(display),
                          x11_error_name(display, error, name, sizeof name));
}

// Full screen: the screen's size must fit a listed mode (heights raised as needed); the window
// covers the display and the picture is centred in it. -1 without XRandR or a fitting mode.
int32_t full_screen_placement(Display* display, int32_t* x, int32_t* y) {
    if (xrandr_load() != 0) return driver_refusal("cannot load %s", XRANDR_LIBRARY);
    const int32_t found = xrandr_read_modes(display, display_modes, XRANDR_MODE_CAPACITY);
    if (found <= 0) return driver_refusal("no XRandR mode list on %s", DisplayString(display));
    DisplayModeList list{display_modes, found};
    ModeChoice choice{};
    if (search_display_mode(window_state.width, window_state.height, window_state.depth,
                            window_state.refresh_rate, attempt_listed_mode, &list, &choice) != 0) {
        return driver_refusal("no XRandR mode of %s fits %dx%d for full screen",
                              DisplayString(display), window_state.width, window_state.height);
    }
    const int number = DefaultScreen(display);
    *x = (DisplayWidth(display, number) - window_state.width) / 2;
    *y = (DisplayHeight(display, number) - choice.mode.height) / 2 + choice.y_offset;
    return 0;
}

// Shows the window and gives it the focus once the server has mapped it.
void show_window(Display* display, bool full_screen) {
    if (full_screen) {
        const Atom state = x11.XInternAtom(display, "_NET_WM_STATE", False);
        const Atom full = x11.XInternAtom(display, "_NET_WM_STATE_FULLSCREEN", False);
        x11.XChangeProperty(display, window_state.window, state, XA_ATOM, 32, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(&full), 1);
    }
    x11.XMapRaised(display, window_state.window);
    XEvent event;
    for (int32_t step = 0; step < MAP_WAIT_STEPS; ++step) {
        if (x11.XCheckTypedWindowEvent(display, window_state.window, MapNotify, &event)) break;
        nap_ms(5);
    }
    x11_error_begin();
    x11.XSetInputFocus(display, window_state.window, RevertToParent, CurrentTime);
    x11_error_end(display);
}

int32_t directx_create_window() {
    surface = ShmSurface{};
    Display* display = window_state.display;
    if (display == nullptr || screen == nullptr) return -1;
    if (xshm_load() != 0) return driver_refusal("cannot load %s", XSHM_LIBRARY);
    if (!xshm.XShmQueryExtension(display)) {
        return driver_refusal("no MIT-SHM extension on %s", DisplayString(display));
    }
    const int number = DefaultScreen(display);
    Visual* visual = DefaultVisual(display, number);
    const int visual_depth = DefaultDepth(display, number);
    if (visual->c_class != TrueColor) return refuse_visual(display);
    const bool full_screen = (window_state.flags & SCREEN_FULLSCREEN) != 0;
    int32_t x = (DisplayWidth(display, number) - window_state.width) >> 1;
    int32_t y = (DisplayHeight(display, number) - window_state.height) >> 1;
    int32_t window_width = window_state.width, window_height = window_state.height;
    if (full_screen) {
        if (full_screen_placement(display, &surface.x, &surface.y) != 0) return -1;
        x = y = 0;
        window_width = DisplayWidth(display, number);
        window_height = DisplayHeight(display, number);
    }
    window_state.picture_x = surface.x;
    window_state.picture_y = surface.y;
    if (attach_shared_image(display, visual, visual_depth) != 0) return -1;
    const int32_t display_depth = window_display_depth(visual, surface.image->bits_per_pixel);
    // A switch rebuilds the window on the same visual, so the first choice still fits; choosing
    // again on this thread would read screen flags the program may be changing.
    if (window_state.blitter == nullptr && display_depth != 0) {
        window_state.blitter = select_blitter(display_depth, visual->red_mask < visual->blue_mask);
    }
    if (display_depth == 0 || window_state.blitter == nullptr) return refuse_visual(display);

    // The maximise box stays unless switching is off: maximising then goes full screen.
    const bool resizable = !full_screen && !(window_state.flags & SCREEN_NO_SWITCH);
    if (create_image_window(x, y, window_width, window_height, resizable, &surface.gc) != 0) {
        return -1;
    }
    show_window(display, full_screen);
    finish_image_window();
    return 0;
}

// Converts the dirty rows into the shared image and sends the band that changed. An inactive
// full-screen picture is left alone.
void directx_frame_update() {
    if (window_state.active == 0 && (window_state.flags & SCREEN_FULLSCREEN)) return;
    surface.converted = convert_dirty_rows(surface.image);  // sent by the present that follows
}

void directx_frame_present() {
    const RowBand band = surface.converted;
    surface.converted = {0, 0};
    if (band.count != 0) present_rows(band.top, band.count);
}

int32_t directx_init(const char* title, int32_t width, int32_t height, int32_t depth,
                     int32_t refresh_rate, int32_t flags) {
    constexpr ImageDriverHooks hooks = {
        .create_window = directx_create_window,
        .destroy_window = directx_destroy_window,
        .paint = directx_present,
        .frame_update = directx_frame_update,
        .frame_present = directx_frame_present,
    };
    return open_image_driver(hooks, title, width, height, depth, refresh_rate, flags);
}

int32_t* directx_fetch_modes(int32_t depth, int32_t* count) {
    return xrandr_fetch_modes(depth, count);
}

}  // namespace

extern const DisplayDriver DIRECTX_DRIVER = {
    .name = "DirectX",
    .init = directx_init,
    .exit = close_window_layer,
    .lock = window_lock,
    .unlock = window_unlock,
    .set_palette = window_set_palette,
    .wait_vsync = window_wait_vsync,  // sleeps one refresh of the measured rate
    .get_mouse = window_get_mouse,
    .set_mouse = window_set_mouse,
    .set_window_title = window_set_title,
    .fetch_modes = directx_fetch_modes,
    .flip = nullptr,
};

}  // namespace qx
