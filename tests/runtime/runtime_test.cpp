#include <gtest/gtest.h>

#include <string>

#include "runtime/diagnostics.h"
#include "runtime/runtime.h"

namespace qx {
namespace {

std::string trail;

void hook_a() {
    trail += 'a';
}
void hook_b() {
    trail += 'b';
}

TEST(Runtime, InitHooksRunInListOrderAndTheListRefusesNullAndOverflow) {
    EXPECT_EQ(add_module_init_hook(nullptr), -1);
    EXPECT_EQ(add_module_exit_hook(nullptr), -1);
    EXPECT_EQ(register_exit_handler(nullptr), -1);
    EXPECT_EQ(add_module_init_hook(hook_a), 0);
    EXPECT_EQ(add_module_init_hook(hook_b), 0);
    trail.clear();
    run_module_init_hooks();
    EXPECT_EQ(trail, "ab");
    int32_t added = 2;
    while (add_module_init_hook(hook_a) == 0)
        ++added;
    EXPECT_LT(added, 1000);  // the list has an end
    trail.clear();
    run_module_init_hooks();
    EXPECT_EQ(trail.size(), static_cast<size_t>(added));
}

TEST(Runtime, ErrorCodeKeepsTheLastOneSet) {
    EXPECT_EQ(set_runtime_error(4), 4);
    EXPECT_EQ(runtime_error(), 4);
    EXPECT_EQ(set_runtime_error(0), 0);
    EXPECT_EQ(runtime_error(), 0);
}

TEST(Runtime, ErrorTextIsTheLastFailuresReasonAndSurvivesSuccess) {
    set_runtime_error(1, "screen %dx%d: %s", 320, 200, "refused");
    EXPECT_STREQ(error_text(), "screen 320x200: refused");
    set_runtime_error(0);  // a later success, such as printing the reason, keeps it
    EXPECT_STREQ(error_text(), "screen 320x200: refused");
    set_runtime_error(4);  // a failure without a reason replaces it with the code's meaning
    EXPECT_STREQ(error_text(), "no memory for the input text");
    set_runtime_error(77);
    EXPECT_STREQ(error_text(), "error 77");
    const std::string long_reason(2000, 'x');
    set_runtime_error(1, "%s", long_reason.c_str());
    const std::string text = error_text();
    EXPECT_LT(text.size(), 1000u);
    EXPECT_EQ(text.substr(text.size() - 4), "x...");
}

TEST(Runtime, CutTextsEndInDotsWithoutSplittingACharacter) {
    char out[8];
    EXPECT_EQ(format_text(out, sizeof out, "%s", "1234567"), 7u);  // fits exactly
    EXPECT_STREQ(out, "1234567");
    EXPECT_EQ(format_text(out, sizeof out, "%s", "12345678"), 7u);
    EXPECT_STREQ(out, "1234...");
    // "é" is two bytes at offsets 3 and 4: cut before it, not through it.
    EXPECT_EQ(format_text(out, sizeof out, "%s",
                          "abc\xc3\xa9"
                          "defgh"),
              6u);
    EXPECT_STREQ(out, "abc...");
    EXPECT_EQ(format_text(out, 3, "%s", "12345"), 2u);  // too small for the mark
    EXPECT_STREQ(out, "12");
}

}  // namespace
}  // namespace qx
