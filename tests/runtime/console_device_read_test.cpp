#include <gtest/gtest.h>

#include <vector>

#include "runtime/console_device_read.h"
#include "runtime/devices.h"
#include "runtime/memory_console.h"
#include "runtime/text_hooks.h"

namespace qx {
namespace {

// Key texts handed out by the key slot, oldest first; empty once they run out.
std::vector<KeyText> keys;

KeyText next_key() {
    if (keys.empty()) return {};
    KeyText key = keys.front();
    keys.erase(keys.begin());
    return key;
}

class ConsoleDeviceRead : public ::testing::Test {
protected:
    void SetUp() override {
        install_memory_console(80, 25, 25);
        text_hooks = {};
        text_hooks.key_text_hook = next_key;
        clear_device_table();
        console_device_enable_read();
        keys.clear();
    }
    void TearDown() override { text_hooks = {}; }
    size_t read(unsigned char* buffer, size_t count) {
        DeviceRecord* console = console_device();
        EXPECT_EQ(console->ops->read(console, buffer, &count), 0);
        return count;
    }
};

TEST_F(ConsoleDeviceRead, AnExtendedKeySplitsAcrossReads) {
    keys = {KeyText{2, {0xFF, 0x48}}, KeyText{1, {'a', 0}}};
    unsigned char buffer[4] = {9, 9, 9, 9};
    EXPECT_EQ(read(buffer, 1), 1u);
    EXPECT_EQ(buffer[0], 0xFF);
    EXPECT_EQ(read(buffer, 2), 2u);
    EXPECT_EQ(buffer[0], 0x48);
    EXPECT_EQ(buffer[1], 'a');
}

TEST_F(ConsoleDeviceRead, NoKeyZeroFillsTheRestAndEndsTheRead) {
    keys = {KeyText{1, {'z', 0}}};
    unsigned char buffer[4] = {9, 9, 9, 9};
    EXPECT_EQ(read(buffer, 4), 1u);
    EXPECT_EQ(buffer[0], 'z');
    EXPECT_EQ(buffer[1], 0);
    EXPECT_EQ(buffer[3], 0);
    EXPECT_EQ(read(buffer, 0), 0u);
}

TEST_F(ConsoleDeviceRead, AnOverlongKeyTextGivesTwoBytesAtMost) {
    keys = {KeyText{40, {'x', 'y'}}};
    unsigned char buffer[8] = {};
    EXPECT_EQ(read(buffer, 8), 2u);
    EXPECT_EQ(buffer[0], 'x');
    EXPECT_EQ(buffer[1], 'y');
    EXPECT_EQ(buffer[2], 0);
}

}  // namespace
}  // namespace qx
