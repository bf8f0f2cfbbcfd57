#include <strings.h>

#include <initializer_list>

#include "gfx/driver/display_driver.h"

namespace qx {

namespace {

bool same_name(const char* a, const char* b) {
    return strcasecmp(a, b) == 0;
}

// Both attempts of one candidate: the requested refresh rate, then 0; exit after each failure.
bool try_driver(const DisplayDriver* driver, const char* title, int32_t width, int32_t height,
                int32_t depth, int32_t refresh_rate, int32_t flags) {
    for (int32_t rate : {refresh_rate, 0}) {
        if (driver->init && driver->init(title, width, height, depth, rate, flags) == 0) {
            return true;
        }
        if (driver->exit) driver->exit();
    }
    return false;
}

}  // namespace

const DisplayDriver* select_display_driver(const DisplayDriver* const* list, const char* qxgfx,
                                           const char* title, int32_t width, int32_t height,
                                           int32_t depth, int32_t refresh_rate, int32_t flags) {
    if (flags == SCREEN_NULL) return &NULL_DRIVER;
    if (qxgfx && same_name(qxgfx, "null")) return &NULL_DRIVER;
    for (int32_t pass = qxgfx ? 4 : 2; pass > 0; --pass) {
        for (const DisplayDriver* const* entry = list; *entry; ++entry) {
            const DisplayDriver* driver = *entry;
            bool candidate = !qxgfx || (pass & 1) || same_name(driver->name, qxgfx);
            if (candidate && try_driver(driver, title, width, height, depth, refresh_rate, flags)) {
                return driver;
            }
        }
        // A full-screen request falls back to a window (and a window to full screen).
        if (!qxgfx || pass == 2) flags ^= SCREEN_FULLSCREEN;
    }
    return nullptr;
}

}  // namespace qx
