#include "null_screen.h"

#include <cstring>

#include "environment.h"
#include "runtime/memory_console.h"
#include "runtime/text_hooks.h"

namespace qx {

void NullScreenTest::SetUp() {
    set_env("QXGFX", "null");
    install_memory_console(80, 25, 25);
}

void NullScreenTest::TearDown() {
    close_screen();
}

void NullScreenTest::open(int32_t width, int32_t height, int32_t depth) {
    ASSERT_EQ(screen_res(width, height, depth, 0, 0, 0), 0);
    ASSERT_NE(screen, nullptr);
}

uint32_t pixel(int32_t x, int32_t y) {
    const uint8_t* row =
        screen->pages[screen->work_page] + static_cast<ptrdiff_t>(y) * screen->pitch;
    switch (screen->bytes_per_pixel) {
        case 1:
            return row[x];
        case 2: {
            uint16_t v;
            std::memcpy(&v, row + 2 * x, 2);
            return v;
        }
        default: {
            uint32_t v;
            std::memcpy(&v, row + 4 * x, 4);
            return v;
        }
    }
}

std::set<std::pair<int32_t, int32_t>> painted(uint32_t background) {
    std::set<std::pair<int32_t, int32_t>> points;
    for (int32_t y = 0; y < screen->height; ++y)
        for (int32_t x = 0; x < screen->width; ++x)
            if (pixel(x, y) != background) points.insert({x, y});
    return points;
}

std::set<int32_t> dirty_rows() {
    std::set<int32_t> rows;
    for (int32_t y = 0; y < screen->height * screen->scanline_size; ++y)
        if (screen->dirty_lines[y]) rows.insert(y);
    return rows;
}

}  // namespace qx
