// Test helpers: a graphics screen on the Null driver and framebuffer readers.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <utility>

#include "gfx/screen.h"

namespace qx {

// Opens screens on the Null driver (QXGFX=null) with a memory console behind the text hooks.
class NullScreenTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Opens width x height at depth with screen_res and fails the test if it cannot.
    void open(int32_t width, int32_t height, int32_t depth = 8);
};

uint32_t pixel(int32_t x, int32_t y);
// Every pixel of the work page whose value differs from background, as (x, y) pairs.
std::set<std::pair<int32_t, int32_t>> painted(uint32_t background = 0);
// Rows whose dirty flag is set.
std::set<int32_t> dirty_rows();

}  // namespace qx
