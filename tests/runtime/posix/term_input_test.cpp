#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "runtime/key_queue.h"
#include "runtime/posix/cursor_reply.h"
#include "runtime/posix/term_input.h"
#include "runtime/text_hooks.h"

namespace qx {
namespace {

// Keys from a pipe, as when stdin is not a terminal.
class TermInputTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(pipe(fds_), 0);
        text_hooks = TextHooks{};
        set_console_input_source(nullptr);
        term_input_use_fd(fds_[0]);
        reset_key_queue();
    }
    void TearDown() override {
        close_writer();
        close(fds_[0]);
        term_input_use_fd(0);
    }
    void write_bytes(const std::string& bytes) {
        ASSERT_EQ(write(fds_[1], bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    void close_writer() {
        if (fds_[1] >= 0) close(fds_[1]);
        fds_[1] = -1;
    }
    int fds_[2] = {-1, -1};
};

TEST_F(TermInputTest, LinesOfAPipeBecomeKeysThenTheInputEnds) {
    write_bytes("48\n\x1b[A");
    close_writer();
    EXPECT_EQ(read_key(), '4');
    EXPECT_EQ(key_input_ended(), 0);  // keys still queued
    EXPECT_EQ(read_key(), '8');
    EXPECT_EQ(read_key(), 13);
    EXPECT_EQ(read_key(), 0x48FF);
    EXPECT_EQ(read_key(), KEY_NONE);
    EXPECT_EQ(key_input_ended(), 1);
    EXPECT_EQ(wait_for_key(), KEY_NONE);  // returns instead of waiting for ever
}

TEST_F(TermInputTest, NothingYetIsNotTheEnd) {
    EXPECT_EQ(key_waiting(), 0);
    EXPECT_EQ(key_input_ended(), 0);
    write_bytes("x");
    EXPECT_EQ(read_key(), 'x');
}

TEST_F(TermInputTest, LoneEscapeAfterAPauseOrAtTheEnd) {
    write_bytes("\x1b");
    EXPECT_EQ(read_key(), 27);  // nothing followed within the pause
    write_bytes("\x1b");
    close_writer();
    EXPECT_EQ(read_key(), 27);
}

TEST_F(TermInputTest, SequenceSplitAcrossReadsStaysWhole) {
    write_bytes("\x1b[2");
    EXPECT_EQ(read_key(), KEY_NONE);  // the sequence was cut off by the pause: dropped
    write_bytes("\x1b[1;");
    write_bytes("5D");
    EXPECT_EQ(read_key(), 0x73FF);  // Ctrl+Left
}

TEST_F(TermInputTest, BurstBeyondTheQueueKeepsTheNewestKeys) {
    std::string burst;
    for (int i = 0; i < 600; ++i)
        burst += static_cast<char>('a' + i % 26);
    write_bytes(burst);
    close_writer();
    int count = 0;
    int32_t first = read_key();
    for (int32_t code = first; code != KEY_NONE; code = read_key())
        ++count;
    EXPECT_EQ(count, 511);
    EXPECT_EQ(first, 'a' + (600 - 511) % 26);
}

// What the cursor query read besides its answer: the answer goes, every key stays in order.
TEST(CursorReplyTest, TheReplyIsTakenOutOfTypedKeys) {
    struct Case {
        std::string read, kept;
        bool found;
        int32_t row, column;
    };
    const Case cases[] = {
        {"\x1b[12;40R", "", true, 12, 40},
        {"ab\x1b[3;7Rcd", "abcd", true, 3, 7},
        {"R\x1b[A\x1b[1;1R", "R\x1b[A", true, 1, 1},      // a typed R and Up are keys
        {"\x1b[1;5D\x1b[2;9R", "\x1b[1;5D", true, 2, 9},  // Ctrl+Left looks alike
        {"x\x1b[3;", "x\x1b[3;", false, 0, 0},            // cut short: nothing taken
        {"\x1b[;4R\x1b[999999;1R", "\x1b[;4R\x1b[999999;1R", false, 0, 0},
    };
    for (const Case& c : cases) {
        std::string bytes = c.read;
        size_t length = bytes.size();
        int32_t row = 0, column = 0;
        bool found = take_cursor_reply(reinterpret_cast<unsigned char*>(bytes.data()), &length,
                                       &row, &column);
        EXPECT_EQ(found, c.found) << c.read;
        EXPECT_EQ(bytes.substr(0, length), c.kept) << c.read;
        EXPECT_EQ(row, c.row) << c.read;
        EXPECT_EQ(column, c.column) << c.read;
    }
}

TEST_F(TermInputTest, KeysTypedBeforeTheCursorReplyComeFirst) {
    const unsigned char early[] = {'4', '8', 0x1B, '[', 'A'};
    term_input_keep_bytes(early, sizeof early);
    write_bytes("0\r");
    close_writer();
    EXPECT_EQ(read_key(), '4');
    EXPECT_EQ(read_key(), '8');
    EXPECT_EQ(read_key(), 0x48FF);
    EXPECT_EQ(read_key(), '0');
    EXPECT_EQ(read_key(), 13);
    EXPECT_EQ(read_key(), KEY_NONE);
}

}  // namespace
}  // namespace qx
