// "OpenGL": a window with a wgl context current on the program's thread. The program draws with
// GL itself; there is no update thread, so flip is where key states and messages are read.
#include <cstdlib>

#include "gfx/driver/display_driver.h"
#include "gfx/driver/display_modes.h"
#include "gfx/screen.h"
#include "gfx/win32/wgl_api.h"
#include "gfx/win32/window_layer.h"

namespace qx {

namespace {

constexpr DWORD FIRST_STYLE = WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_CAPTION |
                              WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
constexpr DWORD FULL_SCREEN_STYLE = WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
constexpr DWORD WINDOWED_STYLE =
    WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr UINT PLACE_FLAGS = SWP_NOACTIVATE | SWP_SHOWWINDOW | SWP_NOCOPYBITS | SWP_FRAMECHANGED;
constexpr DWORD MAX_LISTED_MODES = 65536;  // a bound on a display that never ends its list

// The driver's own resources, all on the program's thread; the window is window_state.hwnd.
struct OpenGlState {
    HDC device_context;       // the window's own (CS_OWNDC), from init until exit
    HGLRC rendering_context;  // current on the program's thread
    bool mode_changed;        // ChangeDisplaySettingsA switched the display: switch it back
};
OpenGlState gl{};

void opengl_nothing() {}

void opengl_set_palette(int32_t, int32_t, int32_t, int32_t) {}

// Mode restore (the destroy_window hook, also run by the full-screen toggle).
void opengl_mode_restore() {
    if (gl.mode_changed) ChangeDisplaySettingsA(nullptr, 0);
    gl.mode_changed = false;
}

// The measured refresh; 0 and 1 mean the hardware's default, which is no figure to sleep by.
int32_t measured_refresh_rate() {
    HDC device_context = gl.device_context;
    if (device_context == nullptr) device_context = GetDC(window_state.hwnd);
    if (device_context == nullptr) return 0;
    const int rate = GetDeviceCaps(device_context, VREFRESH);
    if (device_context != gl.device_context) ReleaseDC(window_state.hwnd, device_context);
    return rate > 1 ? rate : 0;
}

// Mode setup (the create_window hook, also run by the full-screen toggle on the thread that
// pumps messages, here the program's, inside flip): display mode, style and placement for the
// current flags. The window, its device context and the rendering context are kept.
int32_t opengl_mode_setup() {
    WindowState& w = window_state;
    const bool full_screen = (w.flags & SCREEN_FULLSCREEN) != 0;
    ShowWindow(w.hwnd, SW_HIDE);
    DWORD style = WINDOWED_STYLE | ((w.flags & SCREEN_NO_SWITCH) ? 0 : WS_MAXIMIZEBOX);
    if (full_screen) {
        DEVMODEA mode{};
        mode.dmSize = sizeof mode;
        mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
        mode.dmPelsWidth = static_cast<DWORD>(w.width);
        mode.dmPelsHeight = static_cast<DWORD>(w.height);
        mode.dmBitsPerPel = static_cast<DWORD>(w.depth);
        mode.dmDisplayFrequency = static_cast<DWORD>(w.refresh_rate);  // not in dmFields
        const LONG result = ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN);
        if (result != DISP_CHANGE_SUCCESSFUL) {
            return driver_refusal(
                "the display refused %dx%d at %d bits (ChangeDisplaySettingsA %ld)", w.width,
                w.height, w.depth, static_cast<long>(result));
        }
        gl.mode_changed = true;
        style = FULL_SCREEN_STYLE;
    }
    SetWindowLongA(w.hwnd, GWL_STYLE, static_cast<LONG>(style));
    RECT rect{0, 0, w.width, w.height};
    int32_t x = 0, y = 0;
    if (!full_screen) {
        if (!AdjustWindowRectEx(&rect, style, FALSE, 0)) {
            return refuse_system_call("AdjustWindowRectEx");
        }
        x = (GetSystemMetrics(SM_CXSCREEN) - (rect.right - rect.left)) >> 1;
        y = (GetSystemMetrics(SM_CYSCREEN) - (rect.bottom - rect.top)) >> 1;
    }
    if (!SetWindowPos(w.hwnd, full_screen ? HWND_TOPMOST : HWND_NOTOPMOST, x, y,
                      rect.right - rect.left, rect.bottom - rect.top, PLACE_FLAGS)) {
        return refuse_system_call("SetWindowPos");
    }
    SetForegroundWindow(w.hwnd);
    w.active = 1;
    if (screen != nullptr) screen->refresh_rate = measured_refresh_rate();
    return 0;
}

int32_t opengl_init(const char* title, int32_t width, int32_t height, int32_t depth,
                    int32_t refresh_rate, int32_t flags) {
    window_state = WindowState{};
    gl = OpenGlState{};
    if (flags == SCREEN_NULL || !(flags & SCREEN_OPENGL)) {
        return driver_refusal("only for screens that ask for OpenGL (SCREEN_OPENGL)");
    }
    WindowState& w = window_state;
    w.create_window = opengl_mode_setup;
    w.destroy_window = opengl_mode_restore;
    w.paint = opengl_nothing;  // the program repaints with its next frame
    if (open_window_layer(title, width, height, depth < 8 ? 8 : depth, refresh_rate, flags) != 0) {
        return -1;
    }
    if (wgl_load() != 0) return -1;
    w.hwnd = CreateWindowExA(0, w.class_name, w.title, FIRST_STYLE, 0, 0, 320, 200, nullptr,
                             nullptr, w.window_class.hInstance, nullptr);
    if (w.hwnd == nullptr) return refuse_system_call("CreateWindowExA");
    if (opengl_mode_setup() != 0) return -1;
    gl.device_context = GetDC(w.hwnd);
    if (gl.device_context == nullptr) return refuse_system_call("GetDC");
    const PIXELFORMATDESCRIPTOR request = opengl_pixel_format(w.depth, w.flags);
    const int format = ChoosePixelFormat(gl.device_context, &request);
    if (format == 0) return refuse_system_call("ChoosePixelFormat");
    if (!SetPixelFormat(gl.device_context, format, &request)) {
        return refuse_system_call("SetPixelFormat");
    }
    gl.rendering_context = wgl.wglCreateContext(gl.device_context);
    if (gl.rendering_context == nullptr) return refuse_system_call("wglCreateContext");
    if (!wgl.wglMakeCurrent(gl.device_context, gl.rendering_context)) {
        return refuse_system_call("wglMakeCurrent");
    }
    return 0;
}

// Releases only what exists, the context before the window, so it also ends a failed init.
void opengl_exit() {
    WindowState& w = window_state;
    if (gl.rendering_context != nullptr) {
        wgl.wglMakeCurrent(nullptr, nullptr);
        wgl.wglDeleteContext(gl.rendering_context);
    }
    if (gl.device_context != nullptr) ReleaseDC(w.hwnd, gl.device_context);
    opengl_mode_restore();
    if (w.hwnd != nullptr) DestroyWindow(w.hwnd);
    w.hwnd = nullptr;
    gl = OpenGlState{};
    close_window_layer();
}

// The program's frame: keyboard state while active, the window's messages, then the swap.
void opengl_flip() {
    if (gl.device_context == nullptr) return;
    if (window_state.active) refresh_key_states_from_keyboard();
    pump_messages();
    SwapBuffers(gl.device_context);
}

// Every mode the display lists, once per refresh rate, for the shared listing to filter.
int32_t* opengl_fetch_modes(int32_t depth, int32_t* count) {
    int32_t ignored = 0;
    if (count == nullptr) count = &ignored;
    *count = 0;
    DisplayMode* modes = nullptr;
    int32_t listed = 0, capacity = 0;
    DEVMODEA mode{};
    mode.dmSize = sizeof mode;
    for (DWORD number = 0; number < MAX_LISTED_MODES; ++number) {
        if (!EnumDisplaySettingsA(nullptr, number, &mode)) break;
        if (listed == capacity) {
            capacity = capacity == 0 ? 32 : capacity * 2;
            void* grown = std::realloc(modes, sizeof(DisplayMode) * static_cast<size_t>(capacity));
            if (grown == nullptr) {
                std::free(modes);
                return nullptr;
            }
            modes = static_cast<DisplayMode*>(grown);
        }
        modes[listed++] = DisplayMode{
            .width = static_cast<int32_t>(mode.dmPelsWidth),
            .height = static_cast<int32_t>(mode.dmPelsHeight),
            .depth = static_cast<int32_t>(mode.dmBitsPerPel),
            .refresh_rate = static_cast<int32_t>(mode.dmDisplayFrequency),
        };
    }
    int32_t* result = list_display_modes(DisplayModeList{modes, listed}, depth, count);
    std::free(modes);
    return result;
}

}  // namespace

// The 1.1 entry points are exports of opengl32; later ones come from the current context's
// driver, which reports some failures as small integers instead of null.
void* opengl_symbol(const char* name) {
    if (wgl.library == nullptr || name == nullptr) return nullptr;
    FARPROC exported = GetProcAddress(wgl.library, name);
    if (exported != nullptr) return reinterpret_cast<void*>(exported);
    const PROC found = wgl.wglGetProcAddress(name);
    const auto value = reinterpret_cast<intptr_t>(found);
    if (value >= -1 && value <= 3) return nullptr;
    return reinterpret_cast<void*>(found);
}

extern const DisplayDriver OPENGL_DRIVER = {
    .name = "OpenGL",
    .init = opengl_init,
    .exit = opengl_exit,
    .lock = opengl_nothing,
    .unlock = opengl_nothing,
    .set_palette = opengl_set_palette,
    .wait_vsync = window_wait_vsync,
    .get_mouse = window_get_mouse,
    .set_mouse = window_set_mouse,
    .set_window_title = window_set_title,
    .fetch_modes = opengl_fetch_modes,
    .flip = opengl_flip,
};

}  // namespace qx
