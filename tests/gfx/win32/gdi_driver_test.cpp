// The window layer's guards and the "GDI" driver: refused sizes and flags, the class named
// after the title, the palette store, calls without a window, the band of changed rows, and
// (where a display is there) the picture the window shows.
#include "gfx/graphics_keys.h"
#include "gfx/win32/window_layer.h"

#include <gtest/gtest.h>

#include <qx/qx.h>

#include <string>

#include "environment.h"
#include "gfx/driver/display_driver.h"
#include "null_screen.h"

namespace qx {
namespace {

TEST(WindowLayer, RefusedSizesAndFlags) {
    for (auto [width, height] : {std::pair{0, 480}, {640, -1}, {40000, 480}, {640, 32768}}) {
        window_state = WindowState{};
        EXPECT_EQ(open_window_layer("t", width, height, 8, 0, 0), -1) << width << "x" << height;
        close_window_layer();
        EXPECT_EQ(window_state.running, 0);
    }
    for (int32_t flags : {SCREEN_OPENGL, SCREEN_FULLSCREEN}) {
        EXPECT_EQ(GDI_DRIVER.init("t", 640, 480, 8, 0, flags), -1) << flags;
        GDI_DRIVER.exit();
        EXPECT_EQ(window_state.hwnd, nullptr);
    }
}

TEST(WindowLayer, ClassIsNamedAfterTheTitleAndRemovedAtClose) {
    // SCREEN_OPENGL: the class only, no thread and no window.
    const std::string long_title(300, 'x');
    window_state = WindowState{};
    ASSERT_EQ(open_window_layer(long_title.c_str(), 64, 48, 8, 0, SCREEN_OPENGL), 0);
    EXPECT_EQ(std::string(window_state.title).size(), 255u);
    const std::string name = window_state.class_name;
    EXPECT_EQ(name, "qxgfxclass_" + std::string(139, 'x'));
    WNDCLASSA found{};
    EXPECT_TRUE(GetClassInfoA(GetModuleHandleA(nullptr), name.c_str(), &found));
    EXPECT_EQ(found.lpfnWndProc, window_procedure);
    close_window_layer();
    EXPECT_FALSE(GetClassInfoA(GetModuleHandleA(nullptr), name.c_str(), &found));
    close_window_layer();  // twice is harmless

    window_state = WindowState{};
    ASSERT_EQ(open_window_layer(nullptr, 64, 48, 8, 0, SCREEN_OPENGL), 0);
    EXPECT_STREQ(window_state.class_name, "qxgfxclass_");
    close_window_layer();
}

TEST(WindowLayer, PaletteStoreAndCallsWithoutAWindow) {
    window_state = WindowState{};
    window_set_palette(255, 0x12, 0x34, 0x156);
    EXPECT_EQ(window_state.palette_entries[255].peBlue, 0x56);
    EXPECT_EQ(window_state.palette_entries[255].peFlags, PC_NOCOLLAPSE);
    EXPECT_EQ(window_state.palette_changed, 1);
    window_state.palette_changed = 0;
    window_set_palette(256, 1, 2, 3);
    window_set_palette(-1, 1, 2, 3);
    EXPECT_EQ(window_state.palette_changed, 0);

    window_state.active = 1;  // active, but no window behind it
    int32_t x = 11, y = 12, wheel = 13, buttons = 14;
    EXPECT_EQ(window_get_mouse(&x, &y, &wheel, &buttons), -1);
    EXPECT_EQ(x + y + wheel + buttons, 11 + 12 + 13 + 14);
    window_set_mouse(5, 5, 0);
    EXPECT_EQ(window_input.cursor_visible, 1) << "no window to hide the pointer of";
    window_set_title(nullptr);
    window_set_title("kept for the next window");
    EXPECT_STREQ(window_state.title, "kept for the next window");
    window_state = WindowState{};
}

class GdiBand : public NullScreenTest {};

TEST_F(GdiBand, BandRunsFromFirstToLastDirtyRowInDisplayRows) {
    open(64, 48);
    window_state = WindowState{};
    window_state.height = 48;
    clear_dirty_rows();
    EXPECT_EQ(dirty_row_band().count, 0);
    mark_rows_dirty(5, 5);
    mark_rows_dirty(9, 9);
    const RowBand band = dirty_row_band();
    EXPECT_EQ(band.top, 5);
    EXPECT_EQ(band.count, 5);

    ASSERT_EQ(screen_mode(2, 0, 1, 0, 0), 0);  // 640 x 200, each row shown twice
    window_state.height = 400;
    clear_dirty_rows();
    mark_rows_dirty(7, 8);
    const RowBand doubled = dirty_row_band();
    EXPECT_EQ(doubled.top, 14);
    EXPECT_EQ(doubled.count, 4);
    window_state = WindowState{};
}

// A real window: skipped where none can open (no display).
class GdiWindow : public NullScreenTest {
protected:
    bool open_gdi(int32_t width, int32_t height, int32_t depth, int32_t mode = 0) {
        set_env("QXGFX", "GDI");
        const int32_t result =
            mode != 0 ? screen_mode(mode, 0, 1, 0, 0) : screen_res(width, height, depth, 1, 0, 0);
        ScreenInfo info{};
        return result == 0 && screen_info(&info) == 0 && std::string(info.driver) == "GDI";
    }
    // Waits (no time is asserted) until the update thread has sent every changed row.
    static void wait_for_frame() {
        for (int32_t i = 0; i < 1000; ++i) {
            begin_draw();
            const bool clean = dirty_rows().empty() && window_state.palette_changed == 0;
            end_draw();
            if (clean) return;
            Sleep(5);
        }
        ADD_FAILURE() << "the update thread never sent the changed rows";
    }
    static COLORREF shown(int32_t x, int32_t y) {
        HDC dc = GetDC(window_state.hwnd);
        const COLORREF color = GetPixel(dc, x, y);
        ReleaseDC(window_state.hwnd, dc);
        return color & 0xFFFFFF;
    }
};

TEST_F(GdiWindow, OddWidthRowsAndPaletteChangesReachTheWindow) {
    if (!open_gdi(161, 120, 8)) GTEST_SKIP() << "no window here: " << error_text();
    RECT client{};
    GetClientRect(window_state.hwnd, &client);
    EXPECT_EQ(client.right, 161);
    EXPECT_EQ(client.bottom, 120);
    wait_for_frame();
    draw_point(nullptr, 160, 10, 15, 0, 0);
    draw_point(nullptr, 3, 100, 4, 0, 0);
    wait_for_frame();
    EXPECT_EQ(shown(160, 10), RGB(0xFF, 0xFF, 0xFF));
    EXPECT_EQ(shown(3, 100), RGB(0xAA, 0, 0));
    EXPECT_EQ(shown(4, 100), 0u);
    apply_palette(4, 0x003F0000);  // 0x00BBGGRR in 6-bit steps: blue
    wait_for_frame();
    EXPECT_EQ(shown(3, 100), RGB(0, 0, 0xFF)) << "rows outside any band get the new colour too";
    close_screen();
}

TEST_F(GdiWindow, DoubledRowsAndSixteenBits) {
    if (!open_gdi(0, 0, 0, 2)) GTEST_SKIP() << "no window here: " << error_text();
    wait_for_frame();
    draw_point(nullptr, 5, 7, 1, 0, 0);
    wait_for_frame();
    EXPECT_EQ(shown(5, 13), 0u);
    EXPECT_EQ(shown(5, 14), RGB(0xFF, 0xFF, 0xFF));
    EXPECT_EQ(shown(5, 15), RGB(0xFF, 0xFF, 0xFF));
    EXPECT_EQ(shown(5, 16), 0u);

    ASSERT_TRUE(open_gdi(64, 48, 16));
    wait_for_frame();
    draw_point(nullptr, 9, 20, 0xF80000, 0, 0);
    wait_for_frame();
    EXPECT_GE(GetRValue(shown(9, 20)), 0xF8);
    EXPECT_EQ(shown(9, 20) & 0xFFFF00, 0u) << "red only";
    close_screen();
}

}  // namespace
}  // namespace qx
