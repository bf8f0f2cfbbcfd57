#include <gtest/gtest.h>

#include <string>

#include "runtime/win32/console_session.h"

#include <qx/console.h>

#include "runtime/console_backend.h"

namespace qx {
namespace {

// Standard output redirected: no console, the bytes go out as they are.
class RedirectedOutputTest : public ::testing::Test {
protected:
    void SetUp() override { set_console_backend(&SYSTEM_CONSOLE); }
    void TearDown() override {
        set_console_backend(nullptr);
        console_use_handles(GetStdHandle(STD_INPUT_HANDLE), GetStdHandle(STD_OUTPUT_HANDLE));
    }
};

TEST_F(RedirectedOutputTest, PrintedBytesReachTheFileUnchanged) {
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    HANDLE file = CreateFileA((std::string(folder) + "qx_redirected.txt").c_str(),
                              GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    console_use_handles(nullptr, file);
    ConsoleBufferInfo info;
    EXPECT_EQ(SYSTEM_CONSOLE.get_info(&info), -1);
    const unsigned char text[] = {'A', '\t', 'B', '\r', '\n', 0xE9, 0x07, 0x0C};
    print_string(0, text, sizeof text, 0);
    char back[16];
    DWORD count = 0;
    SetFilePointer(file, 0, nullptr, FILE_BEGIN);
    ReadFile(file, back, sizeof back, &count, nullptr);
    EXPECT_EQ(std::string(back, count), std::string(reinterpret_cast<const char*>(text), 8));
    int32_t columns = 0, rows = 0;
    text_get_size(&columns, &rows);
    EXPECT_EQ(columns * 100 + rows, 8025);
    CloseHandle(file);
}

TEST_F(RedirectedOutputTest, AReaderThatHasGoneFailsTheWriteInsteadOfLooping) {
    HANDLE reader, writer;
    ASSERT_TRUE(CreatePipe(&reader, &writer, nullptr, 0));
    CloseHandle(reader);
    console_use_handles(nullptr, writer);
    const unsigned char byte = 'x';
    EXPECT_EQ(SYSTEM_CONSOLE.write_raw(&byte, 1), -1);
    console_use_handles(nullptr, nullptr);
    EXPECT_EQ(SYSTEM_CONSOLE.write_raw(&byte, 1), -1);
    CloseHandle(writer);
}

TEST_F(RedirectedOutputTest, ColoursAndClearsPutNothingIntoAFile) {
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    HANDLE file = CreateFileA((std::string(folder) + "qx_redirected_colours.txt").c_str(),
                              GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    console_use_handles(nullptr, file);
    set_color(14, 1);
    EXPECT_EQ(set_color(-1, -1), 1 << 16 | 14);  // kept all the same
    clear_screen(0);
    EXPECT_EQ(GetFileSize(file, nullptr), 0u);
    CloseHandle(file);
}

// A screen buffer of a console of our own, where the system gives one.
TEST_F(RedirectedOutputTest, ColoursAreTheAttributeOfTheCellsAndClearBlanksInThem) {
    AllocConsole();
    HANDLE buffer = CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                              CONSOLE_TEXTMODE_BUFFER, nullptr);
    if (buffer == INVALID_HANDLE_VALUE) GTEST_SKIP() << "no console here";
    console_use_handles(nullptr, buffer);
    set_console_backend(&SYSTEM_CONSOLE);  // the console area is read anew
    set_color(7, 0);
    clear_screen(0);
    const int32_t previous = set_color(14, 1);
    EXPECT_EQ(previous, 7);
    print_cstring(0, "ab", 0);
    CONSOLE_SCREEN_BUFFER_INFO info;
    ASSERT_TRUE(GetConsoleScreenBufferInfo(buffer, &info));
    WORD attributes[2] = {};
    DWORD count = 0;
    ReadConsoleOutputAttribute(buffer, attributes, 2, COORD{0, info.srWindow.Top}, &count);
    EXPECT_EQ(attributes[0], 0x1E);
    set_color(-1, 4);
    clear_screen(0);
    char characters[2] = {};
    ReadConsoleOutputCharacterA(buffer, characters, 2, COORD{0, info.srWindow.Top}, &count);
    ReadConsoleOutputAttribute(buffer, attributes, 2, COORD{0, info.srWindow.Top}, &count);
    EXPECT_EQ(std::string(characters, 2), "  ");
    EXPECT_EQ(attributes[1], 0x4E);
    CloseHandle(buffer);
}

}  // namespace
}  // namespace qx
