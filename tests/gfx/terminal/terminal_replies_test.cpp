#include <gtest/gtest.h>

#include <string>

#include "gfx/terminal/terminal_replies.h"

namespace qx {
namespace {

// Takes the replies out of bytes; returns what is left.
std::string take(const std::string& bytes, TerminalReplies* replies) {
    std::string buffer = bytes;
    size_t length = buffer.size();
    take_terminal_replies(reinterpret_cast<unsigned char*>(buffer.data()), &length, replies);
    return buffer.substr(0, length);
}

TEST(TerminalReplies, AnswersAreTakenOutAndKeysKeptInOrder) {
    // xterm as a VT340 (no cell size answer), with keys typed in between.
    TerminalReplies xterm{};
    EXPECT_EQ(
        take("a\x1b[?1;0;1024S\x1b[Ab\x1b[?2;0;1000;1000S\x1b[?63;1;2;4;6;9;15;16;22;28cc", &xterm),
        "a\x1b[Abc");
    EXPECT_TRUE(xterm.attributes);
    EXPECT_TRUE(xterm.sixels);
    EXPECT_FALSE(xterm.kitty);
    EXPECT_EQ(xterm.color_registers, 1024);
    EXPECT_EQ(xterm.sixel_width, 1000);
    EXPECT_EQ(xterm.sixel_height, 1000);
    EXPECT_EQ(xterm.cell_width, 0);
    // kitty: the graphics answer, the sizes in pixels, no sixels.
    TerminalReplies kitty{};
    EXPECT_EQ(take("\x1b_Gi=31;OK\x1b\\\x1b[6;18;9t\x1b[4;900;1440t\x1b[?62;c", &kitty), "");
    EXPECT_TRUE(kitty.kitty);
    EXPECT_FALSE(kitty.sixels);
    EXPECT_EQ(kitty.cell_width, 9);
    EXPECT_EQ(kitty.cell_height, 18);
    EXPECT_EQ(kitty.window_width, 1440);
    EXPECT_EQ(kitty.window_height, 900);
}

TEST(TerminalReplies, FailuresAndNonsenseSayNothing) {
    TerminalReplies replies{};
    // A graphics error, a failed XTSMGRAPHICS (status 3), a VT100's attributes (its 2 is no
    // sixel), zero and huge sizes: all removed, none believed.
    EXPECT_EQ(take("\x1b_Gi=31;ENOTSUPPORTED:no\x1b\\\x1b[?2;3;0S\x1b[?1;0;0S"
                   "\x1b[6;0;9t\x1b[6;99999999;9t\x1b[?1;2c",
                   &replies),
              "");
    EXPECT_TRUE(replies.attributes);
    EXPECT_FALSE(replies.kitty);
    EXPECT_FALSE(replies.sixels);
    EXPECT_EQ(replies.color_registers, 0);
    EXPECT_EQ(replies.sixel_width, 0);
    EXPECT_EQ(replies.cell_height, 0);
    // Attribute 4 counts only after the level: a VT132's "4;6" is no sixel terminal.
    TerminalReplies vt132{};
    take("\x1b[?4;6c", &vt132);
    EXPECT_FALSE(vt132.sixels);
    // Keys shaped like CSI sequences stay: cursor keys, F5, a mouse report.
    EXPECT_EQ(take("\x1b[1;5A\x1b[15~\x1b[<0;10;5M", &replies), "\x1b[1;5A\x1b[15~\x1b[<0;10;5M");
}

TEST(TerminalReplies, AReplyCutShortWaitsForItsRest) {
    TerminalReplies replies{};
    std::string buffer = "x\x1b[?63;4";
    size_t length = buffer.size();
    auto* bytes = reinterpret_cast<unsigned char*>(buffer.data());
    take_terminal_replies(bytes, &length, &replies);
    EXPECT_EQ(length, buffer.size());
    EXPECT_TRUE(ends_in_partial_reply(bytes, length));
    EXPECT_FALSE(replies.attributes);
    buffer = std::string(buffer.data(), length) + "c";
    EXPECT_EQ(take(buffer, &replies), "x");
    EXPECT_TRUE(replies.sixels);
    const std::string open_string = "\x1b_Gi=31;O";
    EXPECT_TRUE(ends_in_partial_reply(reinterpret_cast<const unsigned char*>(open_string.data()),
                                      open_string.size()));
    const std::string keys = "ab\x1b[A";
    EXPECT_FALSE(
        ends_in_partial_reply(reinterpret_cast<const unsigned char*>(keys.data()), keys.size()));
}

}  // namespace
}  // namespace qx
