// opengl32.dll for the "OpenGL" driver, loaded at run time, and the pixel format it asks for.
#pragma once

// Before <windows.h>, whose macros share the key translation's constant names.
#include "runtime/key_code.h"

#include <windows.h>

#include <cstdint>

namespace qx {

inline constexpr const char* OPENGL_LIBRARY = "opengl32.dll";

#define QX_WGL_SYMBOLS(X)                 \
    X(HGLRC, wglCreateContext, (HDC))     \
    X(BOOL, wglMakeCurrent, (HDC, HGLRC)) \
    X(BOOL, wglDeleteContext, (HGLRC))    \
    X(PROC, wglGetProcAddress, (LPCSTR))

struct WglApi {
    HMODULE library = nullptr;  // stays loaded: the program keeps the GL entry points it looked up
#define QX_WGL_FIELD(ret, name, params) ret(WINAPI* name) params = nullptr;
    QX_WGL_SYMBOLS(QX_WGL_FIELD)
#undef QX_WGL_FIELD
};
extern WglApi wgl;  // calls read wgl.wglCreateContext(...)

// 0 when the library and every entry point are there; -1 (refusal reason set) leaves wgl
// untouched. Called on the program's thread only.
int32_t wgl_load();

// The descriptor the driver asks ChoosePixelFormat for: double-buffered RGBA of `depth` colour
// bits with a 32-bit depth buffer, 8 stencil bits with SCREEN_STENCIL_BUFFER and 32
// accumulation bits with SCREEN_ACCUMULATION_BUFFER.
PIXELFORMATDESCRIPTOR opengl_pixel_format(int32_t depth, int32_t flags);

}  // namespace qx
