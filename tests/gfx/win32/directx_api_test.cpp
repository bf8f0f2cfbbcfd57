#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "gfx/win32/directx_api.h"

namespace qx {
namespace {

DDPIXELFORMAT rgb(DWORD bits, DWORD red, DWORD green, DWORD blue, DWORD flags = DDPF_RGB) {
    DDPIXELFORMAT format{};
    format.dwSize = sizeof format;
    format.dwFlags = flags;
    format.dwRGBBitCount = bits;
    format.dwRBitMask = red;
    format.dwGBitMask = green;
    format.dwBBitMask = blue;
    return format;
}

TEST(KeyboardDataFormat, OneOptionalButtonPerScanCode) {
    DIOBJECTDATAFORMAT objects[KEYBOARD_OBJECT_COUNT];
    std::memset(objects, 0xCD, sizeof objects);
    DIDATAFORMAT format;
    build_keyboard_data_format(&format, objects);
    // DirectInput checks both sizes against its own structures, which grow on 64-bit.
    EXPECT_EQ(format.dwSize, sizeof(DIDATAFORMAT));
    EXPECT_EQ(format.dwObjSize, sizeof(DIOBJECTDATAFORMAT));
    EXPECT_EQ(format.dwFlags, static_cast<DWORD>(DIDF_RELAXIS));
    EXPECT_EQ(format.dwDataSize, 256u);
    ASSERT_EQ(format.dwNumObjs, 256u);
    ASSERT_EQ(format.rgodf, objects);
    for (DWORD i = 0; i < 256; ++i) {
        EXPECT_EQ(objects[i].pguid, &KEY_OBJECT_GUID) << i;
        EXPECT_EQ(objects[i].dwOfs, i) << i;
        EXPECT_EQ(objects[i].dwType, 0x8000000Cu | (i << 8)) << i;
        EXPECT_EQ(objects[i].dwFlags, 0u) << i;
    }
}

TEST(DisplayFormat, KnownLayoutsGiveDepthAndChannelOrder) {
    struct Case {
        DDPIXELFORMAT format;
        int32_t depth, red_low;
    };
    const std::vector<Case> cases = {
        {rgb(8, 0, 0, 0, DDPF_RGB | DDPF_PALETTEINDEXED8), 8, 0},
        {rgb(8, 0, 0, 0, DDPF_PALETTEINDEXED8), 8, 0},
        {rgb(16, 0x7C00, 0x3E0, 0x1F), 15, 0},
        {rgb(16, 0x1F, 0x3E0, 0x7C00), 15, 1},  // a BGR 5-5-5 display keeps its order
        {rgb(16, 0xF800, 0x7E0, 0x1F), 16, 0},
        {rgb(16, 0x1F, 0x7E0, 0xF800), 16, 1},
        {rgb(24, 0xFF0000, 0xFF00, 0xFF), 24, 0},
        {rgb(32, 0xFF0000, 0xFF00, 0xFF), 32, 0},
        {rgb(32, 0xFF, 0xFF00, 0xFF0000), 32, 1},
    };
    for (const Case& c : cases) {
        const DisplayFormat got = display_format(c.format);
        EXPECT_EQ(got.depth, c.depth) << c.format.dwRGBBitCount << " " << c.format.dwRBitMask;
        EXPECT_EQ(got.red_low, c.red_low) << c.format.dwRGBBitCount << " " << c.format.dwRBitMask;
    }
}

TEST(DisplayFormat, FormatsTheConvertersCannotWriteAreRefused) {
    const std::vector<DDPIXELFORMAT> refused = {
        rgb(16, 0xF800, 0x7E0, 0x1F, DDPF_FOURCC),  // not RGB
        rgb(16, 0xF00, 0xF0, 0xF),                  // 4-4-4
        rgb(32, 0x3FF00000, 0xFFC00, 0x3FF),        // 10-10-10
        rgb(32, 0xFF00, 0xFF0000, 0xFF),            // green and red swapped
        rgb(4, 0, 0, 0, DDPF_RGB | DDPF_PALETTEINDEXED4),
        rgb(0, 0, 0, 0),
    };
    for (const DDPIXELFORMAT& format : refused) {
        EXPECT_EQ(display_format(format).depth, 0)
            << format.dwRGBBitCount << " " << format.dwRBitMask;
    }
}

TEST(DisplayFormat, ListedModesReadFiveBitGreenAsFifteen) {
    EXPECT_EQ(mode_depth(rgb(16, 0x7C00, 0x3E0, 0x1F)), 15);
    EXPECT_EQ(mode_depth(rgb(16, 0xF800, 0x7E0, 0x1F)), 16);
    EXPECT_EQ(mode_depth(rgb(32, 0, 0x3E0, 0)), 32);  // only 16-bit modes have the 15-bit twin
}

}  // namespace
}  // namespace qx
