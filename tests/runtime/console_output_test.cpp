#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "runtime/console_output.h"
#include "runtime/devices.h"
#include "runtime/memory_console.h"
#include "runtime/runtime.h"
#include "runtime/text_hooks.h"

namespace qx {
namespace {

// "<prefix><n>\r\n" (built with snprintf: g++ 12 misreports string concatenation here).
std::string line(const char* prefix, int n) {
    char text[32];
    std::snprintf(text, sizeof text, "%s%d\r\n", prefix, n);
    return text;
}

void print(const std::string& text, int32_t mask = 0) {
    text_print(reinterpret_cast<const unsigned char*>(text.data()),
               static_cast<int32_t>(text.size()), mask);
}

class ConsoleOutput : public ::testing::Test {
protected:
    MemoryConsole& console = install_memory_console(80, 25, 25);
    void SetUp() override {
        text_hooks = {};
        clear_device_table();
    }
};

TEST_F(ConsoleOutput, ControlCharacters) {
    print("AB\bC");  // BS moves back without erasing, C overwrites B
    EXPECT_EQ(memory_console_row(0), "AC");
    EXPECT_EQ(console.cursor_x, 2);
    print("\rX\b\b\b");  // BS never passes the view's left column
    EXPECT_EQ(console.cursor_x, 0);
    print("\a");
    EXPECT_EQ(console.beeps, 1);
    EXPECT_EQ(memory_console_row(0), "XC");
    print("\nD\x0c");  // LF returns to the left column; form feed is a visible cell
    EXPECT_EQ(memory_console_row(1), "D\x0c");
    EXPECT_EQ(console.cursor_x, 2);
}

TEST_F(ConsoleOutput, TabStopsCountFromTheViewsLeftEdge) {
    print("\tX\r\n1234567\tY\r\n12345678\tZ");
    EXPECT_EQ(memory_console_row(0), "        X");
    EXPECT_EQ(memory_console_row(1), "1234567 Y");
    EXPECT_EQ(memory_console_row(2), "12345678        Z");
}

TEST_F(ConsoleOutput, LongRunsWrapInChunksAtTheRightEdge) {
    std::string text(300, 'a');
    for (int i = 0; i < 300; ++i)
        text[i] = static_cast<char>('0' + i % 10);
    print(text);
    EXPECT_EQ(memory_console_row(0), text.substr(0, 80));
    EXPECT_EQ(memory_console_row(3), text.substr(240, 60));
    EXPECT_EQ(console.cursor_x, 60);
    EXPECT_EQ(console.cursor_y, 3);
}

TEST_F(ConsoleOutput, FilledLastRowPostponesTheAdvanceUntilTheNextPrint) {
    install_memory_console(10, 5, 5);
    print("top");
    locate(5, 1, -1, nullptr);
    print("0123456789");
    EXPECT_EQ(memory_console_row(0), "top");  // no scroll yet
    EXPECT_EQ(console.cursor_x, 9);
    EXPECT_EQ(console.cursor_y, 4);
    print("X");
    EXPECT_EQ(memory_console_row(3), "0123456789");
    EXPECT_EQ(memory_console_row(4), "X");
    EXPECT_EQ(memory_console_row(0), "");
}

TEST_F(ConsoleOutput, LocateCancelsThePostponedAdvance) {
    install_memory_console(10, 5, 5);
    locate(5, 1, -1, nullptr);
    print("0123456789");
    locate(2, 3, -1, nullptr);
    print("X");
    EXPECT_EQ(memory_console_row(1), "  X");
    EXPECT_EQ(memory_console_row(4), "0123456789");
}

TEST_F(ConsoleOutput, LineEndOnTheLastRowScrollsAtOnce) {
    install_memory_console(10, 5, 5);
    locate(5, 1, -1, nullptr);
    print("last\r\n");
    EXPECT_EQ(memory_console_row(3), "last");
    EXPECT_EQ(console.cursor_x, 0);
    EXPECT_EQ(console.cursor_y, 4);
}

TEST_F(ConsoleOutput, TwelveLineFeedsIntoASixRowViewBlankItOnce) {
    for (int row = 0; row < 25; ++row)
        print("line\r\n");
    install_memory_console(80, 25, 25);
    for (int row = 0; row < 24; ++row)
        print(line("r", row));
    EXPECT_EQ(view_print(3, 8), 3 + 8 * 65536);
    EXPECT_EQ(console.cursor_y, 2);
    print(std::string(12, '\n'));
    for (int row = 2; row <= 7; ++row)
        EXPECT_EQ(memory_console_row(row), "") << row;
    EXPECT_EQ(memory_console_row(1), "r1");
    EXPECT_EQ(memory_console_row(8), "r8");
    EXPECT_EQ(console.cursor_y, 7);
}

TEST_F(ConsoleOutput, PartialViewScrollsOnlyItsRows) {
    for (int row = 0; row < 24; ++row)
        print(line("r", row));
    view_print(3, 5);
    print("a\r\nb\r\nc\r\nd");
    EXPECT_EQ(memory_console_row(1), "r1");
    EXPECT_EQ(memory_console_row(2), "b3");  // printing overwrites, it does not clear
    EXPECT_EQ(memory_console_row(3), "c4");
    EXPECT_EQ(memory_console_row(4), "d");
    EXPECT_EQ(memory_console_row(5), "r5");
}

TEST_F(ConsoleOutput, ViewMovesDownIntoUnusedBufferRowsBeforeScrolling) {
    install_memory_console(20, 8, 4);
    for (int row = 0; row < 6; ++row)
        print(line("l", row));
    EXPECT_EQ(memory_console_row(0), "l0");  // nothing scrolled off: the window moved
    EXPECT_EQ(memory_console_row(5), "l5");
    EXPECT_EQ(console.window_top, 3);
    for (int row = 6; row < 10; ++row)
        print(line("l", row));
    EXPECT_EQ(memory_console_row(0), "l3");  // at the buffer's end the content scrolls
    EXPECT_EQ(memory_console_row(6), "l9");
    EXPECT_EQ(console.cursor_y, 7);
}

TEST_F(ConsoleOutput, RedirectedOutputGoesOutUnchanged) {
    console.redirected = true;
    reset_console_output();
    print("A\tB\r\n");
    EXPECT_EQ(console.raw, "A\tB\r\n");
    int32_t columns = 0, rows = 0;
    console_get_size(&columns, &rows);
    EXPECT_EQ(columns, 80);
    EXPECT_EQ(rows, 25);
}

TEST_F(ConsoleOutput, FailedCellWriteDropsTheRestOfThatRunOnly) {
    console.failing_writes = 1;
    print("lost\r\nkept");
    EXPECT_EQ(memory_console_row(0), "");
    EXPECT_EQ(memory_console_row(1), "kept");
}

TEST_F(ConsoleOutput, LocateChecksRowsAgainstTheViewAndKeepsZeros) {
    view_print(5, 10);
    int32_t word = -1;
    locate(4, 1, -1, &word);
    EXPECT_EQ(runtime_error(), 1);
    EXPECT_EQ(word, 0);
    locate(6, 81, -1, &word);
    EXPECT_EQ(runtime_error(), 1);
    locate(7, 3, -1, &word);
    EXPECT_EQ(runtime_error(), 0);
    EXPECT_EQ(word, 3 | 7 << 8 | 0x10000);
    EXPECT_EQ(console.cursor_x, 2);
    EXPECT_EQ(console.cursor_y, 6);
    locate(0, 0, 0, &word);  // only the visibility changes
    EXPECT_EQ(console.cursor_visible, 0);
    EXPECT_EQ(console.cursor_x, 2);
    EXPECT_EQ(console.cursor_y, 6);
    EXPECT_EQ(locate_or_show(30, 1, 1) & 0xFFFF, 3 | 7 << 8);  // refused: visibility only
    EXPECT_EQ(console.cursor_visible, 1);
}

TEST_F(ConsoleOutput, ViewPrintRefusesBadRangesAndKeepsNegatives) {
    EXPECT_EQ(view_print(8, 3), 0);
    EXPECT_EQ(view_print(1, 26), 0);
    EXPECT_EQ(view_print(-5, 10), 1 + 10 * 65536);  // unset top resolves to the first row
    EXPECT_EQ(view_print(4, -1), 4 + 10 * 65536);
    EXPECT_EQ(view_print(0, 0), 1 + 25 * 65536);
}

TEST_F(ConsoleOutput, WidePrintTurnsUnitsAboveByteIntoQuestionMarks) {
    const uint16_t text[] = {'A', 0xE9, 0x20AC, 'B'};
    text_print_wide(text, 4, 0);
    EXPECT_EQ(memory_console_row(0), "A\xe9?B");
}

TEST_F(ConsoleOutput, SetColorSetsTheAttributeOfWhatIsPrintedNext) {
    print("a");
    EXPECT_EQ(set_color(14, 1), 7);  // previous: grey on black
    print("b");
    EXPECT_EQ(set_color(-1, 4), 1 << 16 | 14);  // a negative argument keeps that colour
    print("c");
    EXPECT_EQ(set_color(0x1F, 0x23), 4 << 16 | 14);  // colours beyond 15 wrap into the 16
    EXPECT_EQ(console.attribute, 0x3F);
    EXPECT_EQ(console.attributes[0], 7);
    EXPECT_EQ(console.attributes[1], 0x1E);
    EXPECT_EQ(console.attributes[2], 0x4E);
    console.attribute = 0x8007;  // the console's own bits above the colours stay
    set_color(2, 0);
    EXPECT_EQ(console.attribute, 0x8002);

    // Not a console: the colours are still kept and reported.
    console.redirected = true;
    reset_console_output();
    set_color(5, 6);
    EXPECT_EQ(set_color(-1, -1), 6 << 16 | 5);
    EXPECT_TRUE(console.raw.empty());
}

TEST_F(ConsoleOutput, ClearBlanksInTheBackgroundColourAndHomesTheCursor) {
    for (int k = 1; k <= 25; ++k)
        print(line("row ", k), 0);
    set_color(7, 1);
    clear_screen(0);
    for (int32_t y = 0; y < 25; ++y)
        ASSERT_EQ(memory_console_row(y), "") << y;
    EXPECT_EQ(console.attributes[0], 0x17);
    EXPECT_EQ(console.attributes[25 * 80 - 1], 0x17);
    EXPECT_EQ(console.cursor_x, 0);
    EXPECT_EQ(console.cursor_y, 0);

    // The view-print rows alone, for mode 2 and by default; other modes clear everything.
    print("top");
    view_print(3, 5);
    print("x");
    locate(5, 1, -1, nullptr);
    print("x");
    clear_screen(CLEAR_DEFAULT);
    EXPECT_EQ(memory_console_row(0), "top");
    EXPECT_EQ(memory_console_row(2), "");
    EXPECT_EQ(memory_console_row(4), "");
    EXPECT_EQ(console.cursor_y, 2);
    print("y");
    clear_screen(1);
    EXPECT_EQ(memory_console_row(0), "");
    EXPECT_EQ(console.cursor_y, 2);  // the first row of the view-print rows

    console.redirected = true;
    reset_console_output();
    clear_screen(0);  // a file keeps what it has: no bytes, no cells
    EXPECT_TRUE(console.raw.empty());
}

TEST_F(ConsoleOutput, ColourAndClearGoToTheScreensSlotsWhenSet) {
    static int32_t cleared_mode;
    text_hooks.clear_hook = [](int32_t mode) { cleared_mode = mode; };
    text_hooks.color_hook = [](int32_t fg, int32_t bg) { return fg * 100 + bg; };
    print("kept");
    clear_screen(2);
    EXPECT_EQ(cleared_mode, 2);
    EXPECT_EQ(set_color(3, 4), 304);
    EXPECT_EQ(memory_console_row(0), "kept");
    EXPECT_EQ(console.attribute, 7);
    text_hooks = {};
}

}  // namespace
}  // namespace qx
