#include <gtest/gtest.h>

#include <map>
#include <tuple>
#include <vector>

#include "gfx/driver/display_driver.h"
#include "gfx/x11/glx_api.h"

namespace qx {
namespace {

// The request as attribute -> value, checking the list's shape on the way.
std::map<int, int> request(int32_t depth, int32_t flags) {
    int attributes[OPENGL_ATTRIBUTE_CAPACITY];
    const int32_t length = opengl_pixel_format_attributes(depth, flags, attributes);
    EXPECT_EQ(length % 2, 0);
    EXPECT_EQ(attributes[length], None);
    std::map<int, int> pairs;
    for (int32_t i = 0; i < length; i += 2) {
        EXPECT_EQ(pairs.count(attributes[i]), 0u) << "attribute listed twice";
        pairs[attributes[i]] = attributes[i + 1];
    }
    return pairs;
}

TEST(OpenGlPixelFormat, DoubleBufferedRgbaWindow) {
    const auto pairs = request(32, SCREEN_OPENGL);
    EXPECT_EQ(pairs.at(GLX_DOUBLEBUFFER), True);
    EXPECT_EQ(pairs.at(GLX_RENDER_TYPE), GLX_RGBA_BIT);
    EXPECT_EQ(pairs.at(GLX_DRAWABLE_TYPE), GLX_WINDOW_BIT);
    // The depth buffer is chosen among the offers, never demanded.
    EXPECT_EQ(pairs.count(GLX_DEPTH_SIZE), 0u);
}

TEST(OpenGlPixelFormat, ColourBitsFollowTheScreenDepth) {
    for (const auto& [depth, red, green, blue] : std::vector<std::tuple<int, int, int, int>>{
             {32, 8, 8, 8}, {24, 8, 8, 8}, {16, 5, 6, 5}, {15, 5, 5, 5}, {8, 1, 1, 1}}) {
        const auto pairs = request(depth, SCREEN_OPENGL);
        EXPECT_EQ(pairs.at(GLX_RED_SIZE), red) << depth;
        EXPECT_EQ(pairs.at(GLX_GREEN_SIZE), green) << depth;
        EXPECT_EQ(pairs.at(GLX_BLUE_SIZE), blue) << depth;
    }
}

TEST(OpenGlPixelFormat, StencilAndAccumulationOnlyWhenAsked) {
    const auto plain = request(32, SCREEN_OPENGL);
    EXPECT_EQ(plain.at(GLX_STENCIL_SIZE), 0);
    EXPECT_EQ(plain.at(GLX_ACCUM_RED_SIZE), 0);

    const auto stencil = request(32, SCREEN_OPENGL | SCREEN_STENCIL_BUFFER);
    EXPECT_EQ(stencil.at(GLX_STENCIL_SIZE), 8);
    EXPECT_EQ(stencil.at(GLX_ACCUM_ALPHA_SIZE), 0);

    const auto both =
        request(32, SCREEN_OPENGL | SCREEN_STENCIL_BUFFER | SCREEN_ACCUMULATION_BUFFER);
    EXPECT_EQ(both.at(GLX_STENCIL_SIZE), 8);
    EXPECT_EQ(both.at(GLX_ACCUM_RED_SIZE) + both.at(GLX_ACCUM_GREEN_SIZE) +
                  both.at(GLX_ACCUM_BLUE_SIZE) + both.at(GLX_ACCUM_ALPHA_SIZE),
              32);
}

TEST(OpenGlDepthBuffer, ThirtyTwoBitsElseTheLargest) {
    const int32_t with_32[] = {16, 24, 32, 0, 32};
    EXPECT_EQ(opengl_pick_depth_buffer(with_32, 5), 2);
    const int32_t without_32[] = {16, 0, 24, 24};
    EXPECT_EQ(opengl_pick_depth_buffer(without_32, 4), 2);
    const int32_t none_at_all[] = {0, 0};
    EXPECT_EQ(opengl_pick_depth_buffer(none_at_all, 2), 0);
    EXPECT_EQ(opengl_pick_depth_buffer(nullptr, 0), -1);
}

}  // namespace
}  // namespace qx
