#include "gfx/x11/xrandr_api.h"

#include <X11/extensions/Xrandr.h>
#include <dlfcn.h>

#include <mutex>

#include "gfx/x11/x11_api.h"

#define QX_XRANDR_SYMBOLS(X)                                                       \
    X(Bool, XRRQueryExtension, (Display*, int*, int*))                             \
    X(XRRScreenSize*, XRRSizes, (Display*, int, int*))                             \
    X(short*, XRRRates, (Display*, int, int, int*))                                \
    X(XRRScreenConfiguration*, XRRGetScreenInfo, (Display*, Window))               \
    X(short, XRRConfigCurrentRate, (XRRScreenConfiguration*))                      \
    X(SizeID, XRRConfigCurrentConfiguration, (XRRScreenConfiguration*, Rotation*)) \
    X(Status, XRRSetScreenConfigAndRate,                                           \
      (Display*, XRRScreenConfiguration*, Drawable, int, Rotation, short, Time))   \
    X(void, XRRFreeScreenConfigInfo, (XRRScreenConfiguration*))

namespace qx {

const char XRANDR_LIBRARY[] = "libXrandr.so.2";

namespace {

struct XrandrApi {
#define QX_XRANDR_FIELD(ret, name, params) ret(*name) params = nullptr;
    QX_XRANDR_SYMBOLS(QX_XRANDR_FIELD)
#undef QX_XRANDR_FIELD
};
XrandrApi xrandr;

std::mutex load_mutex;
int32_t load_result = 1;  // 1 = not tried yet

constexpr int32_t FRAMEBUFFER_DEPTHS[] = {8, 16, 32};

}  // namespace

int32_t xrandr_load() {
    std::lock_guard<std::mutex> guard(load_mutex);
    if (load_result != 1) return load_result;
    load_result = -1;
    void* library = dlopen(XRANDR_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) return -1;
    XrandrApi api;
#define QX_XRANDR_BIND(ret, name, params)                              \
    api.name = reinterpret_cast<ret(*) params>(dlsym(library, #name)); \
    if (api.name == nullptr) return -1;
    QX_XRANDR_SYMBOLS(QX_XRANDR_BIND)
#undef QX_XRANDR_BIND
    xrandr = api;
    load_result = 0;
    return 0;
}

namespace {

// The library loads and the server has the extension.
bool usable(Display* display) {
    int event_base = 0, error_base = 0;
    return display != nullptr && xrandr_load() == 0 &&
           xrandr.XRRQueryExtension(display, &event_base, &error_base);
}

}  // namespace

int32_t xrandr_read_modes(Display* display, DisplayMode* modes, int32_t capacity) {
    if (!usable(display)) return -1;
    const int screen_number = DefaultScreen(display);
    int size_count = 0;
    const XRRScreenSize* sizes = xrandr.XRRSizes(display, screen_number, &size_count);
    int32_t stored = 0;
    for (int32_t depth : FRAMEBUFFER_DEPTHS) {
        for (int i = 0; sizes != nullptr && i < size_count; ++i) {
            int rate_count = 0;
            const short* rates = xrandr.XRRRates(display, screen_number, i, &rate_count);
            // A size without rates is still a mode, listed once at an unknown rate.
            const int listed = rate_count > 0 && rates != nullptr ? rate_count : 1;
            for (int r = 0; r < listed && stored < capacity; ++r) {
                modes[stored++] = {
                    .width = sizes[i].width,
                    .height = sizes[i].height,
                    .depth = depth,
                    .refresh_rate = rate_count > 0 && rates != nullptr ? rates[r] : 0,
                };
            }
        }
    }
    return stored;
}

int32_t xrandr_refresh_rate(Display* display) {
    if (!usable(display)) return 0;
    XRRScreenConfiguration* config =
        xrandr.XRRGetScreenInfo(display, RootWindow(display, DefaultScreen(display)));
    if (config == nullptr) return 0;
    const short rate = xrandr.XRRConfigCurrentRate(config);
    xrandr.XRRFreeScreenConfigInfo(config);
    return rate > 0 ? rate : 0;
}

namespace {

int32_t set_mode(Display* display, int32_t size, Rotation rotation, int16_t rate,
                 XrandrSavedMode* saved) {
    const Window root = RootWindow(display, DefaultScreen(display));
    XRRScreenConfiguration* config = xrandr.XRRGetScreenInfo(display, root);
    if (config == nullptr) return -1;
    if (saved != nullptr) {
        saved->size = xrandr.XRRConfigCurrentConfiguration(config, &saved->rotation);
        saved->rate = xrandr.XRRConfigCurrentRate(config);
        rotation = saved->rotation;
    }
    x11_error_begin();
    const Status status =
        xrandr.XRRSetScreenConfigAndRate(display, config, root, size, rotation, rate, CurrentTime);
    const int32_t error = x11_error_end(display);
    xrandr.XRRFreeScreenConfigInfo(config);
    return status == RRSetConfigSuccess && error == 0 ? 0 : -1;
}

}  // namespace

int32_t xrandr_switch_mode(Display* display, int32_t width, int32_t height, int32_t refresh_rate,
                           XrandrSavedMode* saved) {
    if (!usable(display)) return -1;
    const int screen_number = DefaultScreen(display);
    int size_count = 0;
    const XRRScreenSize* sizes = xrandr.XRRSizes(display, screen_number, &size_count);
    for (int i = 0; sizes != nullptr && i < size_count; ++i) {
        if (sizes[i].width != width || sizes[i].height != height) continue;
        int rate_count = 0;
        const short* rates = xrandr.XRRRates(display, screen_number, i, &rate_count);
        short rate = rate_count > 0 && rates != nullptr ? rates[0] : 0;
        for (int r = 0; r < rate_count && rates != nullptr; ++r) {
            if (rates[r] == refresh_rate) rate = rates[r];
        }
        return set_mode(display, i, 0, rate, saved);
    }
    return -1;
}

void xrandr_restore_mode(Display* display, const XrandrSavedMode& saved) {
    if (display != nullptr && xrandr_load() == 0) {
        set_mode(display, saved.size, saved.rotation, saved.rate, nullptr);
    }
}

int32_t* xrandr_fetch_modes(int32_t depth, int32_t* count) {
    *count = 0;
    if (depth < 8) depth = 8;  // fewer bits per pixel are shown in 8-bit modes
    Display* display = x11_open_display();
    if (display == nullptr) return nullptr;
    static DisplayMode modes[XRANDR_MODE_CAPACITY];
    static std::mutex modes_mutex;
    std::lock_guard<std::mutex> guard(modes_mutex);
    const int32_t found = xrandr_read_modes(display, modes, XRANDR_MODE_CAPACITY);
    x11.XCloseDisplay(display);
    if (found <= 0) return nullptr;
    return list_display_modes({modes, found}, depth, count);
}

}  // namespace qx
