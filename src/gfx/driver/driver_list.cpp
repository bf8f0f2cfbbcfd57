#include "gfx/driver/display_driver.h"

namespace qx {

// The order selection tries them in; the Null driver is reached only by explicit request. On
// Linux the terminal comes last: a window, where there is one, shows the picture better.
extern const DisplayDriver* const DRIVER_LIST[] = {&DIRECTX_DRIVER, &GDI_DRIVER, &OPENGL_DRIVER,
#if !defined(_WIN32)
                                                   &TERMINAL_DRIVER,
#endif
                                                   nullptr};

}  // namespace qx
