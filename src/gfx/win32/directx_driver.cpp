// "DirectX": the framebuffer through DirectDraw, in a window (primary surface with a clipper, an
// off-screen surface the blitter writes, one Blt per frame) or in an exclusive full-screen mode
// (the blitter writes the primary surface). Keys come from DirectInput's keyboard state.
#include <algorithm>
#include <cstdlib>
#include <mutex>

#include "gfx/driver/blitter.h"
#include "gfx/driver/display_driver.h"
#include "gfx/driver/display_modes.h"
#include "gfx/screen.h"
#include "gfx/win32/directx_api.h"
#include "gfx/win32/window_layer.h"

namespace qx {

namespace {

constexpr DWORD WINDOWED_SIZE_STYLE = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
constexpr DWORD FULL_SCREEN_LEVEL = DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN | DDSCL_ALLOWREBOOT;

// Built on the update thread by create_window and released there by destroy_window, which
// releases whatever exists, so it also ends a failed creation.
struct DirectDrawState {
    IDirectDraw2* direct_draw;  // published under borrow_mutex: the program's thread borrows it
    IDirectDrawSurface* primary_surface;
    IDirectDrawSurface* draw_surface;  // holds its own reference, also when it is the primary
    IDirectDrawClipper* clipper;       // windowed only
    IDirectDrawPalette* palette;       // 8-bit displays only
    IDirectInputA* direct_input;
    IDirectInputDeviceA* keyboard_device;
    RECT window_rect;   // the screen's size, enlarged to the whole window when windowed
    int32_t y_offset;   // display rows above the picture in a taller full-screen mode
    bool full_screen;   // what create_window built, whatever the flags say by teardown
    bool exclusive;     // the cooperative level is exclusive: back to normal at teardown
    bool mode_changed;  // SetDisplayMode succeeded: RestoreDisplayMode at teardown
};
DirectDrawState dd{};
std::mutex borrow_mutex;  // guards dd.direct_draw against the program thread's borrow

int32_t refuse_call(const char* call, HRESULT result) {
    return driver_refusal("%s failed (0x%08lX)", call, static_cast<unsigned long>(result));
}

template <typename Interface>
void release(Interface*& object) {
    if (object != nullptr) object->Release();
    object = nullptr;
}

// The open screen's DirectDraw with a reference of the caller's own (Release it), or null.
IDirectDraw2* borrow_direct_draw() {
    std::lock_guard<std::mutex> hold(borrow_mutex);
    if (dd.direct_draw != nullptr) dd.direct_draw->AddRef();
    return dd.direct_draw;
}

IDirectDraw2* create_direct_draw() {
    if (directx_load() != 0) return nullptr;
    IDirectDraw* first = nullptr;
    HRESULT result = directx.DirectDrawCreate(nullptr, &first, nullptr);
    if (FAILED(result) || first == nullptr) {
        refuse_call("DirectDrawCreate", result);
        return nullptr;
    }
    IDirectDraw2* second = nullptr;
    result = first->QueryInterface(DIRECTDRAW2_IID, reinterpret_cast<void**>(&second));
    first->Release();
    if (FAILED(result) || second == nullptr) {
        refuse_call("IDirectDraw::QueryInterface(IDirectDraw2)", result);
        return nullptr;
    }
    return second;
}

int32_t attempt_display_mode(void* direct_draw, const ModeRequest& request) {
    const HRESULT result =
        static_cast<IDirectDraw2*>(direct_draw)
            ->SetDisplayMode(static_cast<DWORD>(request.width), static_cast<DWORD>(request.height),
                             static_cast<DWORD>(request.depth),
                             static_cast<DWORD>(request.refresh_rate),
                             request.standard_vga ? DDSDM_STANDARDVGAMODE : 0);
    return SUCCEEDED(result) ? 0 : -1;
}

// A popup over the whole desktop, exclusive, in the first mode of the search that the display
// accepts; the picture is centred vertically in a taller mode.
int32_t create_full_screen_window() {
    WindowState& w = window_state;
    w.hwnd = CreateWindowExA(0, w.class_name, w.title, WS_POPUP | WS_VISIBLE, 0, 0,
                             GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr,
                             nullptr, w.window_class.hInstance, nullptr);
    if (w.hwnd == nullptr) return refuse_system_call("CreateWindowExA");
    HRESULT result = dd.direct_draw->SetCooperativeLevel(w.hwnd, FULL_SCREEN_LEVEL);
    if (FAILED(result)) return refuse_call("IDirectDraw2::SetCooperativeLevel(exclusive)", result);
    dd.exclusive = true;
    ModeChoice choice{};
    if (search_display_mode(w.width, w.height, w.depth, w.refresh_rate, attempt_display_mode,
                            dd.direct_draw, &choice) != 0) {
        return driver_refusal("no full-screen display mode for %dx%d at %d bits", w.width, w.height,
                              w.depth);
    }
    dd.mode_changed = true;
    dd.y_offset = choice.y_offset;
    return 0;
}

// A centred window whose client area is the screen's size; the clipper keeps the Blt inside.
int32_t create_windowed_window() {
    WindowState& w = window_state;
    if (!AdjustWindowRect(&dd.window_rect, WINDOWED_SIZE_STYLE, FALSE)) {
        return refuse_system_call("AdjustWindowRect");
    }
    const DWORD style = WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX |
                        ((w.flags & SCREEN_NO_SWITCH) ? 0 : WS_MAXIMIZEBOX);
    const int32_t width = dd.window_rect.right - dd.window_rect.left;
    const int32_t height = dd.window_rect.bottom - dd.window_rect.top;
    w.hwnd = CreateWindowExA(0, w.class_name, w.title, style,
                             (GetSystemMetrics(SM_CXSCREEN) - width) >> 1,
                             (GetSystemMetrics(SM_CYSCREEN) - height) >> 1, width, height, nullptr,
                             nullptr, w.window_class.hInstance, nullptr);
    if (w.hwnd == nullptr) return refuse_system_call("CreateWindowExA");
    HRESULT result = dd.direct_draw->SetCooperativeLevel(w.hwnd, DDSCL_NORMAL);
    if (FAILED(result)) return refuse_call("IDirectDraw2::SetCooperativeLevel(normal)", result);
    result = dd.direct_draw->CreateClipper(0, &dd.clipper, nullptr);
    if (FAILED(result)) return refuse_call("IDirectDraw2::CreateClipper", result);
    result = dd.clipper->SetHWnd(0, w.hwnd);
    if (FAILED(result)) return refuse_call("IDirectDrawClipper::SetHWnd", result);
    dd.y_offset = 0;
    return 0;
}

// Video memory first; a display whose video memory is full still gets a system-memory one.
int32_t create_draw_surface() {
    WindowState& w = window_state;
    HRESULT result = dd.primary_surface->SetClipper(dd.clipper);
    if (FAILED(result)) return refuse_call("IDirectDrawSurface::SetClipper", result);
    for (DWORD caps :
         {DWORD{DDSCAPS_VIDEOMEMORY}, DWORD{DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY}}) {
        DDSURFACEDESC desc{};
        desc.dwSize = sizeof desc;
        desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
        desc.dwWidth = static_cast<DWORD>(w.width);
        desc.dwHeight = static_cast<DWORD>(w.height);
        desc.ddsCaps.dwCaps = caps;
        result = dd.direct_draw->CreateSurface(&desc, &dd.draw_surface, nullptr);
        if (SUCCEEDED(result) && dd.draw_surface != nullptr) return 0;
        dd.draw_surface = nullptr;
    }
    return refuse_call("IDirectDraw2::CreateSurface(off-screen)", result);
}

int32_t read_pixel_format(IDirectDrawSurface* surface, DDPIXELFORMAT* format) {
    *format = DDPIXELFORMAT{};
    format->dwSize = sizeof *format;
    const HRESULT result = surface->GetPixelFormat(format);
    return FAILED(result) ? refuse_call("IDirectDrawSurface::GetPixelFormat", result) : 0;
}

// The surfaces, the display format, the palette of an 8-bit display and the blitter.
int32_t create_surfaces() {
    WindowState& w = window_state;
    DDSURFACEDESC desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
    HRESULT result = dd.direct_draw->CreateSurface(&desc, &dd.primary_surface, nullptr);
    if (FAILED(result) || dd.primary_surface == nullptr) {
        dd.primary_surface = nullptr;
        return refuse_call("IDirectDraw2::CreateSurface(primary)", result);
    }
    if (dd.full_screen) {
        dd.draw_surface = dd.primary_surface;
        dd.draw_surface->AddRef();
    } else if (create_draw_surface() != 0) {
        return -1;
    }
    DDPIXELFORMAT primary{}, drawn{};
    if (read_pixel_format(dd.primary_surface, &primary) != 0) return -1;
    if (read_pixel_format(dd.draw_surface, &drawn) != 0) return -1;
    const DisplayFormat format = display_format(primary);
    if (format.depth == 0) {
        return driver_refusal(
            "the display's pixel format (flags 0x%lX, %lu bits) is not one the "
            "converters write",
            static_cast<unsigned long>(primary.dwFlags),
            static_cast<unsigned long>(primary.dwRGBBitCount));
    }
    const DisplayFormat drawn_format = display_format(drawn);
    if (drawn_format.depth != format.depth || drawn_format.red_low != format.red_low) {
        return driver_refusal("the off-screen surface's format differs from the display's");
    }
    if (format.depth == 8) {
        result = dd.direct_draw->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256, w.palette_entries,
                                               &dd.palette, nullptr);
        if (FAILED(result)) return refuse_call("IDirectDraw2::CreatePalette", result);
        result = dd.primary_surface->SetPalette(dd.palette);
        if (FAILED(result)) return refuse_call("IDirectDrawSurface::SetPalette", result);
        w.palette_changed = 0;
    }
    w.blitter = select_blitter(format.depth, format.red_low);
    if (w.blitter == nullptr) {
        return driver_refusal("no converter from a %d-bit screen to a %d-bit display",
                              screen != nullptr ? screen->depth : 0, format.depth);
    }
    return 0;
}

// SetDataFormat keeps its own copy of the format.
int32_t create_keyboard() {
    DIOBJECTDATAFORMAT keyboard_objects[KEYBOARD_OBJECT_COUNT];
    DIDATAFORMAT keyboard_data_format;
    build_keyboard_data_format(&keyboard_data_format, keyboard_objects);
    HRESULT result =
        dd.direct_input->CreateDevice(SYSTEM_KEYBOARD_GUID, &dd.keyboard_device, nullptr);
    if (FAILED(result) || dd.keyboard_device == nullptr) {
        dd.keyboard_device = nullptr;
        return refuse_call("IDirectInput::CreateDevice(keyboard)", result);
    }
    result = dd.keyboard_device->SetDataFormat(&keyboard_data_format);
    if (FAILED(result)) return refuse_call("IDirectInputDevice::SetDataFormat", result);
    result = dd.keyboard_device->Acquire();
    if (FAILED(result)) return refuse_call("IDirectInputDevice::Acquire", result);
    return 0;
}

int32_t directx_create_window() {
    WindowState& w = window_state;
    IDirectDraw2* direct_draw = create_direct_draw();
    {
        std::lock_guard<std::mutex> hold(borrow_mutex);
        dd = DirectDrawState{};
        dd.direct_draw = direct_draw;
    }
    if (direct_draw == nullptr) return -1;
    HRESULT result = directx.DirectInputCreateA(w.window_class.hInstance, DINPUT_VERSION_USED,
                                                &dd.direct_input, nullptr);
    if (FAILED(result) || dd.direct_input == nullptr) {
        dd.direct_input = nullptr;
        return refuse_call("DirectInputCreateA", result);
    }
    dd.window_rect = RECT{0, 0, w.width, w.height};
    dd.full_screen = (w.flags & SCREEN_FULLSCREEN) != 0;
    if ((dd.full_screen ? create_full_screen_window() : create_windowed_window()) != 0) return -1;
    if (create_surfaces() != 0) return -1;
    DWORD frequency = 0;
    const bool measured = SUCCEEDED(dd.direct_draw->GetMonitorFrequency(&frequency));
    if (screen != nullptr) screen->refresh_rate = measured ? static_cast<int32_t>(frequency) : 0;
    SetForegroundWindow(w.hwnd);
    if (create_keyboard() != 0) return -1;
    mark_all_rows_dirty();  // new surfaces hold nothing yet
    return 0;
}

void directx_destroy_window() {
    WindowState& w = window_state;
    if (dd.keyboard_device != nullptr) dd.keyboard_device->Unacquire();
    release(dd.keyboard_device);
    release(dd.direct_input);
    if (dd.full_screen && dd.primary_surface != nullptr) {
        DDBLTFX effects{};
        effects.dwSize = sizeof effects;
        effects.dwFillColor = 0;
        dd.primary_surface->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &effects);
    }
    release(dd.draw_surface);
    release(dd.primary_surface);
    release(dd.palette);
    release(dd.clipper);
    if (dd.direct_draw != nullptr) {
        if (dd.mode_changed) dd.direct_draw->RestoreDisplayMode();
        if (dd.exclusive) dd.direct_draw->SetCooperativeLevel(w.hwnd, DDSCL_NORMAL);
        std::lock_guard<std::mutex> hold(borrow_mutex);
        release(dd.direct_draw);
    }
    if (w.hwnd != nullptr) DestroyWindow(w.hwnd);
    w.hwnd = nullptr;
    std::lock_guard<std::mutex> hold(borrow_mutex);
    dd = DirectDrawState{};
}

