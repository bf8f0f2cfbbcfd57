// "OpenGL": a window with a GLX context current on the program's thread. The program draws
// with GL itself; flip delivers key states and window events and swaps the buffers.
#include <X11/Xatom.h>

#include "gfx/driver/display_driver.h"
#include "gfx/screen.h"
#include "gfx/x11/glx_api.h"
#include "gfx/x11/window_layer.h"
#include "gfx/x11/x11_api.h"
#include "gfx/x11/xrandr_api.h"
#include "runtime/timer.h"

namespace qx {

namespace {

// The driver's own resources; the window and its connection live in window_state. Everything
// runs on the program's thread: there is no update thread, so flip is where events are read.
struct OpenGlState {
    Colormap colormap;
    GLXContext context;
    int32_t display_width, display_height;  // the desktop's
    bool mode_changed;                      // full screen switched the display's mode
    XrandrSavedMode desktop_mode;
};
OpenGlState gl;

// Full screen: the program draws the whole display, so the display switches to a listed size
// of exactly the screen's through XRandR (the desktop's own size needs no change).
int32_t enter_full_screen_mode() {
    const WindowState& w = window_state;
    if (gl.mode_changed || (w.width == gl.display_width && w.height == gl.display_height)) {
        return 0;
    }
    if (xrandr_load() != 0) return driver_refusal("cannot load %s", XRANDR_LIBRARY);
    if (xrandr_switch_mode(w.display, w.width, w.height, w.refresh_rate, &gl.desktop_mode) != 0) {
        return driver_refusal("no %dx%d display mode to switch to on %s", w.width, w.height,
                              DisplayString(w.display));
    }
    gl.mode_changed = true;
    return 0;
}

// The desktop's mode again, when the window leaves full screen or closes.
void leave_full_screen_mode() {
    if (!gl.mode_changed) return;
    gl.mode_changed = false;
    if (!window_connection_lost()) xrandr_restore_mode(window_state.display, gl.desktop_mode);
}

constexpr int32_t MAP_WAIT_STEPS = 200;  // x 5 ms: how long a new window may take to appear

// Places and shows the window, with the full-screen state or as a centred window, and gives it
// the focus once the server has mapped it.
void place_window(bool full_screen) {
    WindowState& w = window_state;
    Display* display = w.display;
    const Atom state = x11.XInternAtom(display, "_NET_WM_STATE", False);
    const Atom full = x11.XInternAtom(display, "_NET_WM_STATE_FULLSCREEN", False);
    const int32_t x = full_screen ? 0 : (gl.display_width - w.width) >> 1;
    const int32_t y = full_screen ? 0 : (gl.display_height - w.height) >> 1;
    x11.XUnmapWindow(display, w.window);
    if (full_screen) {
        x11.XChangeProperty(display, w.window, state, XA_ATOM, 32, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(&full), 1);
    } else {
        x11.XDeleteProperty(display, w.window, state);
    }
    describe_window(w.window, x, y, !full_screen && !(w.flags & SCREEN_NO_SWITCH));
    x11.XMoveResizeWindow(display, w.window, x, y, static_cast<unsigned>(w.width),
                          static_cast<unsigned>(w.height));
    x11.XMapRaised(display, w.window);
    XEvent event;
    for (int32_t step = 0; step < MAP_WAIT_STEPS; ++step) {
        if (x11.XCheckTypedWindowEvent(display, w.window, MapNotify, &event)) break;
        nap_ms(5);
    }
    x11_error_begin();
    x11.XSetInputFocus(display, w.window, RevertToParent, CurrentTime);
    x11_error_end(display);
}

// Mode setup (the create_window hook, also run by the full-screen toggle): window style and
// placement for the current flags. The window and the context are kept.
int32_t opengl_mode_setup() {
    WindowState& w = window_state;
    const bool full_screen = (w.flags & SCREEN_FULLSCREEN) != 0;
    if (full_screen) {
        if (enter_full_screen_mode() != 0) return -1;
    } else {
        leave_full_screen_mode();
    }
    place_window(full_screen);
    w.active = 1;
    if (screen != nullptr) screen->refresh_rate = xrandr_refresh_rate(w.display);
    return 0;
}

// Mode restore (the destroy_window hook).
void opengl_mode_restore() {
    leave_full_screen_mode();
}

void opengl_nothing() {}

// Picks the offer with the preferred depth buffer; null when the server has none that fits.
GLXFBConfig choose_config(XVisualInfo** visual) {
    Display* display = window_state.display;
    int attributes[OPENGL_ATTRIBUTE_CAPACITY];
    opengl_pixel_format_attributes(window_state.depth, window_state.flags, attributes);
    int count = 0;
    GLXFBConfig* configs =
        glx.glXChooseFBConfig(display, DefaultScreen(display), attributes, &count);
    if (configs == nullptr) return nullptr;
    constexpr int32_t MAX_OFFERS = 64;
    int32_t depth_bits[MAX_OFFERS];
    const int32_t usable = count < MAX_OFFERS ? count : MAX_OFFERS;
    for (int32_t i = 0; i < usable; ++i) {
        int bits = 0;
        glx.glXGetFBConfigAttrib(display, configs[i], GLX_DEPTH_SIZE, &bits);
        depth_bits[i] = bits;
    }
    const int32_t chosen = opengl_pick_depth_buffer(depth_bits, usable);
    GLXFBConfig config = chosen >= 0 ? configs[chosen] : nullptr;
    x11.XFree(configs);
    if (config != nullptr) *visual = glx.glXGetVisualFromFBConfig(display, config);
    return *visual != nullptr ? config : nullptr;
}

int32_t refuse_config() {
    const int32_t flags = window_state.flags;
    return driver_refusal("no GLX visual on %s for %d-bit colour%s%s",
                          DisplayString(window_state.display), window_state.depth,
                          flags & SCREEN_STENCIL_BUFFER ? ", stencil" : "",
                          flags & SCREEN_ACCUMULATION_BUFFER ? ", accumulation" : "");
}

int32_t opengl_init(const char* title, int32_t width, int32_t height, int32_t depth,
                    int32_t refresh_rate, int32_t flags) {
    window_state = WindowState{};
    gl = OpenGlState{};
    if (flags == SCREEN_NULL || !(flags & SCREEN_OPENGL)) {
        return driver_refusal("only for screens that ask for OpenGL (SCREEN_OPENGL)");
    }
    window_state.create_window = opengl_mode_setup;
    window_state.destroy_window = opengl_mode_restore;
    window_state.paint = opengl_nothing;  // the program repaints with its next frame
    if (open_window_layer(title, width, height, depth < 8 ? 8 : depth, refresh_rate, flags) != 0) {
        return -1;
    }
    WindowState& w = window_state;
    int error_base = 0, event_base = 0, major = 0, minor = 0;
    if (w.display == nullptr) return -1;
    if (glx_load() != 0) return driver_refusal("cannot load %s", GLX_LIBRARY);
    if (!glx.glXQueryExtension(w.display, &error_base, &event_base)) {
        return driver_refusal("no GLX extension on %s", DisplayString(w.display));
    }
    if (!glx.glXQueryVersion(w.display, &major, &minor) || major * 100 + minor < 103) {
        return driver_refusal("GLX %d.%d on %s, 1.3 needed", major, minor,
                              DisplayString(w.display));
    }
    const int screen_number = DefaultScreen(w.display);
    gl.display_width = DisplayWidth(w.display, screen_number);
    gl.display_height = DisplayHeight(w.display, screen_number);
    XVisualInfo* visual = nullptr;
    GLXFBConfig config = choose_config(&visual);
    if (config == nullptr) return refuse_config();
    gl.colormap = x11.XCreateColormap(w.display, RootWindow(w.display, screen_number),
                                      visual->visual, AllocNone);
    XSetWindowAttributes attributes{};
    attributes.colormap = gl.colormap;
    attributes.event_mask = KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask |
                            PointerMotionMask | FocusChangeMask | ExposureMask |
                            StructureNotifyMask | PropertyChangeMask;
    x11_error_begin();
    w.window = x11.XCreateWindow(w.display, RootWindow(w.display, screen_number), 0, 0, 320, 200, 0,
                                 visual->depth, InputOutput, visual->visual,
                                 CWColormap | CWBorderPixel | CWEventMask, &attributes);
    x11.XFree(visual);
    int32_t error = x11_error_end(w.display);
    if (error != 0 || w.window == None) return refuse_window(w.display, error, 320, 200);
    if (opengl_mode_setup() != 0) return -1;
    x11_error_begin();
    gl.context = glx.glXCreateNewContext(w.display, config, GLX_RGBA_TYPE, nullptr, True);
    error = x11_error_end(w.display);
    char name[64];
    if (error != 0 || gl.context == nullptr) {
        return driver_refusal("no GLX context on %s (%s)", DisplayString(w.display),
                              x11_error_name(w.display, error, name, sizeof name));
    }
    x11_error_begin();
    const Bool current = glx.glXMakeCurrent(w.display, w.window, gl.context);
    error = x11_error_end(w.display);
    if (error != 0 || !current) {
        return driver_refusal("cannot make the GLX context current (%s)",
                              x11_error_name(w.display, error, name, sizeof name));
    }
    return 0;
}

// Releases only what exists, the context before the window, so it also ends a failed init.
void opengl_exit() {
    WindowState& w = window_state;
    if (w.display != nullptr && !window_connection_lost()) {
        x11_error_begin();
        if (gl.context != nullptr) {
            glx.glXMakeCurrent(w.display, None, nullptr);
            glx.glXDestroyContext(w.display, gl.context);
        }
        x11_error_end(w.display);
    }
    leave_full_screen_mode();
    if (w.display != nullptr && !window_connection_lost()) {
        if (w.window != None) x11.XDestroyWindow(w.display, w.window);
        if (gl.colormap != 0) x11.XFreeColormap(w.display, gl.colormap);
    }
    w.window = None;
    gl = OpenGlState{};
    close_window_layer();
}

void opengl_set_palette(int32_t, int32_t, int32_t, int32_t) {}

// The program's frame: keyboard state while active, the window's events, then the swap.
void opengl_flip() {
    WindowState& w = window_state;
    if (w.display == nullptr || gl.context == nullptr || window_connection_lost()) return;
    if (w.active) refresh_key_states_from_keyboard();
    pump_messages();
    glx.glXSwapBuffers(w.display, w.window);
}

int32_t* opengl_fetch_modes(int32_t depth, int32_t* count) {
    return xrandr_fetch_modes(depth, count);
}

}  // namespace

void* opengl_symbol(const char* name) {
    return glx_symbol(name);
}

extern const DisplayDriver OPENGL_DRIVER = {
    .name = "OpenGL",
    .init = opengl_init,
    .exit = opengl_exit,
    .lock = opengl_nothing,
    .unlock = opengl_nothing,
    .set_palette = opengl_set_palette,
    .wait_vsync = window_wait_vsync,
    .get_mouse = window_get_mouse,
    .set_mouse = window_set_mouse,
    .set_window_title = window_set_title,
    .fetch_modes = opengl_fetch_modes,
    .flip = opengl_flip,
};

}  // namespace qx
