#include <gtest/gtest.h>

#include <cstdlib>

#include "gfx/driver/display_driver.h"
#include "gfx/win32/wgl_api.h"

namespace qx {
namespace {

TEST(WglPixelFormat, DoubleBufferedRgbaWithOptionalBuffers) {
    struct Case {
        int32_t flags;
        BYTE stencil, accumulation;
    };
    for (const Case& c :
         {Case{SCREEN_OPENGL, 0, 0}, Case{SCREEN_OPENGL | SCREEN_STENCIL_BUFFER, 8, 0},
          Case{SCREEN_OPENGL | SCREEN_ACCUMULATION_BUFFER, 0, 32},
          Case{SCREEN_OPENGL | SCREEN_STENCIL_BUFFER | SCREEN_ACCUMULATION_BUFFER |
                   SCREEN_FULLSCREEN | SCREEN_NO_SWITCH,
               8, 32}}) {
        const PIXELFORMATDESCRIPTOR format = opengl_pixel_format(16, c.flags);
        EXPECT_EQ(format.nSize, sizeof format);
        EXPECT_EQ(format.nVersion, 1);
        EXPECT_EQ(format.dwFlags,
                  static_cast<DWORD>(PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER));
        EXPECT_EQ(format.iPixelType, PFD_TYPE_RGBA);
        EXPECT_EQ(format.cColorBits, 16);
        EXPECT_EQ(format.cDepthBits, 32) << "the depth buffer is always asked for";
        EXPECT_EQ(format.cStencilBits, c.stencil) << c.flags;
        EXPECT_EQ(format.cAccumBits, c.accumulation) << c.flags;
        EXPECT_EQ(format.iLayerType, PFD_MAIN_PLANE);
    }
}

// Selection calls exit after every failed init, so a refusal must leave nothing to undo.
TEST(OpenGlDriver, RefusesScreensThatDoNotAskForOpenGl) {
    for (int32_t flags : {0, SCREEN_FULLSCREEN, SCREEN_STENCIL_BUFFER, SCREEN_NULL}) {
        EXPECT_NE(OPENGL_DRIVER.init("t", 64, 48, 32, 0, flags), 0) << flags;
        OPENGL_DRIVER.exit();
        OPENGL_DRIVER.exit();
    }
    OPENGL_DRIVER.flip();  // nothing open: no context to swap, no crash
    EXPECT_EQ(opengl_symbol(nullptr), nullptr);
}

TEST(WindowDrivers, FetchModesOfAnUnlistedDepthIsEmpty) {
    for (const DisplayDriver* driver : {&OPENGL_DRIVER, &DIRECTX_DRIVER}) {
        int32_t count = -1;
        int32_t* modes = driver->fetch_modes(7, &count);
        EXPECT_EQ(modes, nullptr) << driver->name;
        EXPECT_EQ(count, 0) << driver->name;
        std::free(driver->fetch_modes(32, nullptr));  // a null count is tolerated
    }
}

TEST(DirectXDriver, RefusesOpenGlScreensBeforeOpeningAnything) {
    EXPECT_NE(DIRECTX_DRIVER.init("t", 64, 48, 8, 0, SCREEN_OPENGL), 0);
    DIRECTX_DRIVER.exit();
    EXPECT_NE(DIRECTX_DRIVER.init("t", 64, 48, 8, 0, SCREEN_OPENGL | SCREEN_FULLSCREEN), 0);
    DIRECTX_DRIVER.exit();
}

}  // namespace
}  // namespace qx
