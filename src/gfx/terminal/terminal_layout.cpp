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

TerminalAbilities confirmed_abilities(const TerminalAbilities& described,
                                      const TerminalReplies* replies) {
    if (replies == nullptr || !replies->attributes) return described;
    TerminalAbilities abilities = described;
    abilities.kitty = replies->kitty;
    abilities.sixels = replies->sixels;
    return abilities;
}

TerminalDrawMode choose_draw_mode(const TerminalAbilities& abilities, const char* qxterm,
                                  const char* qxterm_colors, bool* refused) {
    TerminalDrawMode mode{TerminalPixels::SYMBOLS, TerminalColors::INDEXED_16};
    if (abilities.kitty) {
        mode.pixels = TerminalPixels::KITTY;
    } else if (abilities.sixels) {
        mode.pixels = TerminalPixels::SIXELS;
    } else if (abilities.iterm2) {
        mode.pixels = TerminalPixels::ITERM2;
    }
    if (abilities.truecolor) {
        mode.colors = TerminalColors::TRUECOLOR;
    } else if (abilities.indexed_256) {
        mode.colors = TerminalColors::INDEXED_256;
    }
    bool lacking = false;
    if (same(qxterm, "symbols")) mode.pixels = TerminalPixels::SYMBOLS;
    if (same(qxterm, "kitty")) {
        mode.pixels = abilities.kitty ? TerminalPixels::KITTY : TerminalPixels::SYMBOLS;
        lacking = !abilities.kitty;
    }
    if (same(qxterm, "sixels") || same(qxterm, "sixel")) {
        mode.pixels = abilities.sixels ? TerminalPixels::SIXELS : TerminalPixels::SYMBOLS;
        lacking = !abilities.sixels;
    }
    if (same(qxterm, "iterm2")) {
        mode.pixels = abilities.iterm2 ? TerminalPixels::ITERM2 : TerminalPixels::SYMBOLS;
        lacking = !abilities.iterm2;
    }
    if (refused != nullptr) *refused = lacking;
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

ImagePlace place_sixels(int32_t width, int32_t height, int32_t columns, int32_t rows,
                        int32_t cell_width, int32_t cell_height, int32_t max_width,
                        int32_t max_height) {
    ImagePlace place{};
    rows -= 1;  // the last row stays free
    if (width <= 0 || height <= 0 || columns <= 0 || rows <= 0 || cell_width <= 0 ||
        cell_height <= 0) {
        return place;
    }
    int64_t room_width = int64_t{columns} * cell_width;
    int64_t room_height = int64_t{rows} * cell_height;
    if (max_width > 0) room_width = std::min<int64_t>(room_width, max_width);
    if (max_height > 0) room_height = std::min<int64_t>(room_height, max_height);
    room_width -= room_width % cell_width;  // whole cells, so that the filled cells fit too
    room_height -= room_height % cell_height;
    if (room_width <= 0 || room_height <= 0) return place;
    // Full width first; when that is too tall, full height. Rounded down, so it fits.
    int64_t picture_width = room_width;
    int64_t picture_height = picture_width * height / width;
    if (picture_height > room_height) {
        picture_height = room_height;
        picture_width = picture_height * width / height;
    }
    picture_width = std::max<int64_t>(picture_width, 1);
    picture_height = std::max<int64_t>(picture_height, 1);
    TerminalLayout& layout = place.layout;
    layout.columns = static_cast<int32_t>((picture_width + cell_width - 1) / cell_width);
    layout.rows = static_cast<int32_t>((picture_height + cell_height - 1) / cell_height);
    layout.left = (columns - layout.columns) / 2;
    layout.top = (rows - layout.rows) / 2;
    // The image fills the cells it touches: a terminal paints the rest of a cell it only
    // partly covers in its own background.
    place.picture_width = static_cast<int32_t>(picture_width);
    place.picture_height = static_cast<int32_t>(picture_height);
    place.pixel_width = layout.columns * cell_width;
    place.pixel_height = layout.rows * cell_height;
    return place;
}

ImagePlace place_stretched_image(int32_t width, int32_t height, int32_t columns, int32_t rows,
                                 int32_t cell_width, int32_t cell_height) {
    ImagePlace place{};
    if (cell_width <= 0 || cell_height <= 0) {
        cell_width = 1;
        cell_height = 2;
    }
    place.layout = lay_out_picture(width, height, columns, rows - 1, cell_width, cell_height);
    if (place.layout.columns <= 0) return place;
    // The cells' shape, cells_width : cells_height, with the picture's pixels kept.
    const int64_t cells_width = int64_t{place.layout.columns} * cell_width;
    const int64_t cells_height = int64_t{place.layout.rows} * cell_height;
    place.picture_width = width;
    place.picture_height = height;
    place.pixel_width = width;
    place.pixel_height = height;
    if (cells_width * height >= cells_height * width) {
        place.pixel_width = static_cast<int32_t>(scaled(height, cells_width, cells_height));
    } else {
        place.pixel_height = static_cast<int32_t>(scaled(width, cells_height, cells_width));
    }
    place.pixel_width = std::max(place.pixel_width, width);
    place.pixel_height = std::max(place.pixel_height, height);
    return place;
}

}  // namespace qx
