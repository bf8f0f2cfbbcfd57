// The display driver record, the driver list and the selection that opens one.
#pragma once

#include <cstdint>

#include <qx/drivers.h>
#include <qx/screen.h>

namespace qx {

// A constant record: a name and eleven operations, any of them null (callers test first).
struct DisplayDriver {
    const char* name;
    int32_t (*init)(const char* title, int32_t width, int32_t height, int32_t depth,
                    int32_t refresh_rate, int32_t flags);  // 0 = success
    void (*exit)();                                        // safe after a failed or partial init
    void (*lock)();
    void (*unlock)();
    void (*set_palette)(int32_t index, int32_t red, int32_t green, int32_t blue);  // 0..255
    void (*wait_vsync)();
    int32_t (*get_mouse)(int32_t* x, int32_t* y, int32_t* wheel, int32_t* buttons);
    void (*set_mouse)(int32_t x, int32_t y, int32_t cursor);
    void (*set_window_title)(const char* title);
    int32_t* (*fetch_modes)(int32_t depth, int32_t* count);  // malloc'd, caller frees
    void (*flip)();
};

extern const DisplayDriver NULL_DRIVER;
extern const DisplayDriver DIRECTX_DRIVER;
extern const DisplayDriver GDI_DRIVER;
extern const DisplayDriver OPENGL_DRIVER;
extern const DisplayDriver TERMINAL_DRIVER;
// "DirectX", "GDI", "OpenGL", then "Terminal" on Linux; null-terminated.
extern const DisplayDriver* const DRIVER_LIST[];
// For a QXGFX value naming a driver of this platform that this build left out, the words that
// say so ("names the ... driver, which ..."); null for any other name.
const char* left_out_driver(const char* name);

// Runs the selection passes over `list` (null-terminated) with the QXGFX value `qxgfx`
// (null when unset). Returns the driver whose init succeeded, or null. With QXLOG=1 every
// attempt, its outcome and the choice go to standard error.
const DisplayDriver* select_display_driver(const DisplayDriver* const* list, const char* qxgfx,
                                           const char* title, int32_t width, int32_t height,
                                           int32_t depth, int32_t refresh_rate, int32_t flags);

// Why the last selection found no driver, for the runtime's error text: the request and each
// driver's reason from its last attempt with the flags as requested. "" after a success.
const char* selection_failure();

// A driver's init (or its window thread, before it reports the start) calls this where it
// decides to fail: the reason, printf-style, without the driver's name. Returns -1, init's
// failure value, so a failure site reads `return driver_refusal("...")`.
int32_t driver_refusal(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace qx
