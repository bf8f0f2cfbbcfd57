#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/win32/console_input.h"

#include <qx/console.h>
#include <qx/rtstring.h>

#include "runtime/console_backend.h"
#include "runtime/memory_console.h"
#include "runtime/text_hooks.h"

namespace qx {
namespace {

// Input records as the console hands them over, fed to the pump through the conversion.
std::vector<INPUT_RECORD> raw_records;
size_t raw_next = 0;

int32_t raw_event(ConsoleInputRecord* record) {
    if (raw_next >= raw_records.size()) return 0;
    *record = console_record_from(raw_records[raw_next++]);
    return 1;
}

const ConsoleInputSource RAW_SOURCE = {
    .next_event = raw_event,
    .ended = nullptr,
    .install_close_handler = nullptr,
    .remove_close_handler = nullptr,
};

INPUT_RECORD key(WORD vk, WORD scan, unsigned char character, DWORD state, BOOL down = TRUE) {
    INPUT_RECORD record{};
    record.EventType = KEY_EVENT;
    record.Event.KeyEvent.bKeyDown = down;
    record.Event.KeyEvent.wRepeatCount = 1;
    record.Event.KeyEvent.wVirtualKeyCode = vk;
    record.Event.KeyEvent.wVirtualScanCode = scan;
    record.Event.KeyEvent.uChar.AsciiChar = static_cast<CHAR>(character);
    record.Event.KeyEvent.dwControlKeyState = state;
    return record;
}

std::vector<int32_t> pending_keys() {
    std::vector<int32_t> codes;
    for (int32_t code = read_key(); code != KEY_NONE; code = read_key())
        codes.push_back(code);
    return codes;
}

class ConsoleInputTest : public ::testing::Test {
protected:
    void SetUp() override {
        raw_records.clear();
        raw_next = 0;
        text_hooks = TextHooks{};
        set_console_input_source(nullptr);
        reset_key_queue();
        install_memory_console(80, 25, 25);
    }
    void TearDown() override {
        set_console_input_source(nullptr);
        console_input_use_handle(GetStdHandle(STD_INPUT_HANDLE));
        console_use_handles(GetStdHandle(STD_INPUT_HANDLE), GetStdHandle(STD_OUTPUT_HANDLE));
        set_console_backend(nullptr);
    }
};

TEST_F(ConsoleInputTest, RecordsAsWineDeliversThemGiveTheKeysOfAnyConsole) {
    INPUT_RECORD mouse{};
    mouse.EventType = MOUSE_EVENT;
    raw_records = {
        key(VK_ESCAPE, 0x01, 0, 0),     // Wine: Escape without its character
        key(VK_ESCAPE, 0x01, 0x1B, 0),  // Windows: with it
        key(VK_UP, 0x48, 0, 0),         // Wine: no enhanced bit on the arrows
        key(0, 0, 0xE9, 0),             // e acute, typed in code page 1252
        key(VK_MENU, 0x38, 0, LEFT_ALT_PRESSED),
        key('A', 0x1E, 'a', LEFT_ALT_PRESSED),
        key('A', 0x1E, 'a', LEFT_ALT_PRESSED, FALSE),
        key(0, 0, 0, 0),  // Home or End as tmux sends them: no telling which
        mouse,
    };
    set_console_input_source(&RAW_SOURCE);
    EXPECT_EQ(pending_keys(), (std::vector<int32_t>{27, 27, 0x48FF, 0xE9, 0x1EFF}));
    EXPECT_EQ(console_record_from(mouse).event_type, MOUSE_EVENT);
}

TEST_F(ConsoleInputTest, PipedBytesAreTypedKeysUntilTheWriterCloses) {
    HANDLE reader, writer;
    ASSERT_TRUE(CreatePipe(&reader, &writer, nullptr, 0));
    console_input_use_handle(reader);
    EXPECT_EQ(key_waiting(), 0);  // an idle writer: nothing yet, and no wait for it
    EXPECT_EQ(key_input_ended(), 0);
    const char bytes[] = "48\r\n7\n\n\x7f";
    DWORD written;
    ASSERT_TRUE(WriteFile(writer, bytes, sizeof bytes - 1, &written, nullptr));
    EXPECT_EQ(pending_keys(), (std::vector<int32_t>{'4', '8', 13, '7', 13, 13, 8}));
    EXPECT_EQ(key_input_ended(), 0);
    CloseHandle(writer);
    EXPECT_EQ(wait_for_key(), KEY_NONE);  // returns rather than wait for ever
    EXPECT_EQ(key_input_ended(), 1);
    CloseHandle(reader);
}

TEST_F(ConsoleInputTest, AFileOfAnswersWithWindowsLineEndsAnswersBothQuestions) {
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    HANDLE answers =
        CreateFileA((std::string(folder) + "qx_answers.txt").c_str(), GENERIC_READ | GENERIC_WRITE,
                    0, nullptr, CREATE_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    ASSERT_NE(answers, INVALID_HANDLE_VALUE);
    DWORD count;
    WriteFile(answers, "480\r\n640\r\n", 10, &count, nullptr);
    SetFilePointer(answers, 0, nullptr, FILE_BEGIN);
    console_input_use_handle(answers);
    int32_t height = 0, width = 0;
    Rtstring prompt{const_cast<char*>("? "), 2};
    input_prompt(&prompt, 0, -1);
    input_int(&height);
    input_prompt(&prompt, 0, -1);
    input_int(&width);
    EXPECT_EQ(height, 480);
    EXPECT_EQ(width, 640);  // the LF of the first CR LF is no empty answer
    CloseHandle(answers);
}

TEST_F(ConsoleInputTest, ClosingTheConsoleAsksForTheCloseKeyAndCtrlCIsLeftToTheSystem) {
    set_console_input_source(&RAW_SOURCE);
    EXPECT_EQ(console_control_handler(CTRL_C_EVENT), FALSE);
    EXPECT_EQ(console_control_handler(CTRL_BREAK_EVENT), FALSE);
    EXPECT_EQ(read_key(), KEY_NONE);
    for (DWORD event : {CTRL_CLOSE_EVENT, CTRL_LOGOFF_EVENT, CTRL_SHUTDOWN_EVENT}) {
        EXPECT_EQ(console_control_handler(event), TRUE);
        EXPECT_EQ(read_key(), KEY_CLOSE);
    }
}

}  // namespace
}  // namespace qx
