// libGL's GLX entry points opened at run time, separately from libX11: without libGL only the
// "OpenGL" driver fails.
#pragma once

#include <GL/glx.h>

#include <cstdint>

#define QX_GLX_SYMBOLS(X)                                                              \
    X(Bool, glXQueryExtension, (Display*, int*, int*))                                 \
    X(Bool, glXQueryVersion, (Display*, int*, int*))                                   \
    X(GLXFBConfig*, glXChooseFBConfig, (Display*, int, const int*, int*))              \
    X(int, glXGetFBConfigAttrib, (Display*, GLXFBConfig, int, int*))                   \
    X(XVisualInfo*, glXGetVisualFromFBConfig, (Display*, GLXFBConfig))                 \
    X(GLXContext, glXCreateNewContext, (Display*, GLXFBConfig, int, GLXContext, Bool)) \
    X(Bool, glXMakeCurrent, (Display*, GLXDrawable, GLXContext))                       \
    X(void, glXDestroyContext, (Display*, GLXContext))                                 \
    X(void, glXSwapBuffers, (Display*, GLXDrawable))                                   \
    X(void*, glXGetProcAddressARB, (const GLubyte*))

namespace qx {

struct GlxApi {
#define QX_GLX_FIELD(ret, name, params) ret(*name) params = nullptr;
    QX_GLX_SYMBOLS(QX_GLX_FIELD)
#undef QX_GLX_FIELD
};
extern GlxApi glx;

constexpr const char* GLX_LIBRARY = "libGL.so.1";  // named in failure reasons too
// 0 when libGL is bound; -1 leaves glx untouched.
int32_t glx_load();

// Any function of the loaded libGL by name; null before glx_load succeeded.
void* glx_symbol(const char* name);

}  // namespace qx

namespace qx {

// The pixel format request: double-buffered RGBA with colour bits for `depth` (at least),
// 8 stencil bits with SCREEN_STENCIL_BUFFER, 32 accumulation bits with
// SCREEN_ACCUMULATION_BUFFER. The depth buffer is left open: the caller picks among the
// offers with opengl_pick_depth_buffer. Writes a None-terminated list into `attributes`
// (capacity OPENGL_ATTRIBUTE_CAPACITY) and returns its length without the terminator.
constexpr int32_t OPENGL_ATTRIBUTE_CAPACITY = 48;
int32_t opengl_pixel_format_attributes(int32_t depth, int32_t flags, int* attributes);

// Index of the offer whose depth buffer has 32 bits, else the first with the largest one;
// -1 when there are no offers.
int32_t opengl_pick_depth_buffer(const int32_t* depth_bits, int32_t count);

}  // namespace qx
