#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "no_input.h"
#include "runtime/console_output.h"
#include "runtime/devices.h"
#include "runtime/key_queue.h"
#include "runtime/line_input.h"
#include "runtime/memory_console.h"
#include "runtime/runtime.h"
#include "runtime/text_hooks.h"

namespace qx {
namespace {

constexpr int32_t LEFT = 0x4BFF, HOME = 0x47FF, DELETE = 0x53FF;

// Input statements on the memory console, with scripted keys; when they run out the input
// has ended, which ends a waiting edit as Enter would.
class LineInputTest : public ::testing::Test {
protected:
    void SetUp() override { start(40, 10, 10); }
    void TearDown() override { set_console_input_source(nullptr); }
    MemoryConsole& start(int32_t width, int32_t height, int32_t window_rows) {
        text_hooks = TextHooks{};
        MemoryConsole& console = install_memory_console(width, height, window_rows);
        clear_device_table();
        set_console_input_source(&NO_MORE_INPUT);
        reset_key_queue();
        return console;
    }
    void keys(const std::vector<int32_t>& codes) {
        ConsoleInputRecord record{};
        record.event_type = KEY_EVENT;
        for (int32_t code : codes)
            post_console_key(code, &record);
    }
    int32_t ask(const char* prompt, int32_t add_question = 0, int32_t add_newline = -1) {
        Rtstring text{const_cast<char*>(prompt), static_cast<int32_t>(std::strlen(prompt))};
        input_prompt(&text, add_question, add_newline);
        EXPECT_EQ(runtime_error(), 0);
        int32_t value = -1;
        input_int(&value);
        return value;
    }
};

TEST_F(LineInputTest, EditedAnswerIsConverted) {
    keys({'1', '2', LEFT, LEFT, '3', 13});
    EXPECT_EQ(ask("Entrez la hauteur "), 312);
    EXPECT_EQ(memory_console_row(0), "Entrez la hauteur 312");
    EXPECT_EQ(memory_console().cursor_y, 1);  // the line break after the answer
    EXPECT_EQ(memory_console().cursor_x, 0);
    EXPECT_EQ(input_line_context()->read_position, 3);
}

TEST_F(LineInputTest, QuestionMarkAndNoLineBreak) {
    keys({'5', 13});
    EXPECT_EQ(ask("Taille", 1, 0), 5);
    EXPECT_EQ(memory_console_row(0), "Taille? 5");
    EXPECT_EQ(memory_console().cursor_y, 0);
    EXPECT_EQ(memory_console().cursor_x, 9);
}

TEST_F(LineInputTest, SeveralItemsOfOneLineAndANewStatementDropsTheRest) {
    keys({'4', '8', '0', ',', '6', '4', '0', ',', '9', 13});
    EXPECT_EQ(ask("? "), 480);
    int32_t second = 0;
    input_int(&second);
    EXPECT_EQ(second, 640);
    keys({'7', 13});
    EXPECT_EQ(ask("again "), 7);  // the 9 left over is gone
}

TEST_F(LineInputTest, EmptyAndEndedInputReadAsZero) {
    keys({13});
    EXPECT_EQ(ask("a "), 0);
    EXPECT_EQ(ask("b "), 0);  // no keys left at all: the edit ends, nothing hangs
    EXPECT_EQ(memory_console_row(1), "b");
}

TEST_F(LineInputTest, DeleteAtTheEndBeepsBackspaceAtTheStartDoesNot) {
    keys({8, '1', DELETE, HOME, 8, 13});
    EXPECT_EQ(ask("n "), 1);
    EXPECT_EQ(memory_console().beeps, 1);
}

TEST_F(LineInputTest, DeviceColumnCountsOnlyThePrompt) {
    keys({'1', '2', '3', '4', 13});
    ask("Entrez la hauteur ", 0, 0);
    EXPECT_EQ(console_device()->column, 18);
    keys({'9', 13});
    ask("x", 1, 0);  // "? " goes through the device too
    EXPECT_EQ(console_device()->column, 18 + 1 + 2);
}

TEST_F(LineInputTest, PromptAfterAFullLastRowStartsOnAFreshRow) {
    MemoryConsole& console = start(10, 3, 3);
    print_string(0, reinterpret_cast<const unsigned char*>("0123456789"), 10, 1);
    print_string(0, reinterpret_cast<const unsigned char*>("0123456789"), 10, 1);
    print_string(0, reinterpret_cast<const unsigned char*>("abcdefghij"), 10, 0);
    keys({'7', 13});
    EXPECT_EQ(ask("p ", 0, 0), 7);
    EXPECT_EQ(memory_console_row(1), "abcdefghij");
    EXPECT_EQ(memory_console_row(2), "p 7");
    EXPECT_EQ(console.cursor_y, 2);
}

TEST_F(LineInputTest, InsertionThatScrollsTheConsoleKeepsTheCursorInPlace) {
    MemoryConsole& console = start(10, 3, 3);
    locate(3, 1, -1, nullptr);
    keys({'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', HOME, 'X', 'Y', 'Z', '!', 13});
    ask("", 0, 0);
    EXPECT_EQ(std::string(input_line_context()->line.data, 12), "XYZ!abcdefgh");
    EXPECT_EQ(memory_console_row(0), "");
    EXPECT_EQ(memory_console_row(1), "XYZ!abcdef");
    EXPECT_EQ(memory_console_row(2), "gh");
    EXPECT_EQ(console.cursor_y, 2);  // Enter put the cursor after the text
    EXPECT_EQ(console.cursor_x, 2);
}

TEST_F(LineInputTest, ViewMovesDownIntoUnusedRowsOfATallBuffer) {
    MemoryConsole& console = start(10, 6, 3);
    locate(3, 8, -1, nullptr);
    keys({'a', 'b', 'c', 'd', 'e', 13});
    ask("", 0, 0);
    EXPECT_EQ(memory_console_row(2), "       abc");
    EXPECT_EQ(memory_console_row(3), "de");
    EXPECT_EQ(console.window_top, 1);
}

TEST_F(LineInputTest, InputNumberTakesOnlyWholeNumbersInRange) {
    struct Case {
        const char* typed;
        int32_t result, value;
    };
    const Case cases[] = {
        {"42", 0, 42},
        {"  -17\t", 0, -17},
        {"+8", 0, 8},
        {"2147483647", 0, INT32_MAX},
        {"-2147483648", 0, INT32_MIN},
        {"abc", 1, -5},
        {"", 1, -5},
        {"12abc", 1, -5},
        {"1 2", 1, -5},
        {"-", 1, -5},
        {"1.5", 1, -5},
        {"2147483648", 1, -5},
        {"-2147483649", 1, -5},
        {"99999999999999999999", 1, -5},
    };
    for (const Case& c : cases) {
        start(40, 10, 10);
        for (const char* p = c.typed; *p != '\0'; ++p)
            keys({static_cast<unsigned char>(*p)});
        keys({KEY_ENTER});
        int32_t value = -5;
        EXPECT_EQ(input_number("n: ", &value), c.result) << c.typed;
        EXPECT_EQ(value, c.value) << c.typed;
        EXPECT_EQ(runtime_error(), 0);
        EXPECT_EQ(memory_console().cursor_y, 1);  // the line break after the input
    }
    EXPECT_EQ(memory_console_row(0), "n: 99999999999999999999");
}

TEST_F(LineInputTest, ACloseDuringTheInputEndsTheLineAndIsTheNextKey) {
    keys({'3', KEY_CLOSE, 'z'});
    int32_t value = 0;
    EXPECT_EQ(input_number("n ", &value), 0);
    EXPECT_EQ(value, 3);
    EXPECT_EQ(key_input_ended(), 0);  // a key is still to come
    EXPECT_EQ(wait_for_key(), KEY_CLOSE);
    EXPECT_EQ(read_key(), 'z');
    EXPECT_EQ(read_key(), KEY_NONE);
}

}  // namespace
}  // namespace qx