// The paint hook and the end of each frame: the off-screen surface into the client area, at
// wherever the window is now. Full screen draws straight into the display.
void directx_present() {
    const WindowState& w = window_state;
    if (dd.full_screen || dd.primary_surface == nullptr || dd.draw_surface == nullptr) return;
    POINT origin{0, 0};
    RECT client{};
    if (!ClientToScreen(w.hwnd, &origin) || !GetClientRect(w.hwnd, &client)) return;
    if (client.right <= 0 || client.bottom <= 0) return;  // minimised
    RECT destination{origin.x, origin.y, origin.x + client.right, origin.y + client.bottom};
    RECT source{0, 0, w.width, w.height};
    dd.primary_surface->Blt(&destination, dd.draw_surface, &source, DDBLT_WAIT, nullptr);
}

// A restored surface has lost its pixels, so the whole picture goes again.
void restore_lost_surfaces() {
    bool restored = false;
    if (dd.primary_surface->IsLost() == DDERR_SURFACELOST) {
        restored |= SUCCEEDED(dd.primary_surface->Restore());
    }
    if (!dd.full_screen && dd.draw_surface->IsLost() == DDERR_SURFACELOST) {
        restored |= SUCCEEDED(dd.draw_surface->Restore());
    }
    if (restored) mark_all_rows_dirty();
}

