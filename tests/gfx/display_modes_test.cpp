#include <gtest/gtest.h>

#include <cstdlib>
#include <tuple>
#include <vector>

#include "gfx/driver/display_modes.h"

namespace qx {
namespace {

// Records every attempt and accepts those found in the list.
struct RecordingList {
    DisplayModeList list;
    std::vector<ModeRequest> attempts;
};

int32_t record_attempt(void* context, const ModeRequest& request) {
    auto* recording = static_cast<RecordingList*>(context);
    recording->attempts.push_back(request);
    return attempt_listed_mode(&recording->list, request);
}

struct SearchOutcome {
    int32_t result;
    ModeChoice choice;
    std::vector<ModeRequest> attempts;
};

SearchOutcome search(const std::vector<DisplayMode>& modes, int32_t width, int32_t height,
                     int32_t depth, int32_t refresh_rate = 0) {
    RecordingList recording{{modes.data(), static_cast<int32_t>(modes.size())}, {}};
    SearchOutcome outcome{};
    outcome.result = search_display_mode(width, height, depth, refresh_rate, record_attempt,
                                         &recording, &outcome.choice);
    outcome.attempts = recording.attempts;
    return outcome;
}

TEST(DisplayModeSearch, ExactModeIsTakenOnTheFirstAttempt) {
    const SearchOutcome vga = search({{320, 200, 8, 70}}, 320, 200, 8);
    ASSERT_EQ(vga.result, 0);
    ASSERT_EQ(vga.attempts.size(), 1u);
    EXPECT_EQ(vga.attempts[0].standard_vga, 1);
    EXPECT_EQ(vga.choice.mode.standard_vga, 1);
    EXPECT_EQ(vga.choice.y_offset, 0);

    // The flag belongs to 320 x 200 x 8 only.
    for (const auto& [w, h, d] :
         std::vector<std::tuple<int, int, int>>{{320, 200, 16}, {320, 240, 8}, {640, 200, 8}}) {
        const SearchOutcome other = search({{w, h, d, 60}}, w, h, d);
        ASSERT_EQ(other.result, 0);
        EXPECT_EQ(other.attempts[0].standard_vga, 0) << w << "x" << h << "x" << d;
    }
}

TEST(DisplayModeSearch, MissingVgaModeMovesTwentyRowsDown) {
    const SearchOutcome outcome = search({{320, 240, 8, 60}}, 320, 200, 8);
    ASSERT_EQ(outcome.result, 0);
    ASSERT_EQ(outcome.attempts.size(), 2u);  // 8 bits has no twin
    EXPECT_EQ(outcome.attempts[1].height, 240);
    EXPECT_EQ(outcome.attempts[1].standard_vga, 0);
    EXPECT_EQ(outcome.choice.mode.height, 240);
    EXPECT_EQ(outcome.choice.y_offset, 20);
}

TEST(DisplayModeSearch, TwinDepthsStandInForEachOther) {
    const SearchOutcome fifteen = search({{640, 480, 15, 60}}, 640, 480, 16);
    ASSERT_EQ(fifteen.result, 0);
    ASSERT_EQ(fifteen.attempts.size(), 2u);
    EXPECT_EQ(fifteen.attempts[0].depth, 16);
    EXPECT_EQ(fifteen.choice.mode.depth, 15);

    const SearchOutcome sixteen = search({{640, 480, 16, 60}}, 640, 480, 15);
    ASSERT_EQ(sixteen.result, 0);
    EXPECT_EQ(sixteen.choice.mode.depth, 16);

    const SearchOutcome truecolour = search({{800, 600, 24, 60}}, 800, 600, 32);
    ASSERT_EQ(truecolour.result, 0);
    EXPECT_EQ(truecolour.choice.mode.depth, 24);

    EXPECT_EQ(twin_depth(8), 0);
    EXPECT_EQ(twin_depth(4), 0);
}

TEST(DisplayModeSearch, ShortModesAreRaisedAndCentred) {
    const SearchOutcome outcome =
        search({{640, 400, 8, 60}, {800, 480, 8, 60}, {640, 480, 8, 60}}, 640, 350, 8);
    ASSERT_EQ(outcome.result, 0);
    EXPECT_EQ(outcome.choice.mode.width, 640);
    EXPECT_EQ(outcome.choice.mode.height, 480);
    EXPECT_EQ(outcome.choice.y_offset, 65);
    // Each height tried once per depth: 350 then 480; a 400-high mode is never asked for.
    ASSERT_EQ(outcome.attempts.size(), 2u);
    EXPECT_EQ(outcome.attempts[0].height, 350);
    EXPECT_EQ(outcome.attempts[1].height, 480);

    // The whole ladder, with the twin depth at each step, rounding the offset down.
    const SearchOutcome ladder = search({{1280, 1024, 24, 60}}, 1280, 201, 32);
    ASSERT_EQ(ladder.result, 0);
    std::vector<int32_t> heights;
    for (const ModeRequest& r : ladder.attempts)
        heights.push_back(r.height);
    EXPECT_EQ(heights,
              (std::vector<int32_t>{201, 201, 240, 240, 480, 480, 600, 600, 768, 768, 1024, 1024}));
    EXPECT_EQ(ladder.choice.y_offset, 411);
}

TEST(DisplayModeSearch, NothingTallerThan1023IsTried) {
    const SearchOutcome tall = search({{1600, 1200, 32, 60}}, 1600, 1100, 32);
    EXPECT_EQ(tall.result, -1);
    EXPECT_EQ(tall.attempts.size(), 2u);  // 1100 at 32 and at 24, nothing more

    EXPECT_EQ(search({{1280, 1024, 8, 60}}, 1280, 1024, 8).result, 0);
    EXPECT_EQ(next_mode_height(1023), 1024);
    EXPECT_EQ(next_mode_height(1024), -1);
    EXPECT_EQ(next_mode_height(239), 240);
    EXPECT_EQ(next_mode_height(240), 480);
    EXPECT_EQ(next_mode_height(767), 768);
}

TEST(DisplayModeSearch, RefreshRateMustMatchUnlessAny) {
    const std::vector<DisplayMode> modes = {{640, 480, 32, 60}, {640, 480, 32, 75}};
    EXPECT_EQ(search(modes, 640, 480, 32, 75).result, 0);
    EXPECT_EQ(search(modes, 640, 480, 32, 0).result, 0);
    EXPECT_EQ(search(modes, 640, 480, 32, 85).result, -1);
}

TEST(DisplayModeSearch, BadRequestsFail) {
    const std::vector<DisplayMode> modes = {{640, 480, 8, 60}};
    EXPECT_EQ(search({}, 640, 480, 8).result, -1);
    EXPECT_EQ(search(modes, 0, 480, 8).result, -1);
    EXPECT_EQ(search(modes, 640, -5, 8).result, -1);
    EXPECT_EQ(search(modes, 640, INT32_MIN, 8).result, -1);
    EXPECT_EQ(search(modes, 640, INT32_MAX, 8).result, -1);
    ModeChoice choice{};
    EXPECT_EQ(search_display_mode(640, 480, 8, 0, nullptr, nullptr, &choice), -1);
}

std::vector<int32_t> listed(const std::vector<DisplayMode>& modes, int32_t depth, int32_t* count) {
    *count = -7;
    int32_t* entries =
        list_display_modes({modes.data(), static_cast<int32_t>(modes.size())}, depth, count);
    std::vector<int32_t> out;
    if (entries != nullptr) out.assign(entries, entries + *count);
    std::free(entries);
    return out;
}

TEST(DisplayModeListing, OneEntryPerRefreshRateOfTheDepth) {
    const std::vector<DisplayMode> modes = {
        {800, 600, 32, 60}, {640, 480, 16, 60}, {800, 600, 32, 75}, {1024, 768, 32, 60}};
    int32_t count = 0;
    EXPECT_EQ(listed(modes, 32, &count),
              (std::vector<int32_t>{(800 << 16) | 600, (800 << 16) | 600, (1024 << 16) | 768}));
    EXPECT_EQ(count, 3);
    EXPECT_EQ(listed(modes, 16, &count), (std::vector<int32_t>{(640 << 16) | 480}));
    EXPECT_EQ(count, 1);
}

TEST(DisplayModeListing, NoMatchGivesNoArrayAndCountZero) {
    int32_t count = 0;
    const std::vector<DisplayMode> modes = {{800, 600, 32, 60}};
    int32_t* none = list_display_modes({modes.data(), 1}, 8, &count);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(count, 0);
    none = list_display_modes({nullptr, 0}, 32, &count);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(count, 0);
}

}  // namespace
}  // namespace qx
