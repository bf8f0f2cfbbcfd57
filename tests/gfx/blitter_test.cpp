#include "gfx/driver/blitter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "gfx/driver/blitter_fast.h"
#include "gfx/screen.h"

namespace qx {
namespace {

constexpr uint8_t SENTINEL = 0xA5;
constexpr int32_t DISPLAYS[] = {15, 16, 24, 32};
constexpr int32_t SOURCE_DEPTHS[] = {8, 16, 32};

int32_t display_bytes(int32_t display) {
    return display == 24 ? 3 : display == 32 ? 4 : 2;
}
int32_t source_bytes(int32_t depth) {
    return depth <= 8 ? 1 : depth / 8;
}

SourceClass source_of(int32_t depth) {
    return depth <= 8    ? SourceClass::INDEXED
           : depth == 16 ? SourceClass::HICOLOR
                         : SourceClass::TRUECOLOR;
}

// A hand-built screen with its own page, dirty flags, palette and 16-bit lookup.
class Blitters : public ::testing::Test {
protected:
    void SetUp() override {
        saved_screen = screen;
        saved_lookup = HICOLOR_LOOKUP;
        screen = &context;
        HICOLOR_LOOKUP = lookup;
    }
    void TearDown() override {
        screen = saved_screen;
        HICOLOR_LOOKUP = saved_lookup;
    }

    // Random pixels (top bytes included), a random palette, every row dirty.
    void make_screen(int32_t depth, int32_t width, int32_t height, int32_t scanline_size = 1) {
        context = {};
        context.depth = depth;
        context.width = width;
        context.height = height;
        context.scanline_size = scanline_size;
        context.pitch = width * source_bytes(depth);
        page.assign(static_cast<size_t>(context.pitch) * height, 0);
        for (auto& b : page)
            b = static_cast<uint8_t>(random());
        dirty.assign(static_cast<size_t>(height) * scanline_size, 1);
        for (auto& entry : palette)
            entry = random() & 0xFFFFFFu;
        context.visible_page = page.data();
        context.dirty_lines = dirty.data();
        context.device_palette = palette;
    }

    void make_display(int32_t display, int32_t extra = 5) {
        display_pitch = context.width * (display == 8 ? 1 : display_bytes(display)) + extra;
        display_rows = context.height * context.scanline_size;
        target.assign(static_cast<size_t>(display_pitch) * display_rows, SENTINEL);
    }

    uint32_t source_pixel(int32_t x, int32_t y) const {
        uint32_t v = 0;
        const uint8_t* p = page.data() + y * context.pitch + x * source_bytes(context.depth);
        std::memcpy(&v, p, source_bytes(context.depth));
        return v;
    }

