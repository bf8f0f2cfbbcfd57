// Helpers of the graphics text tests: a screen on the Null driver, glyphs and cells.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "environment.h"
#include "gfx/font.h"
#include "gfx/graphics_keys.h"
#include "gfx/screen.h"
#include "null_screen.h"
#include "runtime/memory_console.h"
#include "runtime/text_hooks.h"

namespace qx {

// Opens a w x h screen on the Null driver with the console in memory and the key ring empty.
inline void open_text_screen(int32_t width, int32_t height, int32_t depth = 8) {
    install_memory_console(80, 25, 25);
    set_env("QXGFX", "null");
    ASSERT_EQ(screen_res(width, height, depth, 0, 0, 0), 0);
    ASSERT_NE(screen, nullptr);
    reset_graphics_keys();
}

inline void fill_visible_page(uint8_t byte) {
    std::memset(screen->visible_page, byte, static_cast<size_t>(screen->pitch) * screen->height);
}

// Rows first..last dirty and no other.
inline ::testing::AssertionResult only_rows_dirty(int32_t first, int32_t last) {
    const std::set<int32_t> rows = dirty_rows();
    if (rows.empty() || *rows.begin() != first || *rows.rbegin() != last ||
        static_cast<int32_t>(rows.size()) != last - first + 1)
        return ::testing::AssertionFailure()
               << rows.size() << " dirty rows, expected " << first << " to " << last;
    return ::testing::AssertionSuccess();
}

// The cell at (column, row), 0-based, shows `character` of `font` in fg on bg, pixel for pixel.
inline ::testing::AssertionResult glyph_drawn(int32_t column, int32_t row, unsigned char character,
                                              uint32_t fg, uint32_t bg,
                                              const FontDescriptor& font) {
    for (int32_t r = 0; r < font.cell_height; ++r) {
        const uint8_t bits = font.glyphs[character * font.cell_height + r];
        for (int32_t bit = 0; bit < 8; ++bit) {
            const int32_t x = column * 8 + bit;
            const int32_t y = row * font.cell_height + r;
            const uint32_t expected = (bits >> bit) & 1 ? fg : bg;
            if (pixel(x, y) != expected)
                return ::testing::AssertionFailure()
                       << "character " << +character << " pixel (" << x << ", " << y << ") is "
                       << pixel(x, y) << ", expected " << expected;
        }
    }
    return ::testing::AssertionSuccess();
}

inline const TextCell& cell_at(int32_t column, int32_t row) {
    return screen->text_cells[screen->work_page][row * screen->text_cols + column];
}

// The characters of a cell row, 0-based, as text.
inline std::string cell_row(int32_t row) {
    std::string text;
    for (int32_t col = 0; col < screen->text_cols; ++col)
        text += static_cast<char>(cell_at(col, row).character);
    return text;
}

inline void print(const std::string& text, int32_t mask = 0) {
    text_print(reinterpret_cast<const unsigned char*>(text.data()),
               static_cast<int32_t>(text.size()), mask);
}

}  // namespace qx
