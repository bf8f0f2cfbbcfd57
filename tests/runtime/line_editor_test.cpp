#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "no_input.h"
#include "runtime/console_output.h"
#include "runtime/key_queue.h"
#include "runtime/line_input.h"
#include "runtime/text_hooks.h"

namespace qx {
namespace {

// A small text screen behind the hook slots, laid out like the console: lazy wrap, the
// advance after the last cell of the last row postponed to the next print.
struct FakeScreen {
    int width = 10;
    int height = 4;
    std::vector<std::string> rows;
    int column = 0, row = 0;  // 0-based
    bool deferred = false;
    bool visible = true;
    int scrolls = 0;

    void reset(int w, int h) {
        *this = FakeScreen{};
        width = w;
        height = h;
        rows.assign(static_cast<size_t>(h), std::string(static_cast<size_t>(w), '.'));
    }
    void scroll() {
        rows.erase(rows.begin());
        rows.emplace_back(static_cast<size_t>(width), '.');
        ++scrolls;
    }
    void print(const unsigned char* text, int length) {
        if (deferred) {
            deferred = false;
            column = 0;
            scroll();
        }
        bool moved = false;
        for (int i = 0; i < length; ++i) {
            unsigned char c = text[i];
            if (c == '\r') {
                column = 0;
                moved = true;
            } else if (c == '\n') {
                column = 0;
                ++row;
                moved = true;
            } else {
                if (row == height) {
                    scroll();
                    row = height - 1;
                }
                rows[static_cast<size_t>(row)][static_cast<size_t>(column)] = static_cast<char>(c);
                if (++column == width) {
                    column = 0;
                    ++row;
                }
                moved = false;
            }
        }
        if (row == height && column == 0 && !moved) {
            row = height - 1;
            column = width - 1;
            deferred = true;
        } else if (row == height) {
            scroll();
            row = height - 1;
        }
    }
};

FakeScreen screen;

void fake_print(const unsigned char* text, int32_t length, int32_t) {
    screen.print(text, length);
}
void fake_size(int32_t* columns, int32_t* rows) {
    if (columns) *columns = screen.width;
    if (rows) *rows = screen.height;
}
void fake_position(int32_t* column, int32_t* row) {
    if (column) *column = screen.column + 1;
    if (row) *row = screen.row + 1;
}
int32_t fake_locate(int32_t row, int32_t column, int32_t visibility) {
    int32_t word = (screen.visible ? 0x10000 : 0);
    if (row >= 1) screen.row = row - 1;
    if (column >= 1) screen.column = column - 1;
    if (visibility >= 0) screen.visible = visibility != 0;
    screen.deferred = false;
    return word | ((screen.row + 1) & 0xFF) << 8 | ((screen.column + 1) & 0xFF);
}

constexpr int32_t LEFT = 0x4BFF, RIGHT = 0x4DFF, UP = 0x48FF, DOWN = 0x50FF, HOME = 0x47FF,
                  END = 0x4FFF, DELETE = 0x53FF, F1 = 0x3BFF;

class LineEditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        screen.reset(10, 4);
        text_hooks = TextHooks{};
        text_hooks.print_hook = fake_print;
        text_hooks.get_size_hook = fake_size;
        text_hooks.get_position_hook = fake_position;
        text_hooks.locate_hook = fake_locate;
        set_view_print(VIEW_UNSET, VIEW_UNSET);
        set_console_input_source(&NO_MORE_INPUT);
        reset_key_queue();
    }
    void TearDown() override {
        text_hooks = TextHooks{};
        set_console_input_source(nullptr);
        set_view_print(VIEW_UNSET, VIEW_UNSET);
    }
    // Queues the keys; the end of the input ends the edit as Enter would.
    void keys(const std::vector<int32_t>& codes) {
        ConsoleInputRecord record{};
        record.event_type = KEY_EVENT;
        for (int32_t code : codes)
            post_console_key(code, &record);
    }
    void keys(const std::string& typed) {
        std::vector<int32_t> codes;
        for (unsigned char c : typed)
            codes.push_back(c);
        keys(codes);
    }
    std::string edit() {
        Rtstring text{};
        edit_line(&text);
        std::string result(text.data ? text.data : "", static_cast<size_t>(text.length));
        std::free(text.data);
        return result;
    }
};

TEST_F(LineEditorTest, InsertionBeforeTheCursor) {
    keys(std::vector<int32_t>{'1', '2', LEFT, LEFT, '3', 13});
    EXPECT_EQ(edit(), "312");
    EXPECT_EQ(screen.rows[0], "312.......");
    EXPECT_EQ(screen.column, 3);  // Enter leaves the cursor after the text
}

TEST_F(LineEditorTest, EscapeBlanksTheLineAndStartsAgain) {
    keys("abcdef");
    keys(std::vector<int32_t>{27});
    EXPECT_EQ(edit(), "");
    EXPECT_EQ(screen.rows[0], "      ....");  // the typed cells are blanked
    EXPECT_EQ(screen.column, 0);
    keys("abc");
    keys(std::vector<int32_t>{LEFT, 27, 'z', 13});
    EXPECT_EQ(edit(), "z");
    // On an empty line there is no buffer yet: Escape (alone or twice) must not touch it.
    keys(std::vector<int32_t>{27, 27, 'y', 13});
    EXPECT_EQ(edit(), "y");
}

TEST_F(LineEditorTest, TabInsertsBlanksToTheNextStopOfTheText) {
    keys("abc\tx");
    EXPECT_EQ(edit(), "abc     x");
    keys("12345678\t!");
    EXPECT_EQ(edit(), "12345678        !");
}

