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

}  // namespace
}  // namespace qx
