// The band a window driver converts each frame: from the first to the last dirty row, in
// display rows, flags cleared afterwards, everything after a palette change.
#include <gtest/gtest.h>

#include <vector>

#include "gfx/driver/blitter.h"
#include "gfx/lines.h"
#include "null_screen.h"
// After the test headers: X's None macro would clash with theirs.
#include "gfx/x11/window_layer.h"

namespace qx {
namespace {

class WindowBand : public NullScreenTest {
protected:
    // A 32-bit picture of the screen's display rows, as the window drivers keep one.
    void make_image() {
        window_state = WindowState{};
        window_state.width = screen->width;
        window_state.height = screen->height * screen->scanline_size;
        window_state.blitter = select_blitter(32, 1);
        ASSERT_NE(window_state.blitter, nullptr);
        pixels.assign(static_cast<size_t>(window_state.width) * window_state.height, 0xDEADBEEF);
        image = XImage{};
        image.width = window_state.width;
        image.height = window_state.height;
        image.bytes_per_line = window_state.width * 4;
        image.data = reinterpret_cast<char*>(pixels.data());
    }
    uint32_t shown(int32_t x, int32_t y) const {
        return pixels[static_cast<size_t>(y) * window_state.width + x];
    }
    std::vector<uint32_t> pixels;
    XImage image{};
};

TEST_F(WindowBand, CleanScreenConvertsNothing) {
    open(64, 48);
    make_image();
    clear_dirty_rows();
    const RowBand band = convert_dirty_rows(&image);
    EXPECT_EQ(band.count, 0);
    EXPECT_EQ(shown(0, 0), 0xDEADBEEFu);
    EXPECT_EQ(convert_dirty_rows(nullptr).count, 0);
}

TEST_F(WindowBand, BandRunsFromFirstToLastDirtyRowAndClearsTheFlags) {
    open(64, 48);
    make_image();
    clear_dirty_rows();
    draw_box(3, 5, 10, 5, 15, 1);
    draw_box(3, 9, 10, 9, 15, 1);
    const RowBand band = convert_dirty_rows(&image);
    EXPECT_EQ(band.top, 5);
    EXPECT_EQ(band.count, 5);
    EXPECT_TRUE(dirty_rows().empty());
    EXPECT_EQ(shown(3, 5), 0xFFFFFFu);
    EXPECT_EQ(shown(3, 9), 0xFFFFFFu);
    EXPECT_EQ(shown(0, 4), 0xDEADBEEFu) << "rows above the band are left alone";
    EXPECT_EQ(convert_dirty_rows(&image).count, 0) << "a second frame has nothing new";
}

TEST_F(WindowBand, DoubledRowsCountTwiceAndPaletteChangesRepaintAll) {
    ASSERT_EQ(screen_mode(2, 0, 1, 0, 0), 0);  // 640 x 200, each row shown twice
    ASSERT_EQ(screen->scanline_size, 2);
    make_image();
    clear_dirty_rows();
    draw_box(0, 7, 3, 8, 1, 1);
    RowBand band = convert_dirty_rows(&image);
    EXPECT_EQ(band.top, 14);
    EXPECT_EQ(band.count, 4);
    EXPECT_EQ(shown(0, 14), shown(0, 15));
    window_state.palette_changed = 1;
    band = convert_dirty_rows(&image);
    EXPECT_EQ(band.top, 0);
    EXPECT_EQ(band.count, 400);
    EXPECT_EQ(window_state.palette_changed, 0);
}

}  // namespace
}  // namespace qx
