#include "gfx/x11/glx_api.h"

#include <dlfcn.h>

#include <mutex>

#include "gfx/driver/display_driver.h"

namespace qx {

GlxApi glx;

namespace {

std::mutex load_mutex;
int32_t load_result = 1;  // 1 = not tried yet
void* gl_library = nullptr;

}  // namespace

int32_t glx_load() {
    std::lock_guard<std::mutex> guard(load_mutex);
    if (load_result != 1) return load_result;
    load_result = -1;
    // Kept open for the process: the program calls GL through the same library.
    void* library = dlopen(GLX_LIBRARY, RTLD_NOW | RTLD_GLOBAL);
    if (library == nullptr) return -1;
    GlxApi api;
#define QX_GLX_BIND(ret, name, params)                                 \
    api.name = reinterpret_cast<ret(*) params>(dlsym(library, #name)); \
    if (api.name == nullptr) return -1;
    QX_GLX_SYMBOLS(QX_GLX_BIND)
#undef QX_GLX_BIND
    glx = api;
    gl_library = library;
    load_result = 0;
    return 0;
}

void* glx_symbol(const char* name) {
    std::lock_guard<std::mutex> guard(load_mutex);
    return load_result == 0 && name != nullptr ? dlsym(gl_library, name) : nullptr;
}

}  // namespace qx

namespace qx {

int32_t opengl_pixel_format_attributes(int32_t depth, int32_t flags, int* attributes) {
    // Colour bits per channel for the screen's depth; more is accepted, as with any chooser.
    int red = 8, green = 8, blue = 8;
    if (depth == 16) {
        red = 5, green = 6, blue = 5;
    } else if (depth == 15) {
        red = green = blue = 5;
    } else if (depth < 15) {
        red = green = blue = 1;
    }
    const int stencil = (flags & SCREEN_STENCIL_BUFFER) ? 8 : 0;
    const int accumulation = (flags & SCREEN_ACCUMULATION_BUFFER) ? 8 : 0;  // per channel
    const int list[] = {
        GLX_X_RENDERABLE,
        True,
        GLX_DRAWABLE_TYPE,
        GLX_WINDOW_BIT,
        GLX_RENDER_TYPE,
        GLX_RGBA_BIT,
        GLX_X_VISUAL_TYPE,
        GLX_TRUE_COLOR,
        GLX_DOUBLEBUFFER,
        True,
        GLX_RED_SIZE,
        red,
        GLX_GREEN_SIZE,
        green,
        GLX_BLUE_SIZE,
        blue,
        GLX_STENCIL_SIZE,
        stencil,
        GLX_ACCUM_RED_SIZE,
        accumulation,
        GLX_ACCUM_GREEN_SIZE,
        accumulation,
        GLX_ACCUM_BLUE_SIZE,
        accumulation,
        GLX_ACCUM_ALPHA_SIZE,
        accumulation,
        None,
    };
    static_assert(sizeof list / sizeof list[0] <= OPENGL_ATTRIBUTE_CAPACITY);
    int32_t length = 0;
    for (int value : list)
        attributes[length++] = value;
    return length - 1;
}

int32_t opengl_pick_depth_buffer(const int32_t* depth_bits, int32_t count) {
    int32_t best = -1;
    for (int32_t i = 0; i < count; ++i) {
        if (depth_bits[i] == 32) return i;
        if (best < 0 || depth_bits[i] > depth_bits[best]) best = i;
    }
    return best;
}

}  // namespace qx
