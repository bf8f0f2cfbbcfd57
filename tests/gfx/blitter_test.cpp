#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "gfx/driver/blitter.h"
#include "gfx/screen.h"

namespace qx {
namespace {

// A hand-built screen: pages, dirty flags and palette owned by the test.
class Blitters : public ::testing::Test {
protected:
    ScreenContext context{};
    std::vector<uint8_t> page, dirty;
    std::vector<uint32_t> palette = std::vector<uint32_t>(256);
    uint32_t lookup[512];
    std::mt19937 random{1234};

    void make_screen(int32_t width, int32_t height, int32_t depth, int32_t scanline = 1) {
        context = {};
        context.width = width;
        context.height = height;
        context.depth = depth;
        context.bytes_per_pixel = depth <= 8 ? 1 : depth / 8;
        context.pitch = width * context.bytes_per_pixel;
        context.scanline_size = scanline;
        page.resize(static_cast<size_t>(context.pitch) * height);
        for (auto& byte : page) byte = static_cast<uint8_t>(random());
        dirty.assign(static_cast<size_t>(height) * scanline, 1);
        for (auto& entry : palette) entry = random() & 0xFFFFFF;
        context.visible_page = page.data();
        context.dirty_lines = dirty.data();
        context.device_palette = palette.data();
        screen = &context;
        HICOLOR_LOOKUP = lookup;
    }
    void TearDown() override {
        screen = nullptr;
        HICOLOR_LOOKUP = nullptr;
    }
};

int32_t bytes_of(int32_t display) { return display == 15 ? 2 : display / 8; }

// The display pixel of one source pixel, computed the long way.
uint32_t reference(const ScreenContext& s, int32_t x, int32_t y, int32_t display, bool red_low) {
    const uint8_t* row = s.visible_page + static_cast<size_t>(y) * s.pitch;
    uint32_t r, g, b;
    if (s.depth <= 8) {
        uint32_t c = s.device_palette[row[x]];
        r = c & 0xFF, g = (c >> 8) & 0xFF, b = (c >> 16) & 0xFF;
    } else if (s.depth == 16) {
        uint16_t p;
        std::memcpy(&p, row + 2 * x, 2);
        r = (p >> 11) << 3, g = ((p >> 5) & 0x3F) << 2, b = (p & 0x1F) << 3;
    } else {
        uint32_t p;
        std::memcpy(&p, row + 4 * x, 4);
        r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
    }
    if (red_low) std::swap(r, b);
    switch (display) {
        case 15: return (r >> 3) << 10 | (g >> 3) << 5 | b >> 3;
        case 16: return (r >> 3) << 11 | (g >> 2) << 5 | b >> 3;
        default: return r << 16 | g << 8 | b;  // 24 bytes in memory: b, g, r
    }
}

uint32_t read_display(const uint8_t* p, int32_t display) {
    uint32_t v = 0;
    std::memcpy(&v, p, static_cast<size_t>(bytes_of(display)));
    return v;
}

TEST_F(Blitters, EveryEntryMatchesTheReference) {
    for (int32_t source : {8, 16, 32}) {
        for (int32_t display : {15, 16, 24, 32}) {
            for (int32_t red_low : {0, 1}) {
                for (bool fast : {false, true}) {
                    for (int32_t width : {1, 3, 7, 17, 64}) {
                        make_screen(width, 5, source);
                        build_hicolor_lookup(lookup, red_low);
                        Blitter blitter = choose_blitter(source, display, red_low, fast);
                        ASSERT_NE(blitter, nullptr);
                        int32_t pitch = width * bytes_of(display) + 5;
                        std::vector<uint8_t> out(static_cast<size_t>(pitch) * 5, 0xEE);
                        blitter(out.data(), pitch);
                        for (int32_t y = 0; y < 5; ++y) {
                            for (int32_t x = 0; x < width; ++x) {
                                uint32_t got = read_display(&out[y * pitch + x * bytes_of(display)], display);
                                uint32_t want = reference(context, x, y, display, red_low);
                                if (source == 32 && display == 32 && !red_low) {
                                    got &= 0xFFFFFF;  // the row copy keeps the unused top byte
                                }
                                ASSERT_EQ(got, want) << source << "->" << display << " red_low "
                                                     << red_low << " fast " << fast << " width "
                                                     << width << " at " << x << "," << y;
                            }
                            EXPECT_EQ(out[y * pitch + width * bytes_of(display)], 0xEE);
                        }
                    }
                }
            }
        }
    }
}

TEST_F(Blitters, CleanRowsAreNotTouchedAndScanlinesRepeat) {
    make_screen(8, 4, 8, 2);
    std::memset(dirty.data(), 0, dirty.size());
    Blitter blitter = choose_blitter(8, 32, 0, false);
    std::vector<uint8_t> out(8 * 4 * 8, 0xEE);
    blitter(out.data(), 32);
    for (uint8_t byte : out) ASSERT_EQ(byte, 0xEE);
    dirty[1] = 1;  // framebuffer row 1 fills display rows 2 and 3
    blitter(out.data(), 32);
    for (int32_t y = 0; y < 8; ++y) {
        bool written = y == 2 || y == 3;
        EXPECT_EQ(out[y * 32] != 0xEE || out[y * 32 + 1] != 0xEE, written) << y;
    }
    uint32_t first, second;
    std::memcpy(&first, &out[2 * 32], 4);
    std::memcpy(&second, &out[3 * 32], 4);
    EXPECT_EQ(first, second);
}

TEST_F(Blitters, WorkedExamples) {
    make_screen(4, 1, 8);
    page.assign(4, 0);
    palette[0] = 0x00102030;
    uint16_t out[4];
    choose_blitter(8, 16, 0, false)(reinterpret_cast<uint8_t*>(out), 8);
    EXPECT_EQ(out[0], 0x3102);
    choose_blitter(8, 16, 1, true)(reinterpret_cast<uint8_t*>(out), 8);
    EXPECT_EQ(out[0], 0x1106);
    make_screen(8, 1, 16);
    for (int i = 0; i < 8; ++i) std::memcpy(&page[2 * i], "\x00\xF8", 2);
    uint32_t wide[8];
    for (bool fast : {false, true}) {
        build_hicolor_lookup(lookup, 0);
        choose_blitter(16, 32, 0, fast)(reinterpret_cast<uint8_t*>(wide), 32);
        EXPECT_EQ(wide[7], 0x00F80000u);
        build_hicolor_lookup(lookup, 1);
        choose_blitter(16, 32, 1, fast)(reinterpret_cast<uint8_t*>(wide), 32);
        EXPECT_EQ(wide[7], 0x000000F8u);
    }
}

TEST_F(Blitters, TopByteOfTrueColourIsIgnored) {
    make_screen(4, 1, 32);
    uint32_t pixels[4] = {0xFF123456, 0x00123456, 0xAB123456, 0x12123456};
    std::memcpy(page.data(), pixels, 16);
    for (int32_t display : {15, 16, 24}) {
        uint8_t out[16];
        choose_blitter(32, display, 1, true)(out, 16);
        int32_t n = bytes_of(display);
        for (int i = 1; i < 4; ++i) EXPECT_EQ(std::memcmp(out, out + i * n, n), 0) << display;
    }
    uint32_t swapped[4];
    choose_blitter(32, 32, 1, false)(reinterpret_cast<uint8_t*>(swapped), 16);
    EXPECT_EQ(swapped[0], swapped[1]);
}

TEST_F(Blitters, SelectionByDepthsAndGroup) {
    make_screen(16, 2, 32);
    EXPECT_EQ(select_blitter(8, 0), nullptr);  // true colour cannot go to an 8-bit display
    EXPECT_EQ(choose_blitter(16, 8, 0, false), nullptr);
    EXPECT_EQ(choose_blitter(8, 8, 0, true), ROW_COPY);
    EXPECT_EQ(choose_blitter(8, 12, 0, false), nullptr);
    EXPECT_EQ(choose_blitter(4, 24, 0, false), choose_blitter(8, 24, 0, false));
    context.screen_flags = SCREEN_HAS_MMX;
    EXPECT_EQ(select_blitter(32, 1), BLITTER_TABLE[blitter_index(true, false, SourceClass::TRUECOLOR, 32)]);
    context.scanline_size = 2;  // the fast group serves one display row per framebuffer row only
    EXPECT_EQ(select_blitter(32, 1), BLITTER_TABLE[blitter_index(false, false, SourceClass::TRUECOLOR, 32)]);
    EXPECT_EQ(lookup[1], 1u << 19);  // rebuilt for red-low
}

}  // namespace
}  // namespace qx
