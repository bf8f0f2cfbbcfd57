#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "gfx/builtin_data.h"
#include "gfx/font.h"
#include "gfx/lzw.h"
#include "gfx/palette.h"

namespace qx {
namespace {

constexpr const char* VGABIOS = "/usr/share/vgabios/vgabios.bin";

std::vector<uint8_t> read_file(const char* path) {
    std::vector<uint8_t> data;
    FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return data;
    int byte;
    while ((byte = std::fgetc(file)) != EOF)
        data.push_back(static_cast<uint8_t>(byte));
    std::fclose(file);
    return data;
}

uint8_t mirrored(uint8_t byte) {
    uint8_t out = 0;
    for (int bit = 0; bit < 8; ++bit)
        if (byte & (1 << bit)) out |= static_cast<uint8_t>(0x80 >> bit);
    return out;
}

// Rows of a glyph as pictures, leftmost pixel first ('#' set).
std::vector<std::string> picture(const FontDescriptor& font, int character) {
    std::vector<std::string> rows;
    for (int r = 0; r < font.cell_height; ++r) {
        const uint8_t bits = font.glyphs[character * font.cell_height + r];
        std::string row;
        for (int x = 0; x < 8; ++x)
            row += bits & (1 << x) ? '#' : '.';
        rows.push_back(row);
    }
    return rows;
}

using Rgb = std::array<int, 3>;

Rgb entry(const PaletteDescriptor& palette, int index) {
    const uint8_t* rgb = palette.rgb + 3 * index;
    return {rgb[0], rgb[1], rgb[2]};
}

const Rgb COLORS_16[16] = {{0, 0, 0},     {0, 0, 170},    {0, 170, 0},    {0, 170, 170},
                           {170, 0, 0},   {170, 0, 170},  {170, 85, 0},   {170, 170, 170},
                           {85, 85, 85},  {85, 85, 255},  {85, 255, 85},  {85, 255, 255},
                           {255, 85, 85}, {255, 85, 255}, {255, 255, 85}, {255, 255, 255}};

class BuiltinData : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(unpack_builtin_data(), 0); }
};

TEST_F(BuiltinData, UnpacksToExactlyTheBlockOnce) {
    std::vector<uint8_t> spare(BUILTIN_DATA_SIZE + 100);
    size_t size = spare.size();
    ASSERT_EQ(lzw_unpack(BUILTIN_DATA_PACKED, BUILTIN_DATA_PACKED_SIZE, spare.data(), &size), 0);
    EXPECT_EQ(size, BUILTIN_DATA_SIZE);
    EXPECT_EQ(0, std::memcmp(spare.data(), builtin_data(), BUILTIN_DATA_SIZE));
    // A second call keeps the block (and the pointers into it) as they are.
    const uint8_t* before = FONT_8X8.glyphs;
    EXPECT_EQ(unpack_builtin_data(), 0);
    EXPECT_EQ(FONT_8X8.glyphs, before);
}

TEST_F(BuiltinData, FontsAreTheVgaFontsWithMirroredRows) {
    const std::vector<uint8_t> bios = read_file(VGABIOS);
    ASSERT_GE(bios.size(), 9592u + 4096u) << VGABIOS << " missing (package vgabios)";
    const struct {
        const FontDescriptor& font;
        int height;
        size_t bios_offset;
        size_t block_offset;
    } fonts[] = {{FONT_8X8, 8, 3960, BUILTIN_FONT_8X8_OFFSET},
                 {FONT_8X14, 14, 6008, BUILTIN_FONT_8X14_OFFSET},
                 {FONT_8X16, 16, 9592, BUILTIN_FONT_8X16_OFFSET}};
    for (const auto& f : fonts) {
        EXPECT_EQ(f.font.cell_width, 8);
        EXPECT_EQ(f.font.cell_height, f.height);
        EXPECT_EQ(f.font.glyphs, builtin_data() + f.block_offset);
        for (size_t k = 0; k < 256u * f.height; ++k)
            ASSERT_EQ(f.font.glyphs[k], mirrored(bios[f.bios_offset + k]))
                << "font 8x" << f.height << " byte " << k;
    }
}

