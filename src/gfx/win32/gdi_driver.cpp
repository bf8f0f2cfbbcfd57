// The "GDI" driver: the framebuffer in an ordinary fixed-size window, each frame's band of
// changed rows sent with SetDIBitsToDevice.
#include "gfx/win32/window_layer.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "gfx/driver/blitter.h"
#include "gfx/driver/display_driver.h"
#include "gfx/screen.h"

namespace qx {

namespace {

// Caption, system menu and minimise box: no maximise box and no sizing border.
constexpr DWORD GDI_FRAME_STYLE = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr int64_t MAX_ROWS_BYTES = int64_t{1} << 30;

// A bitmap header with its full colour table, as SetDIBitsToDevice reads one.
struct DibInfo {
    BITMAPINFOHEADER header;
    RGBQUAD colors[256];
};

// Made by create_window and freed by destroy_window, both on the update thread.
struct GdiSurface {
    DibInfo* info;
    // Display rows in the bitmap's layout, converted by the window's blitter; null when the
    // framebuffer's own rows already are that layout.
    uint8_t* rows;
    int32_t row_pitch;  // bytes per row of `rows`
};
GdiSurface surface{};

// Bitmap rows are padded to whole 32-bit words.
int64_t dib_row_bytes(int32_t width, int32_t bits) {
    return (int64_t{width} * bits + 31) / 32 * 4;
}

void gdi_destroy_window() {
    std::free(surface.rows);
    std::free(surface.info);
    surface = GdiSurface{};
    window_state.blitter = nullptr;
    if (window_state.hwnd != nullptr) {
        DestroyWindow(window_state.hwnd);
        window_state.hwnd = nullptr;
    }
}

DibInfo* create_dib_info() {
    auto* info = static_cast<DibInfo*>(std::calloc(1, sizeof(DibInfo)));
    if (info == nullptr) return nullptr;
    info->header.biSize = sizeof(BITMAPINFOHEADER);
    info->header.biWidth = window_state.width;
    info->header.biHeight = -window_state.height;  // top-down rows
    info->header.biPlanes = 1;
    info->header.biBitCount = static_cast<WORD>(window_state.depth);
    info->header.biCompression = BI_RGB;
    info->header.biClrUsed = 256;
    return info;
}

// The rows the bitmap is sent from, when the framebuffer's are not: a 16-bit bitmap is 5-5-5,
// doubled rows need rows of their own, and an 8-bit row that is not a whole number of words
// would shift every row below it.
int32_t create_rows(const ScreenContext& s) {
    const int64_t row_bytes = dib_row_bytes(window_state.width, window_state.depth);
    if (window_state.depth != 16 && s.scanline_size == 1 && row_bytes == s.pitch) return 0;
    const int64_t bytes = row_bytes * window_state.height;
    if (bytes > MAX_ROWS_BYTES) {
        return driver_refusal("a %dx%d picture needs %lld bytes, more than %lld",
                              window_state.width, window_state.height,
                              static_cast<long long>(bytes),
                              static_cast<long long>(MAX_ROWS_BYTES));
    }
    window_state.blitter = select_blitter(window_state.depth == 16 ? 15 : window_state.depth, 0);
    if (window_state.blitter == nullptr) {
        return driver_refusal("no converter for a %d-bit screen", window_state.depth);
    }
    surface.rows = static_cast<uint8_t*>(std::calloc(static_cast<size_t>(bytes), 1));
    if (surface.rows == nullptr) {
        return driver_refusal("out of memory for a %dx%d picture (%lld bytes)", window_state.width,
                              window_state.height, static_cast<long long>(bytes));
    }
    surface.row_pitch = static_cast<int32_t>(row_bytes);
    return 0;
}

int32_t gdi_create_window() {
    if (window_state.flags & SCREEN_FULLSCREEN)
        return driver_refusal("windows only, no full screen");
    const ScreenContext* s = screen;
    if (s == nullptr || s->visible_page == nullptr) return driver_refusal("no screen to show");
    // The rows are sized from the window, the blitter writes the screen's: they must agree.
    if (s->width != window_state.width ||
        int64_t{s->height} * std::max(s->scanline_size, 1) != window_state.height) {
        return driver_refusal("a %dx%d window for a %dx%d screen of %d display rows per row",
                              window_state.width, window_state.height, s->width, s->height,
                              s->scanline_size);
    }
    if (window_state.depth != 8 && window_state.depth != 16 && window_state.depth != 32) {
        return driver_refusal("no %d-bit bitmaps (8, 16 or 32)", window_state.depth);
    }
    RECT frame{0, 0, window_state.width, window_state.height};
    if (!AdjustWindowRect(&frame, GDI_FRAME_STYLE, FALSE)) {
        return refuse_system_call("AdjustWindowRect");
    }
    const int32_t frame_width = frame.right - frame.left;
    const int32_t frame_height = frame.bottom - frame.top;
    const int32_t x = (GetSystemMetrics(SM_CXSCREEN) - frame_width) >> 1;
    const int32_t y = (GetSystemMetrics(SM_CYSCREEN) - frame_height) >> 1;
    window_state.hwnd = CreateWindowExA(
        0, window_state.class_name, window_state.title, WS_VISIBLE | GDI_FRAME_STYLE, x, y,
        frame_width, frame_height, nullptr, nullptr, window_state.window_class.hInstance, nullptr);
    if (window_state.hwnd == nullptr) return refuse_system_call("CreateWindowExA");
    surface.info = create_dib_info();
    if (surface.info == nullptr) return driver_refusal("out of memory for the bitmap header");
    if (create_rows(*s) != 0) return -1;
    SetForegroundWindow(window_state.hwnd);
    HDC dc = GetDC(window_state.hwnd);
    // 0 and 1 both mean "the hardware's default", no rate to pace by.
    const int rate = dc != nullptr ? GetDeviceCaps(dc, VREFRESH) : 0;
    if (dc != nullptr) ReleaseDC(window_state.hwnd, dc);
    screen->refresh_rate = rate > 1 ? rate : 0;
    mark_all_rows_dirty();
    return 0;
}

// One frame with the lock held: a changed palette, then the band of changed rows.
void gdi_frame_update() {
    DibInfo* info = surface.info;
    const ScreenContext* s = screen;
    if (info == nullptr || s == nullptr || window_state.hwnd == nullptr) return;
    if (window_state.palette_changed != 0) {
        for (int32_t i = 0; i < 256; ++i) {
            const PALETTEENTRY& entry = window_state.palette_entries[i];
            info->colors[i] = RGBQUAD{entry.peBlue, entry.peGreen, entry.peRed, 0};
        }
        window_state.palette_changed = 0;
        // Pixels already shown keep their old colours until they are sent again.
        if (window_state.depth == 8) mark_all_rows_dirty();
    }
    const RowBand band = dirty_row_band();
    if (band.count == 0) return;
    HDC dc = GetDC(window_state.hwnd);
    if (dc == nullptr) return;  // the rows stay dirty for the next frame
    const uint8_t* rows = s->visible_page;
    int64_t pitch = s->pitch;
    if (surface.rows != nullptr) {
        window_state.blitter(surface.rows, surface.row_pitch);
        rows = surface.rows;
        pitch = surface.row_pitch;
    }
    // The band is sent as a bitmap of its own rows: a top-down bitmap shorter than its header
    // says is placed differently by different GDI versions.
    info->header.biHeight = -band.count;
    SetDIBitsToDevice(dc, 0, band.top, static_cast<DWORD>(window_state.width),
                      static_cast<DWORD>(band.count), 0, 0, 0, static_cast<UINT>(band.count),
                      rows + band.top * pitch, reinterpret_cast<const BITMAPINFO*>(info),
                      DIB_RGB_COLORS);
    info->header.biHeight = -window_state.height;
    ReleaseDC(window_state.hwnd, dc);
    clear_dirty_rows();
}

void gdi_thread_procedure(HANDLE started) {
    run_update_loop(started, gdi_frame_update, true);
}

int32_t gdi_init(const char* title, int32_t width, int32_t height, int32_t depth,
                 int32_t refresh_rate, int32_t flags) {
    window_state = WindowState{};
    if (flags & SCREEN_OPENGL) return refuse_opengl();
    if (flags & SCREEN_FULLSCREEN) return driver_refusal("windows only, no full screen");
    window_state.create_window = gdi_create_window;
    window_state.destroy_window = gdi_destroy_window;
    window_state.paint = mark_all_rows_dirty;
    window_state.thread_procedure = gdi_thread_procedure;
    return open_window_layer(title, width, height, std::max(depth, 8), refresh_rate, flags);
}

}  // namespace

extern const DisplayDriver GDI_DRIVER = {
    .name = "GDI",
    .init = gdi_init,
    .exit = close_window_layer,
    .lock = window_lock,
    .unlock = window_unlock,
    .set_palette = window_set_palette,
    .wait_vsync = window_wait_vsync,
    .get_mouse = window_get_mouse,
    .set_mouse = window_set_mouse,
    .set_window_title = window_set_title,
    .fetch_modes = nullptr,
    .flip = nullptr,
};

}  // namespace qx
