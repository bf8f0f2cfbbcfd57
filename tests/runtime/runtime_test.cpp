#include <gtest/gtest.h>

#include <string>

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

}  // namespace
}  // namespace qx