TEST_F(BuiltinData, GlyphOfAHasItsShapeInEachFont) {
    const std::vector<std::string> a8 = {"..##....", ".####...", "##..##..", "##..##..",
                                         "######..", "##..##..", "##..##..", "........"};
    EXPECT_EQ(picture(FONT_8X8, 'A'), a8);
    const std::vector<std::string> a16 = {"........", "........", "...#....", "..###...",
                                          ".##.##..", "##...##.", "##...##.", "#######.",
                                          "##...##.", "##...##.", "##...##.", "##...##.",
                                          "........", "........", "........", "........"};
    EXPECT_EQ(picture(FONT_8X16, 'A'), a16);
    const std::vector<std::string> a14 = {
        "........", "........", "...#....", "..###...", ".##.##..", "##...##.", "##...##.",
        "#######.", "##...##.", "##...##.", "##...##.", "........", "........", "........"};
    EXPECT_EQ(picture(FONT_8X14, 'A'), a14);
    // A blank and a full block bracket the data.
    for (const FontDescriptor* font : {&FONT_8X8, &FONT_8X14, &FONT_8X16}) {
        EXPECT_EQ(picture(*font, ' '), std::vector<std::string>(font->cell_height, "........"));
        EXPECT_EQ(picture(*font, 219), std::vector<std::string>(font->cell_height, "########"));
    }
}

TEST_F(BuiltinData, PalettesFollowTheirRules) {
    EXPECT_EQ(PALETTE_2.count, 2);
    EXPECT_EQ(entry(PALETTE_2, 0), (Rgb{0, 0, 0}));
    EXPECT_EQ(entry(PALETTE_2, 1), (Rgb{255, 255, 255}));

    ASSERT_EQ(PALETTE_16.count, 16);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(entry(PALETTE_16, i), COLORS_16[i]) << i;

    ASSERT_EQ(PALETTE_64.count, 64);
    for (int i = 0; i < 64; ++i) {
        auto bit = [i](int k) { return (i >> k) & 1; };
        EXPECT_EQ(entry(PALETTE_64, i), (Rgb{170 * bit(2) + 85 * bit(5), 170 * bit(1) + 85 * bit(4),
                                             170 * bit(0) + 85 * bit(3)}))
            << i;
    }
    EXPECT_EQ(entry(PALETTE_64, 6), (Rgb{170, 170, 0}));
    EXPECT_EQ(entry(PALETTE_64, 20), (Rgb{170, 85, 0}));

    ASSERT_EQ(PALETTE_256.count, 256);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(entry(PALETTE_256, i), COLORS_16[i]) << i;
    const int greys[16] = {0, 20, 32, 44, 56, 68, 80, 97, 113, 129, 145, 161, 182, 202, 226, 255};
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(entry(PALETTE_256, 16 + i), (Rgb{greys[i], greys[i], greys[i]})) << 16 + i;
    // Each block of 24: a ramp from blue over red and green back to blue, levels low..high.
    const int levels[9][5] = {
        {0, 64, 125, 190, 255}, {125, 157, 190, 222, 255}, {182, 198, 218, 234, 255},
        {0, 28, 56, 85, 113},   {56, 68, 85, 97, 113},     {80, 89, 97, 105, 113},
        {0, 16, 32, 48, 64},    {32, 40, 48, 56, 64},      {44, 48, 52, 60, 64}};
    // Level index (0 low .. 4 high) of red, green and blue at each step of a block.
    const int ramp[24][3] = {{0, 0, 4}, {1, 0, 4}, {2, 0, 4}, {3, 0, 4}, {4, 0, 4}, {4, 0, 3},
                             {4, 0, 2}, {4, 0, 1}, {4, 0, 0}, {4, 1, 0}, {4, 2, 0}, {4, 3, 0},
                             {4, 4, 0}, {3, 4, 0}, {2, 4, 0}, {1, 4, 0}, {0, 4, 0}, {0, 4, 1},
                             {0, 4, 2}, {0, 4, 3}, {0, 4, 4}, {0, 3, 4}, {0, 2, 4}, {0, 1, 4}};
    for (int block = 0; block < 9; ++block)
        for (int step = 0; step < 24; ++step) {
            const int* level = levels[block];
            const int* at = ramp[step];
            const int index = 32 + 24 * block + step;
            EXPECT_EQ(entry(PALETTE_256, index), (Rgb{level[at[0]], level[at[1]], level[at[2]]}))
                << index;
        }
    for (int i = 248; i < 256; ++i)
        EXPECT_EQ(entry(PALETTE_256, i), (Rgb{0, 0, 0})) << i;
    EXPECT_EQ(entry(PALETTE_256, 6), (Rgb{170, 85, 0}));
    EXPECT_EQ(entry(PALETTE_256, 31), (Rgb{255, 255, 255}));
    EXPECT_EQ(PALETTE_256.rgb + 3 * 256, builtin_data() + BUILTIN_DATA_SIZE);
}

}  // namespace
}  // namespace qx
