#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include <qx/qx.h>

#include "null_screen.h"

namespace qx {
namespace {

using ScreenQueries = NullScreenTest;

TEST_F(ScreenQueries, WithoutAScreenEveryQuerySaysNone) {
    ScreenInfo info{};
    EXPECT_EQ(screen_info(&info), -1);
    EXPECT_EQ(read_pixel(0, 0), -1);
    int32_t count = 7;
    EXPECT_EQ(fetch_display_modes(8, &count), nullptr);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(flip_screen(), -1);  // nor does the Null driver have one
    open(8, 8);
    EXPECT_EQ(screen_info(nullptr), -1);
    EXPECT_EQ(fetch_display_modes(8, nullptr), nullptr);
    EXPECT_EQ(flip_screen(), -1);
}

TEST_F(ScreenQueries, InfoDescribesANumberedMode) {
    ASSERT_EQ(screen_mode(MODE_640X350_16, 0, 2, 0, 0), 0);
    ScreenInfo info{};
    ASSERT_EQ(screen_info(&info), 0);
    EXPECT_EQ(info.width, 640);
    EXPECT_EQ(info.height, 350);
    EXPECT_EQ(info.depth, 4);
    EXPECT_EQ(info.mode, MODE_640X350_16);
    EXPECT_EQ(info.pages, 2);
    EXPECT_EQ(info.text_cols, 80);
    EXPECT_EQ(info.text_rows, 25);
    EXPECT_STREQ(info.driver, "Null");
}

TEST_F(ScreenQueries, ReadPixelGivesWholePixelsInsideTheScreenOnly) {
    open(40, 30, 32);
    draw_point(nullptr, 39, 29, 0xFEDCBA, COORD_ABSOLUTE, 0);
    EXPECT_EQ(read_pixel(39, 29), 0xFEDCBA);
    EXPECT_EQ(read_pixel(0, 0), 0);
    EXPECT_EQ(read_pixel(40, 0), -1);
    EXPECT_EQ(read_pixel(0, 30), -1);
    EXPECT_EQ(read_pixel(-1, 5), -1);
    open(40, 30, 16);
    draw_point(nullptr, 1, 1, 0xFFFFFF, COORD_ABSOLUTE, 0);
    EXPECT_EQ(read_pixel(1, 1), 0xFFFF);  // 5-6-5
}

TEST_F(ScreenQueries, ReadPixelReadsTheScreenWhileAnImageIsTheTarget) {
    open(16, 16);
    draw_point(nullptr, 2, 2, 9, COORD_ABSOLUTE, 0);
    std::vector<uint8_t> image(sizeof(ImageHeader) + 4 * 4);
    const ImageHeader header{4 * 8, 4};
    std::memcpy(image.data(), &header, sizeof header);
    draw_point(image.data(), 2, 2, 5, COORD_ABSOLUTE, 0);
    EXPECT_EQ(image[sizeof header + 2 * 4 + 2], 5);
    EXPECT_EQ(read_pixel(2, 2), 9);
}

}  // namespace
}  // namespace qx
