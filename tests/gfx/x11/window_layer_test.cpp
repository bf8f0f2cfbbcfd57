// The window layer and the GDI driver where no window can open: refused sizes and flags,
// no server, the palette store and the mouse of an inactive window.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>

#include "gfx/driver/display_driver.h"
#include "gfx/x11/window_layer.h"

namespace qx {
namespace {

class WindowLayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* old = std::getenv("DISPLAY");
        saved_display = old ? old : "";
        had_display = old != nullptr;
        // A display no server answers: every open must fail cleanly, never end the process.
        setenv("DISPLAY", "/nonexistent/qx-test:7", 1);
        window_state = WindowState{};
    }
    void TearDown() override {
        close_window_layer();
        if (had_display) {
            setenv("DISPLAY", saved_display.c_str(), 1);
        } else {
            unsetenv("DISPLAY");
        }
    }
    std::string saved_display;
    bool had_display = false;
};

TEST_F(WindowLayerTest, RefusedSizesFailBeforeAnyConnection) {
    for (auto [width, height] : {std::pair{0, 480}, {640, -1}, {40000, 480}, {640, 32768}}) {
        window_state = WindowState{};
        EXPECT_EQ(open_window_layer("t", width, height, 8, 0, 0), -1) << width << "x" << height;
        EXPECT_EQ(window_state.display, nullptr);
        close_window_layer();
        EXPECT_EQ(window_state.running, 0);
    }
}

TEST_F(WindowLayerTest, NoServerFailsTheOpenAndTheGdiInit) {
    EXPECT_EQ(open_window_layer("t", 640, 480, 8, 0, 0), -1);
    close_window_layer();
    EXPECT_EQ(GDI_DRIVER.init("chase", 640, 480, 8, 0, 0), -1);
    GDI_DRIVER.exit();
    EXPECT_EQ(GDI_DRIVER.init("chase", 640, 480, 8, 0, SCREEN_OPENGL), -1);
    GDI_DRIVER.exit();
}

TEST_F(WindowLayerTest, NamesComeFromTheTitle) {
    std::string long_title(300, 'x');
    open_window_layer(long_title.c_str(), 640, 480, 8, 0, 0);
    EXPECT_EQ(std::string(window_state.title).size(), 255u);
    EXPECT_EQ(std::string(window_state.class_name), "qxgfxclass_" + std::string(139, 'x'));
    close_window_layer();
    open_window_layer("chase", 640, 480, 8, 0, 0);
    EXPECT_STREQ(window_state.class_name, "qxgfxclass_chase");
}

TEST_F(WindowLayerTest, PaletteStoreKeepsBytesAndFlagsTheChange) {
    window_set_palette(3, 0x12, 0x34, 0x156);
    EXPECT_EQ(window_state.palette_entries[3][0], 0x12);
    EXPECT_EQ(window_state.palette_entries[3][1], 0x34);
    EXPECT_EQ(window_state.palette_entries[3][2], 0x56);
    EXPECT_EQ(window_state.palette_entries[3][3], PC_NOCOLLAPSE);
    EXPECT_EQ(window_state.palette_changed, 1);
    window_state.palette_changed = 0;
    window_set_palette(256, 1, 2, 3);
    window_set_palette(-1, 1, 2, 3);
    EXPECT_EQ(window_state.palette_changed, 0);
}

TEST_F(WindowLayerTest, MouseOfAnInactiveOrAbsentWindow) {
    int32_t x = 11, y = 12, wheel = 13, buttons = 14;
    EXPECT_EQ(window_get_mouse(&x, &y, &wheel, &buttons), -1);
    window_state.active = 1;  // active, but no window behind it
    EXPECT_EQ(window_get_mouse(&x, &y, &wheel, &buttons), -1);
    EXPECT_EQ(x + y + wheel + buttons, 11 + 12 + 13 + 14);
    window_set_mouse(5, 5, 0);  // nothing to move or hide: no effect, no crash
    EXPECT_EQ(window_input.cursor_visible, 1);
    window_set_title("ignored");
}

}  // namespace
}  // namespace qx

namespace qx {
namespace {

// The lock the program and the update thread share: exclusive, taken again by its holder,
// and a waiter always woken.
TEST(WindowLock, ExcludesTheOtherThreadAndNestsInItsHolder) {
    int64_t counter = 0;
    auto work = [&counter] {
        for (int32_t i = 0; i < 200000; ++i) {
            window_lock();
            window_lock();  // a palette change inside a drawing bracket
            const int64_t seen = counter;
            window_unlock();
            counter = seen + 1;
            window_unlock();
        }
    };
    std::thread other(work);
    work();
    other.join();
    EXPECT_EQ(counter, 400000);
}

}  // namespace
}  // namespace qx
