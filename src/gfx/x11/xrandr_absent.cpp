// A build without XRandR's header: every call answers as when libXrandr cannot be loaded, so
// full-screen modes, the mode list and the refresh rate are simply unavailable.
#include "gfx/x11/xrandr_api.h"

namespace qx {

const char XRANDR_LIBRARY[] = "libXrandr.so.2, which this build left out";

int32_t xrandr_load() {
    return -1;
}

int32_t xrandr_read_modes(Display*, DisplayMode*, int32_t) {
    return -1;
}

int32_t xrandr_refresh_rate(Display*) {
    return 0;
}

int32_t xrandr_switch_mode(Display*, int32_t, int32_t, int32_t, XrandrSavedMode*) {
    return -1;
}

void xrandr_restore_mode(Display*, const XrandrSavedMode&) {}

int32_t* xrandr_fetch_modes(int32_t, int32_t* count) {
    *count = 0;
    return nullptr;
}

}  // namespace qx
