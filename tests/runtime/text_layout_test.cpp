#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/console_output.h"
#include "runtime/devices.h"
#include "runtime/memory_console.h"
#include "runtime/text_hooks.h"
#include "runtime/text_layout.h"

namespace qx {
namespace {

// A target that records what the layout asks of it, independent of any console.
struct Recorder {
    struct Write {
        int32_t column, row;
        std::string text;
    };
    std::vector<Write> writes;
    std::vector<int32_t> scrolls;  // line counts
    int32_t failures = 0;          // writes still to refuse
};

int32_t record_write(PrintContext* context, const unsigned char* characters, int32_t count) {
    auto* recorder = static_cast<Recorder*>(context->target);
    if (recorder->failures > 0) {
        --recorder->failures;
        return 0;
    }
    recorder->writes.push_back(
        {context->cursor_column, context->cursor_row,
         std::string(reinterpret_cast<const char*>(characters), static_cast<size_t>(count))});
    return 1;
}

void record_scroll(PrintContext* context, int32_t, int32_t, int32_t, int32_t bottom,
                   int32_t lines) {
    static_cast<Recorder*>(context->target)->scrolls.push_back(lines);
    context->cursor_row = bottom;
}

class Layout : public ::testing::Test {
protected:
    Recorder recorder;
    // A view of columns 10..19 and rows 2..4 (absolute), cursor at its top left.
    PrintContext context{&recorder, record_scroll, record_write, 10, 2, 19, 4, 10, 2};
    void SetUp() override { install_memory_console(80, 25, 25); }
    void lay_out(const std::string& text) {
        lay_out_text(&context, reinterpret_cast<const unsigned char*>(text.data()),
                     static_cast<int32_t>(text.size()), 1);
    }
};

TEST_F(Layout, RunsAreAtMost256BytesAndChunkedAtTheRightEdge) {
    context.view_right = 109;  // 100 columns
    context.view_bottom = -1;  // no bottom: never scrolls
    lay_out(std::string(300, 'x'));
    std::vector<size_t> sizes;
    for (const auto& write : recorder.writes)
        sizes.push_back(write.text.size());
    EXPECT_EQ(sizes, (std::vector<size_t>{100, 100, 56, 44}));
    EXPECT_EQ(recorder.writes[3].column, 66);
    EXPECT_EQ(recorder.writes[3].row, 4);
    EXPECT_TRUE(recorder.scrolls.empty());
    EXPECT_EQ(context.cursor_row, 5);
}

TEST_F(Layout, FillingTheLastRowDoesNotScrollButTheNextCharacterDoes) {
    context.cursor_row = 4;
    lay_out("0123456789");
    EXPECT_TRUE(recorder.scrolls.empty());
    EXPECT_EQ(context.cursor_column, 10);
    EXPECT_EQ(context.cursor_row, 5);  // below the view: the caller decides
    lay_out("A");
    EXPECT_EQ(recorder.scrolls, std::vector<int32_t>{1});
    EXPECT_EQ(recorder.writes.back().row, 4);
    EXPECT_EQ(recorder.writes.back().column, 10);
}

TEST_F(Layout, ACursorMoveBelowTheViewScrollsAtTheEnd) {
    context.cursor_row = 4;
    lay_out("ab\n\n");
    EXPECT_EQ(recorder.scrolls, std::vector<int32_t>{2});
    EXPECT_EQ(context.cursor_row, 4);
    EXPECT_EQ(context.cursor_column, 10);
}

TEST_F(Layout, LineFeedReturnsOnlyWhenAsked) {
    lay_out_text(&context, reinterpret_cast<const unsigned char*>("ab\ncd"), 5, 0);
    ASSERT_EQ(recorder.writes.size(), 2u);
    EXPECT_EQ(recorder.writes[1].column, 12);
    EXPECT_EQ(recorder.writes[1].row, 3);
}

TEST_F(Layout, TabAfterWrappingCountsFromTheViewEdge) {
    // Twelve characters wrap onto the second row at relative column 2; TAB then fills to 8.
    lay_out("abcdefghijkl\tZ");
    ASSERT_EQ(recorder.writes.size(), 2u);
    EXPECT_EQ(recorder.writes[0].text, "abcdefghij");
    EXPECT_EQ(recorder.writes[1].text, "kl      Z");
    EXPECT_EQ(recorder.writes[1].column, 10);
}

TEST_F(Layout, TabAtTheLastStopOfANarrowViewWrapsItsSpaces) {
    context.cursor_column = 18;  // relative 8: the stop at 16 lies beyond the 10-column view
    lay_out("\tQ");
    ASSERT_EQ(recorder.writes.size(), 2u);
    EXPECT_EQ(recorder.writes[0].text, "  ");
    EXPECT_EQ(recorder.writes[1].text, "      Q");
    EXPECT_EQ(recorder.writes[1].row, 3);
}

TEST_F(Layout, FailedWriteDropsItsChunkAndLaterTextGoesOn) {
    recorder.failures = 1;
    lay_out("lost\rkept");
    ASSERT_EQ(recorder.writes.size(), 1u);
    EXPECT_EQ(recorder.writes[0].text, "kept");
    EXPECT_EQ(recorder.writes[0].column, 10);
}

TEST_F(Layout, CursorRightOfTheViewStartsOnTheNextRow) {
    context.cursor_column = 40;  // placed outside the view by its owner
    lay_out("hi");
    ASSERT_EQ(recorder.writes.size(), 1u);
    EXPECT_EQ(recorder.writes[0].column, 10);
    EXPECT_EQ(recorder.writes[0].row, 3);
}

TEST_F(Layout, EmptyAndNegativeLengthsDoNothing) {
    lay_out_text(&context, nullptr, 0, 1);
    lay_out_text(&context, reinterpret_cast<const unsigned char*>("x"), -4, 1);
    EXPECT_TRUE(recorder.writes.empty());
    EXPECT_EQ(context.cursor_column, 10);
}

TEST_F(Layout, AViewWithoutColumnsTakesNoText) {
    context.view_right = context.view_left - 1;
    lay_out("text\tmore\n");
    EXPECT_TRUE(recorder.writes.empty());
    EXPECT_TRUE(recorder.scrolls.empty());
}

TEST_F(Layout, BellBeepsBetweenCharactersOfOneRun) {
    lay_out("a\ab");
    EXPECT_EQ(memory_console().beeps, 1);
    ASSERT_EQ(recorder.writes.size(), 1u);
    EXPECT_EQ(recorder.writes[0].text, "ab");
}

// The console side: mask 8, bad lengths, an unreadable console, the cursor query fallbacks.
class ConsolePrintEdges : public ::testing::Test {
protected:
    MemoryConsole& console = install_memory_console(10, 5, 5);
    void SetUp() override {
        text_hooks = {};
        clear_device_table();
    }
};

TEST_F(ConsolePrintEdges, ForcedEmptyPrintCarriesOutThePostponedAdvance) {
    locate(5, 1, -1, nullptr);
    console_print_buffer(reinterpret_cast<const unsigned char*>("0123456789"), 10, 0);
    console_print_buffer(nullptr, 0, 0);  // without mask 8: nothing happens
    EXPECT_EQ(console.cursor_y, 4);
    EXPECT_EQ(console.cursor_x, 9);
    console_print_buffer(nullptr, 0, PRINT_FORCE);
    EXPECT_EQ(memory_console_row(3), "0123456789");
    EXPECT_EQ(console.cursor_x, 0);
    EXPECT_EQ(console.cursor_y, 4);
    const uint16_t nothing[] = {0};
    text_print_wide(nothing, 0, PRINT_FORCE);  // no postponed advance left: no scroll
    EXPECT_EQ(memory_console_row(3), "0123456789");
}

TEST_F(ConsolePrintEdges, NegativeLengthPrintsNothing) {
    console_print_buffer(reinterpret_cast<const unsigned char*>("x"), -1, PRINT_FORCE);
    EXPECT_EQ(memory_console_row(0), "");
    console.redirected = true;
    reset_console_output();
    console_print_buffer(reinterpret_cast<const unsigned char*>("x"), -1, PRINT_FORCE);
    EXPECT_EQ(console.raw, "");
}

TEST_F(ConsolePrintEdges, PositionQueriesAreOneBasedAndZeroWhenUnreadable) {
    locate(3, 4, -1, nullptr);
    int32_t column = 0, row = 0;
    text_get_position(&column, &row);
    EXPECT_EQ(column, 4);
    EXPECT_EQ(row, 3);
    EXPECT_EQ(console_get_row(), 3);
    EXPECT_EQ(text_get_column(), 4);
    console.redirected = true;
    reset_console_output();
    text_get_position(&column, &row);
    EXPECT_EQ(column, 0);
    EXPECT_EQ(row, 0);
    text_get_position(nullptr, nullptr);  // either pointer may be null
}

TEST_F(ConsolePrintEdges, AConsoleTooWideForItsCellsCountsAsRedirected) {
    MemoryConsole& wide = install_memory_console(40000, 2, 2);
    console_print_buffer(reinterpret_cast<const unsigned char*>("A\tB"), 3, 0);
    EXPECT_EQ(wide.raw, "A\tB");
    int32_t columns = 0;
    console_get_size(&columns, nullptr);
    EXPECT_EQ(columns, 80);
}

TEST_F(ConsolePrintEdges, ALongWidePrintKeepsItsOrderAcrossSlices) {
    install_memory_console(80, 25, 25);
    std::vector<uint16_t> text(300);
    for (size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<uint16_t>('a' + i % 26);
    text[299] = 0x141;  // above a byte: shown as "?"
    text_print_wide(text.data(), 300, 0);
    EXPECT_EQ(memory_console_row(3).size(), 60u);
    EXPECT_EQ(memory_console_row(3).back(), '?');
    EXPECT_EQ(memory_console_row(3)[0], static_cast<char>('a' + 240 % 26));
}

}  // namespace
}  // namespace qx
