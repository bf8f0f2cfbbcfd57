#include "gfx/terminal/terminal_layout.h"

#include <strings.h>

#include <algorithm>

namespace qx {

namespace {

// a * b / c rounded to nearest, all positive, in 64 bits.
int64_t scaled(int64_t a, int64_t b, int64_t c) {
    return (2 * a * b + c) / (2 * c);
}

bool same(const char* value, const char* name) {
    return value != nullptr && strcasecmp(value, name) == 0;
}

}  // namespace

TerminalLayout lay_out_picture(int32_t width, int32_t height, int32_t columns, int32_t rows,
                               int32_t cell_width, int32_t cell_height) {
    if (width <= 0 || height <= 0 || columns <= 0 || rows <= 0) return {0, 0, 0, 0};
    if (cell_width <= 0 || cell_height <= 0) {
        cell_width = 1;
        cell_height = 2;
    }
    // Full width first; when that is too tall, full height.
    int64_t fit_columns = columns;
    int64_t fit_rows = scaled(fit_columns * cell_width, height, int64_t{width} * cell_height);
    if (fit_rows > rows) {
        fit_rows = rows;
        fit_columns = scaled(fit_rows * cell_height, width, int64_t{height} * cell_width);
    }
    fit_columns = std::clamp<int64_t>(fit_columns, 1, columns);
    fit_rows = std::clamp<int64_t>(fit_rows, 1, rows);
    TerminalLayout layout;
    layout.columns = static_cast<int32_t>(fit_columns);
    layout.rows = static_cast<int32_t>(fit_rows);
    layout.left = (columns - layout.columns) / 2;
    layout.top = (rows - layout.rows) / 2;
    return layout;
}

void cell_to_pixel(const TerminalLayout& layout, int32_t width, int32_t height, int32_t column,
                   int32_t row, int32_t* x, int32_t* y) {
    if (layout.columns <= 0 || layout.rows <= 0) {
        *x = 0;
        *y = 0;
        return;
    }
    int64_t c = std::clamp(column - layout.left, 0, layout.columns - 1);
    int64_t r = std::clamp(row - layout.top, 0, layout.rows - 1);
    *x = static_cast<int32_t>(
        std::min<int64_t>((2 * c + 1) * width / (2 * layout.columns), width - 1));
    *y = static_cast<int32_t>(
        std::min<int64_t>((2 * r + 1) * height / (2 * layout.rows), height - 1));
}

TerminalDrawMode choose_draw_mode(const TerminalAbilities& abilities, const char* qxterm,
                                  const char* qxterm_colors) {
    TerminalDrawMode mode{TerminalPixels::SYMBOLS, TerminalColors::INDEXED_16};
    if (abilities.kitty) {
        mode.pixels = TerminalPixels::KITTY;
    } else if (abilities.iterm2) {
        mode.pixels = TerminalPixels::ITERM2;
    } else if (abilities.sixels) {
        mode.pixels = TerminalPixels::SIXELS;
    }
    if (abilities.truecolor) {
        mode.colors = TerminalColors::TRUECOLOR;
    } else if (abilities.indexed_256) {
        mode.colors = TerminalColors::INDEXED_256;
    }
    if (same(qxterm, "symbols")) mode.pixels = TerminalPixels::SYMBOLS;
    if (same(qxterm, "kitty")) mode.pixels = TerminalPixels::KITTY;
    if (same(qxterm, "sixels") || same(qxterm, "sixel")) mode.pixels = TerminalPixels::SIXELS;
    if (same(qxterm, "iterm2")) mode.pixels = TerminalPixels::ITERM2;
    if (same(qxterm_colors, "truecolor")) mode.colors = TerminalColors::TRUECOLOR;
    if (same(qxterm_colors, "256")) mode.colors = TerminalColors::INDEXED_256;
    if (same(qxterm_colors, "16")) mode.colors = TerminalColors::INDEXED_16;
    return mode;
}

const char* terminal_driver_refusal(bool named, bool input_is_terminal, bool output_is_terminal,
                                    const char* term) {
    if (!output_is_terminal) return "standard output is not a terminal";
    if (same(term, "dumb")) return "TERM=dumb: the terminal cannot place the cursor";
    if (!named && !input_is_terminal) {
        return "standard input is not a terminal (QXGFX=terminal draws anyway)";
    }
    return nullptr;
}

void image_cell_size(const TerminalLayout& layout, int32_t width, int32_t height,
                     int32_t* cell_width, int32_t* cell_height) {
    if (layout.columns <= 0 || layout.rows <= 0) return;
    // Rounded up: the image covers the whole picture.
    int32_t most_width =
        static_cast<int32_t>((int64_t{width} + layout.columns - 1) / layout.columns);
    int32_t most_height = static_cast<int32_t>((int64_t{height} + layout.rows - 1) / layout.rows);
    if (*cell_width <= 0 || *cell_width > most_width) *cell_width = std::max(most_width, 1);
    if (*cell_height <= 0 || *cell_height > most_height) *cell_height = std::max(most_height, 1);
}

}  // namespace qx
