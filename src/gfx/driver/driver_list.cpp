#include <strings.h>

#include "gfx/driver/display_driver.h"

namespace qx {

// The order selection tries them in; the Null driver is reached only by explicit request. On
// Linux the terminal comes last: a window, where there is one, shows the picture better. A
// driver whose headers were missing at configure time is not in this build.
extern const DisplayDriver* const DRIVER_LIST[] = {
#if !defined(QX_NO_DIRECTX_DRIVER)
    &DIRECTX_DRIVER,
#endif
#if !defined(QX_NO_X11_DRIVERS)
    &GDI_DRIVER,
#endif
#if !defined(QX_NO_OPENGL_DRIVER)
    &OPENGL_DRIVER,
#endif
#if !defined(_WIN32) && !defined(QX_NO_TERMINAL_DRIVER)
    &TERMINAL_DRIVER,
#endif
    nullptr};

namespace {

struct LeftOutDriver {
    const char* name;
    const char* text;
};

#define QX_LEFT_OUT(name, why) \
    { name, "names the " name " driver, which this build left out (" why ")" }

constexpr LeftOutDriver LEFT_OUT_DRIVERS[] = {
#if defined(QX_NO_X11_DRIVERS)
    QX_LEFT_OUT("DirectX", "libX11's headers were missing"),
    QX_LEFT_OUT("GDI", "libX11's headers were missing"),
    QX_LEFT_OUT("OpenGL", "libX11's headers were missing"),
#else
#if defined(QX_NO_DIRECTX_DRIVER)
    QX_LEFT_OUT("DirectX", "the MIT-SHM header was missing"),
#endif
#if defined(QX_NO_OPENGL_DRIVER)
    QX_LEFT_OUT("OpenGL", "the GL headers were missing"),
#endif
#endif
#if !defined(_WIN32) && defined(QX_NO_TERMINAL_DRIVER)
    QX_LEFT_OUT("Terminal", "libchafa's headers were missing"),
#endif
    {nullptr, nullptr}};

#undef QX_LEFT_OUT

}  // namespace

const char* left_out_driver(const char* name) {
    for (const LeftOutDriver* driver = LEFT_OUT_DRIVERS; driver->name != nullptr; ++driver) {
        if (strcasecmp(name, driver->name) == 0) return driver->text;
    }
    return nullptr;
}

#if defined(QX_NO_OPENGL_DRIVER)
// No OpenGL driver, so no GL library is ever loaded: there is no function to give.
void* opengl_symbol(const char*) {
    return nullptr;
}
#endif

}  // namespace qx
