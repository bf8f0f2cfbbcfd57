#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gfx/terminal/terminal_cells.h"

namespace qx {
namespace {

constexpr uint32_t UPPER_HALF = 0x2580;

std::string written(const std::vector<TerminalCell>& shown, const std::vector<TerminalCell>& next,
                    const TerminalLayout& layout, TerminalColors colors, bool all,
                    int32_t* rows = nullptr) {
    OutputBytes out;
    int32_t count = write_changed_cells(shown.empty() ? nullptr : shown.data(), next.data(), layout,
                                        colors, all, &out);
    if (rows) *rows = count;
    std::string text(out.data ? out.data : "", out.length);
    out.release();
    return text;
}

TEST(TerminalCells, NothingChangedWritesNothing) {
    const TerminalLayout layout{3, 2, 5, 7};
    std::vector<TerminalCell> cells(6, TerminalCell{' ', 0, 0x112233});
    int32_t rows = -1;
    EXPECT_EQ(written(cells, cells, layout, TerminalColors::TRUECOLOR, false, &rows), "");
    EXPECT_EQ(rows, 0);
}

TEST(TerminalCells, OnlyTheChangedSpanOfAChangedRow) {
    const TerminalLayout layout{4, 3, 5, 7};
    std::vector<TerminalCell> shown(12, TerminalCell{' ', 0, 0});
    std::vector<TerminalCell> next = shown;
    next[4 + 1] = {UPPER_HALF, 0xFF0000, 0x00FF00};  // row 1, columns 1 and 2
    next[4 + 2] = {'#', 0xFF0000, 0x00FF00};
    int32_t rows = 0;
    // Row 1 of the picture is terminal row 9, column 1 is terminal column 7 (1-based).
    EXPECT_EQ(written(shown, next, layout, TerminalColors::TRUECOLOR, false, &rows),
              "\x1b[9;7H\x1b[38;2;255;0;0;48;2;0;255;0m\xe2\x96\x80#\x1b[0m");
    EXPECT_EQ(rows, 1);
}

TEST(TerminalCells, EverythingWhenAskedOrWhenNothingIsShown) {
    const TerminalLayout layout{2, 2, 0, 0};
    std::vector<TerminalCell> next(4, TerminalCell{'x', 1, 2});
    const std::string expected = "\x1b[1;1H\x1b[38;5;1;48;5;2mxx\x1b[2;1Hxx\x1b[0m";
    EXPECT_EQ(written(next, next, layout, TerminalColors::INDEXED_256, true), expected);
    EXPECT_EQ(written({}, next, layout, TerminalColors::INDEXED_256, false), expected);
}

TEST(TerminalCells, SixteenColoursUseTheBrightCodesAboveSeven) {
    const TerminalLayout layout{2, 1, 0, 0};
    std::vector<TerminalCell> next = {{'a', 3, 12}, {'b', 12, 3}};
    EXPECT_EQ(written({}, next, layout, TerminalColors::INDEXED_16, true),
              "\x1b[1;1H\x1b[33;104ma\x1b[94;43mb\x1b[0m");
}

TEST(TerminalCells, ControlAndInvalidCharactersNeverReachTheTerminal) {
    const TerminalLayout layout{5, 1, 0, 0};
    std::vector<TerminalCell> next = {
        {0x1B, 0, 0}, {0x9B, 0, 0}, {0xD800, 0, 0}, {0x110000, 0, 0}, {0x1FB00, 0, 0}};
    EXPECT_EQ(written({}, next, layout, TerminalColors::INDEXED_16, true),
              "\x1b[1;1H\x1b[30;40m    \xf0\x9f\xac\x80\x1b[0m");
}

}  // namespace
}  // namespace qx
