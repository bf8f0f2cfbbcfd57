#include <strings.h>

#include "gfx/driver/display_driver.h"

namespace qx {

// The order selection tries them in; the Null driver is reached only by explicit request. On
// Linux the terminal comes last: a window, where there is one, shows the picture better.
extern const DisplayDriver* const DRIVER_LIST[] = {&DIRECTX_DRIVER, &GDI_DRIVER, &OPENGL_DRIVER,
#if !defined(_WIN32) && !defined(QX_NO_TERMINAL_DRIVER)
                                                   &TERMINAL_DRIVER,
#endif
                                                   nullptr};

const char* left_out_driver(const char* name) {
#if !defined(_WIN32) && defined(QX_NO_TERMINAL_DRIVER)
    if (strcasecmp(name, "Terminal") == 0) {
        return "names the Terminal driver, which this build left out (libchafa's headers were "
               "missing)";
    }
#endif
    (void)name;
    return nullptr;
}

}  // namespace qx
