#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "runtime/posix/terminal_mode.h"

namespace qx {
namespace {

// What term_restore_terminal writes, with standard output on a pipe.
std::string restored() {
    int pipe_ends[2];
    if (pipe(pipe_ends) != 0) return "pipe failed";
    int saved = dup(STDOUT_FILENO);
    dup2(pipe_ends[1], STDOUT_FILENO);
    term_restore_terminal();
    dup2(saved, STDOUT_FILENO);
    close(saved);
    close(pipe_ends[1]);
    std::string bytes;
    char buffer[512];
    ssize_t n;
    while ((n = read(pipe_ends[0], buffer, sizeof buffer)) > 0)
        bytes.append(buffer, static_cast<size_t>(n));
    close(pipe_ends[0]);
    return bytes;
}

TEST(ScreenRestore, WrittenOnceByTheNextRestoreAndReplacedWhole) {
    term_set_screen_restore("\x1b[?1049l", 8);
    term_set_screen_restore("\x1b[<u\x1b[?1049l", 12);  // the newer bytes replace the older
    EXPECT_EQ(restored(), "\x1b[<u\x1b[?1049l");
    EXPECT_EQ(restored(), "");  // a screen is undone once
    term_set_screen_restore("x", 1);
    term_set_screen_restore(nullptr, 0);  // the screen closed itself
    EXPECT_EQ(restored(), "");
    std::string long_bytes(TERM_SCREEN_RESTORE_CAPACITY + 50, 'y');
    term_set_screen_restore(long_bytes.data(), static_cast<int>(long_bytes.size()));
    EXPECT_EQ(restored(), std::string(TERM_SCREEN_RESTORE_CAPACITY, 'y'));
}

}  // namespace
}  // namespace qx
