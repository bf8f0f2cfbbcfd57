#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "runtime/console_output.h"
#include "runtime/devices.h"
#include "runtime/memory_console.h"
#include "runtime/runtime.h"
#include "runtime/text_hooks.h"

namespace qx {
namespace {

class Devices : public ::testing::Test {
protected:
    MemoryConsole& console = install_memory_console(80, 25, 25);
    void SetUp() override {
        text_hooks = {};
        clear_device_table();
    }
    void print(const std::string& text, int32_t mask) {
        print_string(0, reinterpret_cast<const unsigned char*>(text.data()),
                     static_cast<int32_t>(text.size()), mask);
    }
};

TEST_F(Devices, ZonesAreFourteenColumnsWide) {
    print("abc", PRINT_ZONE);
    EXPECT_EQ(console_device()->column, 14);
    print("d", 0);
    EXPECT_EQ(console.cursor_x, 15);  // 0-based: the item starts at column 15
    EXPECT_EQ(memory_console_row(0), "abc           d");
}

TEST_F(Devices, ZoneAdvanceNearTheRightEdgeEndsTheLine) {
    console_device()->column = 56;
    print("", PRINT_ZONE);
    EXPECT_EQ(console_device()->column, 0);
    EXPECT_EQ(console.cursor_y, 1);
}

TEST_F(Devices, NarrowWidthNeverWrapsZones) {
    DeviceRecord* console_record = console_device();
    console_record->width = 10;
    console_record->column = 3;
    print("", PRINT_ZONE);
    EXPECT_EQ(console_record->column, 14 % 10);
}

TEST_F(Devices, OddColumnsAndWidthsStayBounded) {
    DeviceRecord* console_record = console_device();
    console_record->column = -20;  // set by a careless caller: one zone at most
    print("", PRINT_ZONE);
    EXPECT_EQ(memory_console_row(0), "");
    EXPECT_EQ(console.cursor_x, 14);
    console_record->width = 0;
    console_record->column = INT32_MAX - 1;
    print("abc", 0);  // no wrap width: saturates instead of overflowing
    EXPECT_EQ(console_record->column, INT32_MAX);
    console_record->width = -1;
    console_record->column = INT32_MIN;
    print("z", 0);  // a negative width does not wrap
    EXPECT_EQ(console_record->column, INT32_MIN + 1);
}

TEST_F(Devices, ColumnCountsCharactersAfterTheLastLineEnd) {
    print("one\r\ntwo\nxy", 0);
    EXPECT_EQ(console_device()->column, 2);
    print("", PRINT_NEWLINE);
    EXPECT_EQ(console_device()->column, 0);
}

TEST_F(Devices, FileNumbersOutsideTheTableWriteNothing) {
    for (int32_t number : {-2, 255, 1000, INT32_MIN}) {
        EXPECT_EQ(device_of(number), nullptr);
        print_string(number, reinterpret_cast<const unsigned char*>("x"), 1, PRINT_NEWLINE);
        EXPECT_EQ(runtime_error(), 1);
    }
    print_string(7, reinterpret_cast<const unsigned char*>("x"), 1, 0);  // no operations
    EXPECT_EQ(runtime_error(), 1);
    EXPECT_EQ(memory_console_row(0), "");
}

TEST_F(Devices, LocateSetsTheConsoleColumn) {
    locate(3, 20, -1, nullptr);
    EXPECT_EQ(console_device()->column, 19);
}

TEST_F(Devices, RedirectionKeepsTheColumnOnTheLastRecord) {
    DeviceRecord* file = device_of(5);
    DeviceRecord* console_record = console_device();
    file->ops = console_record->ops;
    file->redirect = console_record;
    print_string(5, reinterpret_cast<const unsigned char*>("abcd"), 4, 0);
    EXPECT_EQ(console_record->column, 4);
    EXPECT_EQ(file->column, 0);
}

TEST_F(Devices, WideStringsPrintThroughTheConsole) {
    const uint16_t text[] = {'h', 'i', 0};
    print_wide_string(0, text, PRINT_NEWLINE);
    EXPECT_EQ(memory_console_row(0), "hi");
    EXPECT_EQ(console.cursor_y, 1);
}

}  // namespace
}  // namespace qx