TEST_F(LineEditorTest, BackspaceAndDelete) {
    keys(std::vector<int32_t>{8, 'a', 'b', 'c', LEFT, 8, 13});
    EXPECT_EQ(edit(), "ac");
    EXPECT_EQ(screen.rows[0].substr(0, 4), "ac .");  // the freed cell is blanked
    keys(std::vector<int32_t>{'a', 'b', 'c', HOME, DELETE, END, DELETE, RIGHT, 13});
    EXPECT_EQ(edit(), "bc");
    keys(std::vector<int32_t>{HOME, 8, 'x', 13});  // Backspace at the start does nothing
    EXPECT_EQ(edit(), "x");
}

TEST_F(LineEditorTest, OtherKeysAreIgnored) {
    keys(std::vector<int32_t>{'a', F1, 1, 31, 0xE9, 0x6BFF, 13});
    EXPECT_EQ(edit(), "a\xE9");
}

TEST_F(LineEditorTest, LongLineContinuesOnTheNextRow) {
    keys("abcdefghijklmno");
    EXPECT_EQ(edit(), "abcdefghijklmno");
    EXPECT_EQ(screen.rows[0], "abcdefghij");
    EXPECT_EQ(screen.rows[1], "klmno.....");
    EXPECT_EQ(screen.row, 1);
    EXPECT_EQ(screen.column, 5);
}

TEST_F(LineEditorTest, UpAndDownMoveByOneRowWithinTheText) {
    keys("abcdefghijklmno");
    keys(std::vector<int32_t>{UP, 'X', DOWN, DOWN, 'Y', 13});
    // Up: position 15 -> 5, X there; Down 6 -> 16 (the end); a second Down would pass it.
    EXPECT_EQ(edit(), "abcdeXfghijklmnoY");
    keys("abc");
    keys(std::vector<int32_t>{UP, 'Q', 13});  // less than a row: Up does nothing
    EXPECT_EQ(edit(), "abcQ");
    keys("abcdefghijklmno");
    keys(std::vector<int32_t>{HOME, DOWN, 'Z', 13});
    EXPECT_EQ(edit(), "abcdefghijZklmno");
}

TEST_F(LineEditorTest, CursorVisibilityRestoredAtTheEnd) {
    screen.visible = false;
    keys("1");
    keys(std::vector<int32_t>{13});
    edit();
    EXPECT_FALSE(screen.visible);
    screen.visible = true;
    keys(std::vector<int32_t>{13});
    edit();
    EXPECT_TRUE(screen.visible);
}

TEST_F(LineEditorTest, EndOfInputEndsTheEditAsEnter) {
    keys("77");
    EXPECT_EQ(edit(), "77");
    EXPECT_EQ(edit(), "");
}

TEST_F(LineEditorTest, TypingIntoTheLastCellScrollsOnce) {
    screen.row = 3;
    screen.column = 7;
    keys("abcde");
    EXPECT_EQ(edit(), "abcde");
    EXPECT_EQ(screen.scrolls, 1);
    EXPECT_EQ(screen.rows[2], ".......abc");
    EXPECT_EQ(screen.rows[3], "de........");
    EXPECT_EQ(screen.row, 3);
    EXPECT_EQ(screen.column, 2);
}

TEST_F(LineEditorTest, InsertionThatScrollsKeepsTheCursorOnItsCharacter) {
    screen.row = 3;
    keys("abcdefgh");
    keys(std::vector<int32_t>{HOME, 'X', 'Y', 'Z', 13});
    EXPECT_EQ(edit(), "XYZabcdefgh");
    EXPECT_EQ(screen.rows[2], "XYZabcdefg");
    EXPECT_EQ(screen.rows[3], "h.........");
    EXPECT_EQ(screen.row, 3);
    EXPECT_EQ(screen.column, 1);  // Enter: after the text
}

TEST(MoveCursorBy, WrapsAcrossRowsBothWays) {
    text_hooks = TextHooks{};
    screen.reset(80, 25);
    text_hooks.get_size_hook = fake_size;
    text_hooks.locate_hook = fake_locate;
    text_hooks.print_hook = fake_print;
    set_view_print(VIEW_UNSET, VIEW_UNSET);
    struct Case {
        int32_t column, row, delta, want_column, want_row;
    } cases[] = {
        {1, 5, -1, 80, 4}, {1, 5, -80, 1, 4},   {1, 5, -81, 80, 3}, {4, 5, -5, 79, 4},
        {80, 5, 1, 1, 6},  {10, 5, 165, 15, 7}, {3, 2, 0, 3, 2},    {1, 1, -1, 80, 0},
    };
    for (const Case& c : cases) {
        int32_t column = c.column, row = c.row;
        move_cursor_by(&column, &row, c.delta, 80, 25);
        EXPECT_EQ(column, c.want_column) << c.column << "," << c.row << " by " << c.delta;
        EXPECT_EQ(row, c.want_row) << c.column << "," << c.row << " by " << c.delta;
    }
    // Onto the row below the last one: the screen scrolls and the cursor starts the last row.
    screen.row = 24;
    screen.column = 79;
    int32_t column = 80, row = 25;
    move_cursor_by(&column, &row, 1, 80, 25);
    EXPECT_EQ(screen.scrolls, 1);
    EXPECT_EQ(screen.row, 24);
    EXPECT_EQ(screen.column, 0);
    text_hooks = TextHooks{};
    set_view_print(VIEW_UNSET, VIEW_UNSET);
}

}  // namespace
}  // namespace qx
