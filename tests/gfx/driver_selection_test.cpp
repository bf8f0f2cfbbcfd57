#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gfx/driver/display_driver.h"

namespace qx {
namespace {

// Every call of the fake drivers, in order: "A.init(60,1)", "A.exit", ...
std::vector<std::string> calls;
int32_t accepting = -1;       // index of the driver whose init succeeds, -1 none
int32_t accepted_flags = -1;  // only with these flags (-1: any)

template <int32_t Index>
int32_t fake_init(const char*, int32_t, int32_t, int32_t, int32_t refresh, int32_t flags) {
    calls.push_back(std::string(1, static_cast<char>('A' + Index)) + ".init(" +
                    std::to_string(refresh) + "," + std::to_string(flags) + ")");
    bool ok = Index == accepting && (accepted_flags < 0 || flags == accepted_flags);
    if (ok) return 0;
    // The second driver fails without a reason; the others say which attempt failed.
    if (Index == 1) return -1;
    return driver_refusal("%c at %d Hz, flags %d", 'A' + Index, refresh, flags);
}

template <int32_t Index>
void fake_exit() {
    calls.push_back(std::string(1, static_cast<char>('A' + Index)) + ".exit");
}

template <int32_t Index>
constexpr DisplayDriver fake(const char* name) {
    return {name,    fake_init<Index>, fake_exit<Index>, nullptr, nullptr, nullptr,
            nullptr, nullptr,          nullptr,          nullptr, nullptr, nullptr};
}

const DisplayDriver FAKE_A = fake<0>("DirectX");
const DisplayDriver FAKE_B = fake<1>("GDI");
const DisplayDriver FAKE_C = fake<2>("OpenGL");
const DisplayDriver* const FAKES[] = {&FAKE_A, &FAKE_B, &FAKE_C, nullptr};

const DisplayDriver* select(const char* qxgfx, int32_t flags) {
    calls.clear();
    return select_display_driver(FAKES, qxgfx, "t", 64, 48, 8, 60, flags);
}

std::vector<std::string> attempts(const std::string& driver, int32_t flags) {
    return {driver + ".init(60," + std::to_string(flags) + ")", driver + ".exit",
            driver + ".init(0," + std::to_string(flags) + ")", driver + ".exit"};
}

std::vector<std::string> join(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (const auto& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

TEST(DriverSelection, WithoutQxgfxTwoPassesOverTheList) {
    accepting = -1;
    EXPECT_EQ(select(nullptr, 0), nullptr);
    EXPECT_EQ(calls, join({attempts("A", 0), attempts("B", 0), attempts("C", 0), attempts("A", 1),
                           attempts("B", 1), attempts("C", 1)}));
}

TEST(DriverSelection, NamedDriverAloneThenAllOnAlternatePasses) {
    accepting = -1;
    EXPECT_EQ(select("gdi", 0), nullptr);
    // The flag flips only after the second named pass.
    EXPECT_EQ(calls,
              join({attempts("B", 0), attempts("A", 0), attempts("B", 0), attempts("C", 0),
                    attempts("B", 0), attempts("A", 1), attempts("B", 1), attempts("C", 1)}));
}

TEST(DriverSelection, UnknownNameBehavesLikeNoName) {
    accepting = -1;
    select("nonesuch", 0);
    EXPECT_EQ(calls, join({attempts("A", 0), attempts("B", 0), attempts("C", 0), attempts("A", 1),
                           attempts("B", 1), attempts("C", 1)}));
}

TEST(DriverSelection, NullByNameOrFlagsCallsNothing) {
    EXPECT_EQ(select("NULL", 0), &NULL_DRIVER);
    EXPECT_EQ(select("Null", 0), &NULL_DRIVER);
    EXPECT_EQ(select("gdi", SCREEN_NULL), &NULL_DRIVER);
    EXPECT_TRUE(calls.empty());
}

TEST(DriverSelection, RefusedFullScreenEndsInAWindow) {
    accepting = 1;
    accepted_flags = 0;
    EXPECT_EQ(select(nullptr, SCREEN_FULLSCREEN), &FAKE_B);
    EXPECT_EQ(calls.back(), "B.init(60,0)");
    accepted_flags = -1;
}

TEST(DriverSelection, FailureTextGivesEachDriversReasonForTheRequestedFlags) {
    accepting = -1;
    select(nullptr, SCREEN_FULLSCREEN);
    // The window passes failed too, but the program asked for full screen.
    EXPECT_STREQ(selection_failure(),
                 "no display driver opened 64x48x8 (full screen): DirectX: A at 0 Hz, flags 1; "
                 "GDI: refused; OpenGL: C at 0 Hz, flags 1");
    select("gdi", 0);
    EXPECT_STREQ(selection_failure(),
                 "no display driver opened 64x48x8 (window): DirectX: A at 0 Hz, flags 0; "
                 "GDI: refused; OpenGL: C at 0 Hz, flags 0");
    select("nonesuch", 0);
    EXPECT_EQ(std::string(selection_failure()).find("QXGFX=\"nonesuch\" names no display driver; "),
              0u);
    accepting = 2;
    select(nullptr, 0);
    EXPECT_STREQ(selection_failure(), "");
}

TEST(DriverSelection, SecondAttemptWithRefreshZero) {
    accepting = 2;
    EXPECT_EQ(select(nullptr, 0), &FAKE_C);
    EXPECT_EQ(calls.back(), "C.init(60,0)");
}

}  // namespace
}  // namespace qx