// The dirty rows through the blitter; the flags stay set when the surface cannot be written,
// so the next frame tries again.
void convert_dirty_rows() {
    const WindowState& w = window_state;
    DDSURFACEDESC desc{};
    desc.dwSize = sizeof desc;
    if (FAILED(dd.draw_surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr))) return;
    const bool fits = desc.lpSurface != nullptr && desc.lPitch > 0 &&
                      desc.dwWidth >= static_cast<DWORD>(w.width) &&
                      desc.dwHeight >= static_cast<DWORD>(w.height + dd.y_offset);
    if (fits && screen != nullptr && w.blitter != nullptr) {
        uint8_t* first_row = static_cast<uint8_t*>(desc.lpSurface) +
                             static_cast<ptrdiff_t>(desc.lPitch) * dd.y_offset;
        w.blitter(first_row, static_cast<int32_t>(desc.lPitch));
    }
    dd.draw_surface->Unlock(nullptr);
    if (fits) clear_dirty_rows();
}

// DirectInput reports an extended key (0x80 + code) apart; it counts as its base scan code.
void read_keyboard() {
    BYTE state[KEYBOARD_OBJECT_COUNT] = {};
    const HRESULT result = dd.keyboard_device->GetDeviceState(sizeof state, state);
    if (result == DIERR_NOTACQUIRED || result == DIERR_INPUTLOST) {
        dd.keyboard_device->Acquire();
        return;
    }
    if (FAILED(result) || screen == nullptr || screen->key_states == nullptr) return;
    for (int32_t code = 0; code < 128; ++code) {
        screen->key_states[code] = static_cast<uint8_t>((state[code] | state[code + 128]) >> 7);
    }
}