    // Straight from the format tables: one pixel as the display's bytes.
    std::vector<uint8_t> reference(uint32_t raw, int32_t display, bool red_high) const {
        uint32_t r, g, b;
        if (context.depth <= 8) {
            uint32_t entry = palette[raw & 0xFF];  // 0x00BBGGRR
            r = entry & 0xFF, g = entry >> 8 & 0xFF, b = entry >> 16 & 0xFF;
        } else if (context.depth == 16) {
            r = (raw >> 11) << 3, g = (raw >> 5 & 63) << 2, b = (raw & 31) << 3;
        } else {
            r = raw >> 16 & 0xFF, g = raw >> 8 & 0xFF, b = raw & 0xFF;
        }
        bool same_format = red_high && ((context.depth == 16 && display == 16) ||
                                        (context.depth == 32 && display == 32));
        uint32_t high = red_high ? r : b, low = red_high ? b : r;
        uint32_t v;
        switch (display) {
            case 15:
                v = (high >> 3) << 10 | (g >> 3) << 5 | low >> 3;
                break;
            case 16:
                v = (high >> 3) << 11 | (g >> 2) << 5 | low >> 3;
                break;
            default:
                v = high << 16 | g << 8 | low;
                break;
        }
        if (same_format) v = raw;  // the row copy passes the pixel through untouched
        std::vector<uint8_t> bytes(display_bytes(display));
        for (size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<uint8_t>(v >> (8 * i));
        return bytes;
    }

    // Dirty rows hold the reference pixels then sentinels; clean rows are all sentinels.
    void expect_display_matches(int32_t display, bool red_high) const {
        int32_t bytes = display_bytes(display);
        for (int32_t row = 0; row < display_rows; ++row) {
            int32_t source_row = row / context.scanline_size;
            const uint8_t* line = target.data() + row * display_pitch;
            int32_t written = dirty[source_row] ? context.width * bytes : 0;
            for (int32_t x = 0; x < written / bytes; ++x) {
                auto want = reference(source_pixel(x, source_row), display, red_high);
                ASSERT_EQ(std::vector<uint8_t>(line + x * bytes, line + (x + 1) * bytes), want)
                    << "row " << row << " x " << x;
            }
            for (int32_t i = written; i < display_pitch; ++i) {
                ASSERT_EQ(line[i], SENTINEL) << "row " << row << " byte " << i;
            }
        }
    }

    bool untouched() const {
        for (uint8_t b : target) {
            if (b != SENTINEL) return false;
        }
        return true;
    }

    uint32_t random() { return static_cast<uint32_t>(generator()); }

    ScreenContext context{};
    std::vector<uint8_t> page, dirty, target;
    uint32_t palette[256]{};
    uint32_t lookup[HICOLOR_LOOKUP_ENTRIES]{};
    int32_t display_pitch = 0, display_rows = 0;
    std::mt19937 generator{20261209};
    ScreenContext* saved_screen = nullptr;
    uint32_t* saved_lookup = nullptr;
};

TEST_F(Blitters, EveryEntryMatchesTheReferenceOnRandomRows) {
    const bool wide = blitter_detail::wide_vectors, permutes = blitter_detail::byte_permutes;
    for (int pass = 0; pass < (wide || permutes ? 2 : 1); ++pass) {
        // And the narrower steps too.
        blitter_detail::wide_vectors = wide && pass == 0;
        blitter_detail::byte_permutes = permutes && pass == 0;
        for (bool fast : {false, true}) {
            for (bool red_high : {false, true}) {
                for (int32_t depth : SOURCE_DEPTHS) {
                    for (int32_t display : DISPLAYS) {
                        for (int32_t width : {1, 2, 3, 4, 7, 8, 17, 33, 64, 71, 135}) {
                            SCOPED_TRACE(std::string(fast ? "fast" : "plain") +
                                         (red_high ? " red-high " : " red-low ") + "source " +
                                         std::to_string(depth) + " display " +
                                         std::to_string(display) + " width " +
                                         std::to_string(width));
                            make_screen(depth, width, 4);
                            dirty = {1, 0, 1, 1};
                            make_display(display);
                            build_hicolor_lookup(lookup, red_high ? 0 : 1);
                            int32_t index =
                                blitter_index(fast, red_high, source_of(depth), display);
                            ASSERT_GE(index, 0);
                            BLITTER_TABLE[index](target.data(), display_pitch);
                            expect_display_matches(display, red_high);
                        }
                    }
                }
            }
        }
    }
    blitter_detail::wide_vectors = wide;
    blitter_detail::byte_permutes = permutes;
}

// The indexed converters keep the palette's display pixels between calls: any entry that
// changes in between must show.
TEST_F(Blitters, APaletteChangeBetweenCallsShows) {
    for (bool fast : {false, true}) {
        for (bool red_high : {false, true}) {
            for (int32_t display : DISPLAYS) {
                SCOPED_TRACE(std::string(fast ? "fast" : "plain") + " display " +
                             std::to_string(display));
                make_screen(8, 19, 3);
                const Blitter blitter =
                    BLITTER_TABLE[blitter_index(fast, red_high, SourceClass::INDEXED, display)];
                for (int32_t change = 0; change < 4; ++change) {
                    palette[page[static_cast<size_t>(change)]] ^= 0x00010000u << change;
                    make_display(display);
                    blitter(target.data(), display_pitch);
                    expect_display_matches(display, red_high);
                }
            }
        }
    }
}

TEST_F(Blitters, NoDirtyRowWritesNothing) {
    for (int32_t depth : SOURCE_DEPTHS) {
        make_screen(depth, 16, 6);
        std::fill(dirty.begin(), dirty.end(), 0);
        build_hicolor_lookup(lookup, 0);
        for (Blitter blitter : BLITTER_TABLE) {
            make_display(32);
            blitter(target.data(), display_pitch);
            EXPECT_TRUE(untouched());
        }
        make_display(32);
        ROW_COPY(target.data(), display_pitch);
        EXPECT_TRUE(untouched());
    }
}

TEST_F(Blitters, ScanlineSizeTwoWritesEachDirtyRowTwice) {
    for (int32_t depth : SOURCE_DEPTHS) {
        for (bool red_high : {false, true}) {
            for (int32_t display : DISPLAYS) {
                make_screen(depth, 9, 3, 2);
                dirty = {0, 1, 0};
                make_display(display);
                build_hicolor_lookup(lookup, red_high ? 0 : 1);
                context.screen_flags = SCREEN_HAS_MMX;
                Blitter blitter = select_blitter(display, red_high ? 0 : 1);
                // Rows of a doubled screen come only from the plain group.
                EXPECT_EQ(blitter,
                          BLITTER_TABLE[blitter_index(false, red_high, source_of(depth), display)]);
                blitter(target.data(), display_pitch);
                expect_display_matches(display, red_high);
                size_t row = static_cast<size_t>(display_pitch);
                EXPECT_NE(target[2 * row], SENTINEL);
                EXPECT_TRUE(std::equal(target.begin() + 2 * row, target.begin() + 3 * row,
                                       target.begin() + 3 * row));
            }
        }
    }
}

TEST_F(Blitters, RowCopyForAnIndexedScreenOnAnEightBitDisplay) {
    make_screen(8, 13, 3, 2);
    dirty = {1, 0, 1};
    make_display(8);
    Blitter blitter = choose_blitter(8, 8, 0, true);
    ASSERT_EQ(blitter, ROW_COPY);
    blitter(target.data(), display_pitch);
    for (int32_t row = 0; row < display_rows; ++row) {
        const uint8_t* line = target.data() + row * display_pitch;
        const uint8_t* source = page.data() + (row / 2) * context.pitch;
        bool written = dirty[row / 2] != 0;
        EXPECT_EQ(std::memcmp(line, source, 13) == 0, written) << row;
        EXPECT_EQ(line[13], SENTINEL);
    }
}

TEST_F(Blitters, WorkedExamples) {
    for (bool fast : {false, true}) {
        // A palette colour on 16-bit displays of both orders.
        make_screen(8, 1, 1);
        palette[5] = 0x00102030;
        page[0] = 5;
        uint16_t shown = 0;
        make_display(16, 0);
        choose_blitter(8, 16, 0, fast)(target.data(), display_pitch);
        std::memcpy(&shown, target.data(), 2);
        EXPECT_EQ(shown, 0x3102);
        choose_blitter(8, 16, 1, fast)(target.data(), display_pitch);
        std::memcpy(&shown, target.data(), 2);
        EXPECT_EQ(shown, 0x1106);

        // Pure red 5-6-5 on 32-bit displays, the lookup rebuilt by each selection.
        make_screen(16, 1, 1);
        page[0] = 0x00, page[1] = 0xF8;
        context.screen_flags = fast ? SCREEN_HAS_MMX : 0;
        uint32_t colour = 0;
        make_display(32, 0);
        select_blitter(32, 0)(target.data(), display_pitch);
        std::memcpy(&colour, target.data(), 4);
        EXPECT_EQ(colour, 0x00F80000u);
        select_blitter(32, 1)(target.data(), display_pitch);
        std::memcpy(&colour, target.data(), 4);
        EXPECT_EQ(colour, 0x000000F8u);
    }
}

TEST_F(Blitters, TopByteOfTruecolorPixelsIsIgnored) {
    for (bool fast : {false, true}) {
        for (bool red_high : {false, true}) {
            for (int32_t display : DISPLAYS) {
                if (red_high && display == 32) continue;  // same format: a plain copy
                make_screen(32, 5, 1);
                std::vector<uint8_t> shown[2];
                for (uint32_t top : {0x00u, 0xABu}) {
                    for (int32_t x = 0; x < 5; ++x) {
                        uint32_t v = 0x123456u * (x + 1) % 0x1000000u | top << 24;
                        std::memcpy(page.data() + 4 * x, &v, 4);
                    }
                    make_display(display);
                    BLITTER_TABLE[blitter_index(fast, red_high, SourceClass::TRUECOLOR, display)](
                        target.data(), display_pitch);
                    shown[top ? 1 : 0] = target;
                }
                EXPECT_EQ(shown[0], shown[1]) << display;
            }
        }
    }
}

TEST_F(Blitters, SelectionByDepthsAndGroup) {
    for (int32_t depth : {1, 2, 4, 8, 16, 32}) {
        for (bool fast : {false, true}) {
            for (int32_t red_low : {0, 1}) {
                make_screen(depth, 4, 1);
                for (int32_t display : DISPLAYS) {
                    EXPECT_EQ(choose_blitter(depth, display, red_low, fast),
                              BLITTER_TABLE[blitter_index(fast, red_low == 0, source_of(depth),
                                                          display)]);
                }
                Blitter on_eight_bits = choose_blitter(depth, 8, red_low, fast);
                EXPECT_EQ(on_eight_bits, depth <= 8 ? ROW_COPY : nullptr) << depth;
                for (int32_t display : {0, -1, 12, 31, 64}) {
                    EXPECT_EQ(choose_blitter(depth, display, red_low, fast), nullptr);
                }
            }
        }
    }
    for (int32_t depth : {0, 15, 24, -8, 64}) {
        EXPECT_EQ(choose_blitter(depth, 32, 0, false), nullptr) << depth;
        make_screen(8, 4, 1);
        context.depth = depth;
        EXPECT_EQ(select_blitter(32, 0), nullptr) << depth;
    }
    // The fast group only with the processor flag.
    make_screen(32, 4, 1);
    EXPECT_EQ(select_blitter(15, 1),
              BLITTER_TABLE[blitter_index(false, false, SourceClass::TRUECOLOR, 15)]);
    context.screen_flags = SCREEN_HAS_MMX;
    EXPECT_EQ(select_blitter(15, 1),
              BLITTER_TABLE[blitter_index(true, false, SourceClass::TRUECOLOR, 15)]);
    screen = nullptr;
    EXPECT_EQ(select_blitter(32, 0), nullptr);
}

TEST_F(Blitters, SelectionRebuildsTheLookupForTheOrder) {
    make_screen(16, 4, 1);
    std::fill(std::begin(lookup), std::end(lookup), 0xDEADBEEFu);
    select_blitter(24, 1);
    EXPECT_EQ(lookup[0x1F], 0x00F80000u);        // blue field of the low byte
    EXPECT_EQ(lookup[0xE0], 0x00001C00u);        // low green bits
    EXPECT_EQ(lookup[256 + 0x07], 0x0000E000u);  // high green bits
    EXPECT_EQ(lookup[256 + 0xF8], 0x000000F8u);  // red
    select_blitter(24, 0);
    EXPECT_EQ(lookup[0x1F], 0x000000F8u);
    EXPECT_EQ(lookup[256 + 0xF8], 0x00F80000u);
    HICOLOR_LOOKUP = nullptr;  // a screen without its lookup still selects
    EXPECT_NE(select_blitter(24, 0), nullptr);
}

TEST_F(Blitters, AnyLookupContentIsHonouredByBothGroups) {
    for (int32_t display : {24, 32}) {
        for (bool fast : {false, true}) {
            make_screen(16, 19, 2);
            for (auto& entry : lookup)
                entry = random();
            make_display(display);
            BLITTER_TABLE[blitter_index(fast, true, SourceClass::HICOLOR, display)](target.data(),
                                                                                    display_pitch);
            int32_t bytes = display_bytes(display);
            for (int32_t y = 0; y < 2; ++y) {
                for (int32_t x = 0; x < 19; ++x) {
                    uint32_t p = source_pixel(x, y);
                    uint32_t want = lookup[p & 0xFF] | lookup[256 + (p >> 8)];
                    uint32_t got = 0;
                    std::memcpy(&got, target.data() + y * display_pitch + x * bytes, bytes);
                    if (bytes == 3) want &= 0xFFFFFFu;
                    ASSERT_EQ(got, want) << display << " " << fast << " " << x;
                }
            }
        }
    }
}

TEST_F(Blitters, UnreadableScreensWriteNothing) {
    auto run_all = [&] {
        std::fill(target.begin(), target.end(), SENTINEL);
        for (Blitter blitter : BLITTER_TABLE)
            blitter(target.data(), display_pitch);
        ROW_COPY(target.data(), display_pitch);
        return untouched();
    };
    make_screen(8, 8, 2);
    context.device_palette = nullptr;
    for (int32_t display : DISPLAYS) {
        for (bool fast : {false, true}) {
            make_display(display);
            BLITTER_TABLE[blitter_index(fast, true, SourceClass::INDEXED, display)](target.data(),
                                                                                    display_pitch);
            EXPECT_TRUE(untouched());
        }
    }
    make_screen(16, 8, 2);
    HICOLOR_LOOKUP = nullptr;
    for (int32_t display : {24, 32}) {
        for (bool fast : {false, true}) {
            make_display(display);
            BLITTER_TABLE[blitter_index(fast, true, SourceClass::HICOLOR, display)](target.data(),
                                                                                    display_pitch);
            EXPECT_TRUE(untouched());
        }
    }
    HICOLOR_LOOKUP = lookup;
    make_screen(32, 8, 2);
    make_display(32);
    context.width = 0;
    EXPECT_TRUE(run_all());
    make_screen(32, 8, 2);
    make_display(32);
    context.height = -3;
    EXPECT_TRUE(run_all());
    make_screen(32, 8, 2);
    make_display(32);
    context.scanline_size = 0;
    EXPECT_TRUE(run_all());
    make_screen(32, 8, 2);
    make_display(32);
    context.visible_page = nullptr;
    EXPECT_TRUE(run_all());
    make_screen(32, 8, 2);
    make_display(32);
    context.dirty_lines = nullptr;
    EXPECT_TRUE(run_all());
    make_screen(32, 8, 2);
    make_display(32);
    screen = nullptr;
    EXPECT_TRUE(run_all());
    screen = &context;
    for (Blitter blitter : BLITTER_TABLE)
        blitter(nullptr, 64);  // no destination
}

TEST_F(Blitters, BottomUpDestinationWithNegativePitch) {
    make_screen(32, 6, 3);
    dirty = {1, 1, 0};
    make_display(16, 0);
    uint8_t* last_row = target.data() + 2 * display_pitch;
    BLITTER_TABLE[blitter_index(true, true, SourceClass::TRUECOLOR, 16)](last_row, -display_pitch);
    // Framebuffer row 0 lands in the last display row, row 1 above it, row 2 nowhere.
    for (int32_t x = 0; x < 6; ++x) {
        EXPECT_EQ(std::vector<uint8_t>(last_row + 2 * x, last_row + 2 * x + 2),
                  reference(source_pixel(x, 0), 16, true));
        EXPECT_EQ(std::vector<uint8_t>(last_row - display_pitch + 2 * x,
                                       last_row - display_pitch + 2 * x + 2),
                  reference(source_pixel(x, 1), 16, true));
    }
    EXPECT_TRUE(std::all_of(target.begin(), target.begin() + display_pitch,
                            [](uint8_t b) { return b == SENTINEL; }));
}

}  // namespace
}  // namespace qx
