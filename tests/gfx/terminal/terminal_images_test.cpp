#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "gfx/terminal/terminal_images.h"

namespace qx {
namespace {

std::string text_of(const OutputBytes& out) {
    return std::string(out.data, out.length);
}

TEST(TerminalSixels, TheScreensOwnRegistersRunLengthPackedInBlack) {
    // Values 1 (red) and 2 (green) side by side, 4 x 2 pixels, shown 8 x 4 in a 10 x 6 image.
    uint32_t screen_palette[256] = {};
    screen_palette[1] = 0x0000FF;  // 0x00BBGGRR
    screen_palette[2] = 0x00FF00;
    SixelPalette palette{};
    make_sixel_palette(screen_palette, 1024, &palette);
    EXPECT_EQ(palette.register_of[2], 2);
    EXPECT_EQ(palette.rgb[1], 0xFF0000u);
    const uint8_t pixels[8] = {1, 1, 2, 2, 1, 1, 2, 2};
    ImagePlace place{};
    place.pixel_width = 10;
    place.pixel_height = 6;
    place.picture_width = 8;
    place.picture_height = 4;
    ImageScratch scratch;
    OutputBytes out;
    ASSERT_TRUE(append_sixels(pixels, 4, 2, 4, palette, place, 0, 6, &scratch, &out));
    // Rows 1-4 of the band are the picture (bits 011110: '?' + 30 = ']'), in a black band
    // (register 0, the darkest) all around; only the registers used are defined.
    EXPECT_EQ(text_of(out),
              "\x1bP0;1;0q\"1;1;10;6#0;2;0;0;0#1;2;100;0;0#2;2;0;100;0"
              "#0~!8`~$#1?!4]$#2!5?!4]\x1b\\");
    // Fewer registers than values: each takes the nearest of 16 fixed colours, whatever the
    // frame shows.
    screen_palette[3] = 0x55FF55;  // chase's bright green and red
    screen_palette[4] = 0x5555FF;
    make_sixel_palette(screen_palette, 16, &palette);
    EXPECT_EQ(palette.register_of[1], 4);  // red
    EXPECT_EQ(palette.register_of[3], 10);
    EXPECT_EQ(palette.register_of[4], 12);
    EXPECT_EQ(palette.register_of[0], 0);
    EXPECT_EQ(palette.rgb[12], 0xFF5555u);
    scratch.release();
    out.release();
}

TEST(TerminalSixels, ABandIsItsRowsOnly) {
    uint32_t screen_palette[256] = {};
    SixelPalette palette{};
    make_sixel_palette(screen_palette, 0, &palette);
    std::vector<uint8_t> pixels(16 * 16, 0);
    ImagePlace place{};
    place.pixel_width = place.picture_width = 16;
    place.pixel_height = place.picture_height = 16;
    ImageScratch scratch;
    OutputBytes out;
    ASSERT_TRUE(append_sixels(pixels.data(), 16, 16, 16, palette, place, 12, 16, &scratch, &out));
    EXPECT_EQ(text_of(out), "\x1bP0;1;0q\"1;1;16;4#0;2;0;0;0#0!16N\x1b\\");
    out.clear();
    ASSERT_TRUE(append_sixels(pixels.data(), 16, 16, 16, palette, place, 16, 16, &scratch, &out));
    EXPECT_EQ(out.length, 0u);  // nothing to draw
    scratch.release();
    out.release();
}

TEST(TerminalKitty, PayloadInWholeChunksWithTheKeysOnTheFirst) {
    std::vector<uint8_t> payload(7000);
    for (size_t i = 0; i < payload.size(); ++i)
        payload[i] = static_cast<uint8_t>(i * 7);
    OutputBytes out;
    append_kitty_command("a=T,i=1,o=z,q=2", payload.data(), payload.size(), &out);
    const std::string text = text_of(out);
    std::vector<std::string> chunks;
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find("\x1b\\", at);
        ASSERT_NE(end, std::string::npos);
        chunks.push_back(text.substr(at, end - at));
        at = end + 2;
    }
    ASSERT_EQ(chunks.size(), 3u);  // 9336 base64 bytes
    EXPECT_EQ(chunks[0].rfind("\x1b_Ga=T,i=1,o=z,q=2,m=1;", 0), 0u);
    EXPECT_EQ(chunks[1].rfind("\x1b_Gq=2,m=1;", 0), 0u);
    EXPECT_EQ(chunks[2].rfind("\x1b_Gq=2,m=0;", 0), 0u);
    size_t total = 0;
    for (const std::string& chunk : chunks) {
        const size_t data = chunk.size() - chunk.find(';') - 1;
        EXPECT_LE(data, 4096u);
        EXPECT_EQ(data % 4, 0u);
        total += data;
    }
    EXPECT_EQ(total, (payload.size() + 2) / 3 * 4);
    out.release();
}

TEST(TerminalKitty, PackedImagesHoldThePictureInBlackBands) {
    const uint8_t rgba[2 * 4] = {10, 20, 30, 255, 40, 50, 60, 255};  // 2 x 1
    ImagePlace place{};
    place.pixel_width = 4;
    place.pixel_height = 1;
    place.picture_width = 2;
    place.picture_height = 1;
    ImageScratch scratch;
    size_t size = pack_image(rgba, 8, place, 0, 1, false, &scratch);
    ASSERT_GT(size, 0u);
    // The rows as packed: the picture between black columns.
    const uint8_t expected[12] = {0, 0, 0, 10, 20, 30, 40, 50, 60, 0, 0, 0};
    EXPECT_EQ(std::memcmp(scratch.pixels, expected, sizeof expected), 0);
    size = pack_image(rgba, 8, place, 0, 1, true, &scratch);
    ASSERT_GT(size, 8u + 25 + 12);
    EXPECT_EQ(
        std::memcmp(scratch.packed, "\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\0\x04\0\0\0\x01", 24), 0);
    EXPECT_EQ(std::memcmp(scratch.packed + size - 8, "IEND", 4), 0);
    EXPECT_EQ(scratch.pixels[0], 0);  // each PNG row starts with its filter, none
    scratch.release();
}

}  // namespace
}  // namespace qx
