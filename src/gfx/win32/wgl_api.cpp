#include "gfx/win32/wgl_api.h"

#include <qx/screen.h>

#include "gfx/driver/display_driver.h"

namespace qx {

WglApi wgl;

namespace {

// FARPROC to the entry's own type, through the generic function type GCC accepts silently.
template <typename Function>
void bind(Function*& slot, HMODULE library, const char* name, const char** missing) {
    slot = reinterpret_cast<Function*>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
    if (slot == nullptr && *missing == nullptr) *missing = name;
}

}  // namespace

int32_t wgl_load() {
    if (wgl.library != nullptr) return 0;
    HMODULE library = LoadLibraryA(OPENGL_LIBRARY);
    if (library == nullptr) return driver_refusal("cannot load %s", OPENGL_LIBRARY);
    WglApi loaded;
    loaded.library = library;
    const char* missing = nullptr;
#define QX_WGL_BIND(ret, name, params) bind(loaded.name, library, #name, &missing);
    QX_WGL_SYMBOLS(QX_WGL_BIND)
#undef QX_WGL_BIND
    if (missing != nullptr) {
        FreeLibrary(library);
        return driver_refusal("no %s in %s", missing, OPENGL_LIBRARY);
    }
    wgl = loaded;
    return 0;
}

PIXELFORMATDESCRIPTOR opengl_pixel_format(int32_t depth, int32_t flags) {
    PIXELFORMATDESCRIPTOR format{};
    format.nSize = sizeof format;
    format.nVersion = 1;
    format.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    format.iPixelType = PFD_TYPE_RGBA;
    format.cColorBits = static_cast<BYTE>(depth);
    format.cDepthBits = 32;
    format.cStencilBits = (flags & SCREEN_STENCIL_BUFFER) ? 8 : 0;
    format.cAccumBits = (flags & SCREEN_ACCUMULATION_BUFFER) ? 32 : 0;
    format.iLayerType = PFD_MAIN_PLANE;
    return format;
}

}  // namespace qx
