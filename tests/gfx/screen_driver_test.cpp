// Opening and closing screens on recording drivers: the order of driver calls, what they
// receive, and the screen left behind when none opens.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "gfx/coordinates.h"
#include "gfx/driver/display_driver.h"
#include "gfx/font.h"
#include "gfx/lines.h"
#include "gfx/palette.h"
#include "gfx/screen.h"
#include "runtime/runtime.h"
#include "runtime/text_hooks.h"

namespace qx {
namespace {

struct Recording {
    std::vector<std::string> calls;
    bool accept = true;
    std::vector<std::vector<int32_t>> palette;  // {index, red, green, blue}
    int32_t locks = 0, unlocks = 0, vsyncs = 0;
};
Recording rec;

template <char Name>
int32_t fake_init(const char* title, int32_t width, int32_t height, int32_t depth, int32_t refresh,
                  int32_t flags) {
    rec.calls.push_back(std::string(1, Name) + ".init " + title + " " + std::to_string(width) +
                        "x" + std::to_string(height) + "x" + std::to_string(depth) + " r" +
                        std::to_string(refresh) + " f" + std::to_string(flags));
    return rec.accept ? 0 : -1;
}
template <char Name>
void fake_exit() {
    rec.calls.push_back(std::string(1, Name) + ".exit");
}
void fake_lock() {
    ++rec.locks;
}
void fake_unlock() {
    ++rec.unlocks;
}
void fake_vsync() {
    ++rec.vsyncs;
}
void fake_palette(int32_t i, int32_t r, int32_t g, int32_t b) {
    rec.palette.push_back({i, r, g, b});
}
void fake_title(const char* title) {
    rec.calls.push_back(std::string("title ") + title);
}

template <char Name>
constexpr DisplayDriver FAKE = {
    .name = Name == 'A' ? "DirectX" : "GDI",
    .init = fake_init<Name>,
    .exit = fake_exit<Name>,
    .lock = fake_lock,
    .unlock = fake_unlock,
    .set_palette = fake_palette,
    .wait_vsync = fake_vsync,
    .get_mouse = nullptr,
    .set_mouse = nullptr,
    .set_window_title = fake_title,
    .fetch_modes = nullptr,
    .flip = nullptr,
};
const DisplayDriver* const FAKES[] = {&FAKE<'A'>, &FAKE<'B'>, nullptr};

class ScreenDrivers : public ::testing::Test {
protected:
    void SetUp() override {
        close_screen();
        rec = Recording{};
        set_runtime_error(0);
    }
    void TearDown() override { close_screen(); }

    int32_t open(int32_t width, int32_t height, int32_t scanline_size = 1,
                 const char* qxgfx = nullptr, int32_t flags = 0) {
        const ModeDescription mode = {width,        height,    8,         scanline_size,
                                      &PALETTE_256, &FONT_8X8, width / 8, height / 8};
        return set_mode(mode, -1, 8, 1, 60, flags, FAKES, qxgfx);
    }
};

TEST_F(ScreenDrivers, OldDriverExitsBeforeTheNewOneOpens) {
    ASSERT_EQ(open(32, 16), 0);
    const std::string title = window_title();
    EXPECT_EQ(title, "screen_driver_test");  // the program's file name
    rec.calls.clear();
    ASSERT_EQ(open(48, 16, 1, "gdi"), 0);
    const std::vector<std::string> expected = {"A.exit", "B.init " + title + " 48x16x8 r60 f0"};
    EXPECT_EQ(rec.calls, expected);
    EXPECT_EQ(screen->driver, &FAKE<'B'>);
    close_screen();
    EXPECT_EQ(rec.calls.back(), "B.exit");
    EXPECT_EQ(screen, nullptr);
}

TEST_F(ScreenDrivers, DoubleScanRowsReachTheDriver) {
    ASSERT_EQ(open(32, 16, 2), 0);
    EXPECT_NE(rec.calls.at(0).find(" 32x32x8 "), std::string::npos);
}

TEST_F(ScreenDrivers, NoDriverLeavesNoScreenAndTheConsoleHooks) {
    rec.accept = false;
    EXPECT_EQ(open(32, 16), 1);
    EXPECT_EQ(runtime_error(), 1);
    EXPECT_EQ(screen, nullptr);
    EXPECT_EQ(HICOLOR_LOOKUP, nullptr);
    EXPECT_EQ(text_hooks.color_hook, nullptr);
    EXPECT_EQ(rec.calls.back(), "B.exit");  // the refused drivers were closed, nothing else
}

TEST_F(ScreenDrivers, NullRequestsNeverCallTheList) {
    ASSERT_EQ(open(32, 16, 1, "NULL"), 0);
    EXPECT_EQ(screen->driver, &NULL_DRIVER);
    ASSERT_EQ(open(32, 16, 1, "gdi", SCREEN_NULL), 0);
    EXPECT_EQ(screen->driver, &NULL_DRIVER);
    EXPECT_TRUE(rec.calls.empty());
    draw_point(nullptr, 3, 2, 7, 0, 0);  // drawing works without a window
    EXPECT_EQ(screen->pages[0][2 * 32 + 3], 7);
}

TEST_F(ScreenDrivers, OpeningSendsTheDefaultPalette) {
    ASSERT_EQ(open(32, 16), 0);
    ASSERT_EQ(rec.palette.size(), 256u);
    EXPECT_EQ(rec.palette[6], (std::vector<int32_t>{6, 170, 85, 0}));
    EXPECT_EQ(rec.palette[31], (std::vector<int32_t>{31, 255, 255, 255}));
    rec.palette.clear();
    resend_palette();
    ASSERT_EQ(rec.palette.size(), 256u);
    EXPECT_EQ(rec.palette[255], (std::vector<int32_t>{255, 0, 0, 0}));
}

TEST_F(ScreenDrivers, StatusPortWaitsForTheRetrace) {
    ASSERT_EQ(open(32, 16), 0);
    EXPECT_EQ(dac_in(0x3DA), 8);
    EXPECT_EQ(dac_in(0x103DA), 8);  // the port is taken in its low 16 bits
    EXPECT_EQ(rec.vsyncs, 2);
}

TEST_F(ScreenDrivers, EachDrawingCallTakesTheLockOnce) {
    ASSERT_EQ(open(32, 16), 0);
    rec.locks = rec.unlocks = 0;
    draw_point(nullptr, 1, 1, 2, 0, 0);
    draw_point(nullptr, 100, 1, 2, 0, 0);             // clipped before the lock
    draw_line(nullptr, 9, 2, 0, 2, 3, 0, 0xFFFF, 0);  // the solid row's short path
    EXPECT_EQ(rec.locks, 2);
    EXPECT_EQ(rec.unlocks, 2);
    EXPECT_EQ(screen->line_table[2][0], 3);
    EXPECT_EQ(screen->line_table[2][9], 3);
}

TEST_F(ScreenDrivers, TitleChangesReachTheOpenDriver) {
    ASSERT_EQ(open(32, 16), 0);
    change_window_title("Chase.exe", 5);
    EXPECT_EQ(rec.calls.back(), "title Chase");
    rec.calls.clear();
    ASSERT_EQ(open(32, 16), 0);
    EXPECT_EQ(rec.calls.back(), "A.init Chase 32x16x8 r60 f0");  // a set title is kept
}

}  // namespace
}  // namespace qx