// One iteration of the update loop, lock held. An inactive full-screen display is left alone.
void directx_frame_update() {
    WindowState& w = window_state;
    if (dd.full_screen && !w.active) return;
    if (dd.primary_surface == nullptr || dd.draw_surface == nullptr) return;
    restore_lost_surfaces();
    if (w.palette_changed && dd.palette != nullptr &&
        SUCCEEDED(dd.palette->SetEntries(0, 0, 256, w.palette_entries))) {
        w.palette_changed = 0;
    }
    convert_dirty_rows();
    directx_present();
    if (w.active && dd.keyboard_device != nullptr) read_keyboard();
}

void directx_thread(HANDLE started) {
    run_update_loop(started, directx_frame_update, false);
}

int32_t directx_init(const char* title, int32_t width, int32_t height, int32_t depth,
                     int32_t refresh_rate, int32_t flags) {
    window_state = WindowState{};
    if (flags & SCREEN_OPENGL) return refuse_opengl();
    window_state.create_window = directx_create_window;
    window_state.destroy_window = directx_destroy_window;
    window_state.paint = directx_present;
    window_state.thread_procedure = directx_thread;
    return open_window_layer(title, width, height, std::max(depth, 8), refresh_rate, flags);
}

// Runs on the program's thread, so it waits on a borrowed reference: a full-screen switch may
// rebuild DirectDraw meanwhile. Without DirectDraw, or where it cannot wait, it sleeps.
void directx_wait_vsync() {
    IDirectDraw2* direct_draw = borrow_direct_draw();
    const bool waited = direct_draw != nullptr &&
                        SUCCEEDED(direct_draw->WaitForVerticalBlank(DDWAITVB_BLOCKBEGIN, nullptr));
    if (direct_draw != nullptr) direct_draw->Release();
    if (!waited) window_wait_vsync();
}

// Every listed mode, kept whole so that the shared listing picks the depth.
struct ModeCollector {
    DisplayMode* modes;  // malloc'd
    int32_t count, capacity;
    bool out_of_memory;
};

HRESULT WINAPI collect_mode(LPDDSURFACEDESC desc, LPVOID context) {
    auto* collector = static_cast<ModeCollector*>(context);
    if (desc == nullptr) return DDENUMRET_OK;
    if (collector->count == collector->capacity) {
        const int32_t capacity = collector->capacity == 0 ? 32 : collector->capacity * 2;
        void* grown =
            std::realloc(collector->modes, sizeof(DisplayMode) * static_cast<size_t>(capacity));
        if (grown == nullptr) {
            collector->out_of_memory = true;
            return DDENUMRET_CANCEL;
        }
        collector->modes = static_cast<DisplayMode*>(grown);
        collector->capacity = capacity;
    }
    collector->modes[collector->count++] = DisplayMode{
        .width = static_cast<int32_t>(desc->dwWidth),
        .height = static_cast<int32_t>(desc->dwHeight),
        .depth = mode_depth(desc->ddpfPixelFormat),
        .refresh_rate = static_cast<int32_t>(desc->dwRefreshRate),
    };
    return DDENUMRET_OK;
}

int32_t* directx_fetch_modes(int32_t depth, int32_t* count) {
    int32_t ignored = 0;
    if (count == nullptr) count = &ignored;
    *count = 0;
    IDirectDraw2* direct_draw = borrow_direct_draw();
    if (direct_draw == nullptr) direct_draw = create_direct_draw();
    if (direct_draw == nullptr) return nullptr;
    ModeCollector collector{};
    const HRESULT result =
        direct_draw->EnumDisplayModes(DDEDM_STANDARDVGAMODES, nullptr, &collector, collect_mode);
    direct_draw->Release();
    int32_t* listed = nullptr;
    if (SUCCEEDED(result) && !collector.out_of_memory) {
        listed =
            list_display_modes(DisplayModeList{collector.modes, collector.count}, depth, count);
    }
    std::free(collector.modes);
    return listed;
}

}  // namespace

extern const DisplayDriver DIRECTX_DRIVER = {
    .name = "DirectX",
    .init = directx_init,
    .exit = close_window_layer,
    .lock = window_lock,
    .unlock = window_unlock,
    .set_palette = window_set_palette,
    .wait_vsync = directx_wait_vsync,
    .get_mouse = window_get_mouse,
    .set_mouse = window_set_mouse,
    .set_window_title = window_set_title,
    .fetch_modes = directx_fetch_modes,
    .flip = nullptr,
};

}  // namespace qx
