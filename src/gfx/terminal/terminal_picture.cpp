#include "gfx/terminal/terminal_picture.h"

#include <algorithm>
#include <numeric>

#include "gfx/terminal/chafa_api.h"

namespace qx {

namespace {

// Block and half-block shapes are in every common terminal font; braille, sextants and the
// like are not, and would show as boxes.
constexpr auto SYMBOL_TAGS =
    static_cast<ChafaSymbolTags>(CHAFA_SYMBOL_TAG_SPACE | CHAFA_SYMBOL_TAG_SOLID |
                                 CHAFA_SYMBOL_TAG_HALF | CHAFA_SYMBOL_TAG_QUAD);
constexpr float WORK_FACTOR = 0.0f;  // per frame, speed over the last bit of shape fidelity
constexpr int32_t SYMBOL_CELL_WIDTH = 8, SYMBOL_CELL_HEIGHT = 8;  // chafa's own cell

ChafaCanvasMode canvas_mode(TerminalColors colors) {
    switch (colors) {
        case TerminalColors::TRUECOLOR:
            return CHAFA_CANVAS_MODE_TRUECOLOR;
        case TerminalColors::INDEXED_256:
            return CHAFA_CANVAS_MODE_INDEXED_256;
        case TerminalColors::INDEXED_16:
            return CHAFA_CANVAS_MODE_INDEXED_16;
    }
    return CHAFA_CANVAS_MODE_TRUECOLOR;
}

ChafaCanvas* new_canvas(ChafaCanvasConfig* config, int32_t columns, int32_t rows) {
    chafa.chafa_canvas_config_set_geometry(config, columns, rows);
    return chafa.chafa_canvas_new(config);
}

void read_cells(ChafaCanvas* canvas, int32_t columns, int32_t rows, TerminalCell* cells) {
    for (int32_t row = 0; row < rows; ++row) {
        for (int32_t column = 0; column < columns; ++column) {
            TerminalCell& cell = cells[static_cast<size_t>(row) * columns + column];
            gint foreground = 0, background = 0;
            cell.character = chafa.chafa_canvas_get_char_at(canvas, column, row);
            chafa.chafa_canvas_get_raw_colors_at(canvas, column, row, &foreground, &background);
            // -1 is transparency, which an opaque picture never has: black then.
            cell.foreground = foreground < 0 ? 0 : static_cast<uint32_t>(foreground);
            cell.background = background < 0 ? 0 : static_cast<uint32_t>(background);
        }
    }
}

}  // namespace

int32_t terminal_picture_open(TerminalPicture* picture, const TerminalLayout& layout,
                              TerminalDrawMode mode, int32_t width, int32_t height) {
    *picture = TerminalPicture{};
    picture->layout = layout;
    picture->mode = mode;
    picture->width = width;
    picture->height = height;
    if (layout.columns <= 0 || layout.rows <= 0 || width <= 0 || height <= 0) return 0;
    if (chafa_load() != 0) return -1;
    // Bands of whole pixel rows draw exactly what one canvas would: 50 rows of 480 lines go in
    // bands of 5 rows, 48 lines.
    picture->band_rows = layout.rows / std::gcd(layout.rows, height);
    picture->symbols = chafa.chafa_symbol_map_new();
    picture->config = chafa.chafa_canvas_config_new();
    if (picture->symbols == nullptr || picture->config == nullptr) {
        terminal_picture_close(picture);
        return -1;
    }
    chafa.chafa_symbol_map_add_by_tags(picture->symbols, SYMBOL_TAGS);
    chafa.chafa_canvas_config_set_cell_geometry(picture->config, SYMBOL_CELL_WIDTH,
                                                SYMBOL_CELL_HEIGHT);
    chafa.chafa_canvas_config_set_canvas_mode(picture->config, canvas_mode(mode.colors));
    chafa.chafa_canvas_config_set_pixel_mode(picture->config, CHAFA_PIXEL_MODE_SYMBOLS);
    chafa.chafa_canvas_config_set_symbol_map(picture->config, picture->symbols);
    chafa.chafa_canvas_config_set_work_factor(picture->config, WORK_FACTOR);
    // The screen's colours as they are: no contrast stretch nor saturation per canvas, which
    // would also make a band differ from its neighbours.
    chafa.chafa_canvas_config_set_preprocessing_enabled(picture->config, FALSE);
    picture->canvas = new_canvas(picture->config, layout.columns, picture->band_rows);
    const int32_t rest = layout.rows % picture->band_rows;
    if (rest != 0) picture->last_canvas = new_canvas(picture->config, layout.columns, rest);
    if (picture->canvas == nullptr || (rest != 0 && picture->last_canvas == nullptr)) {
        terminal_picture_close(picture);
        return -1;
    }
    return 0;
}

void terminal_picture_close(TerminalPicture* picture) {
    if (picture->canvas != nullptr) chafa.chafa_canvas_unref(picture->canvas);
    if (picture->last_canvas != nullptr) chafa.chafa_canvas_unref(picture->last_canvas);
    if (picture->config != nullptr) chafa.chafa_canvas_config_unref(picture->config);
    if (picture->symbols != nullptr) chafa.chafa_symbol_map_unref(picture->symbols);
    picture->canvas = picture->last_canvas = nullptr;
    picture->config = nullptr;
    picture->symbols = nullptr;
}

int32_t terminal_picture_update(TerminalPicture* picture, const uint8_t* rgba, int32_t stride,
                                const uint8_t* changed_lines, TerminalCell* cells) {
    if (picture->canvas == nullptr) return 0;
    const TerminalLayout& layout = picture->layout;
    const int64_t height = picture->height;
    int32_t drawn = 0;
    for (int32_t row = 0; row < layout.rows; row += picture->band_rows) {
        const int32_t rows = std::min(picture->band_rows, layout.rows - row);
        const auto first = static_cast<int32_t>(row * height / layout.rows);
        const auto end = static_cast<int32_t>((row + rows) * height / layout.rows);
        bool changed = changed_lines == nullptr;
        for (int32_t line = first; line < end && !changed; ++line)
            changed = changed_lines[line] != 0;
        if (!changed || end <= first) continue;
        ChafaCanvas* canvas = rows == picture->band_rows ? picture->canvas : picture->last_canvas;
        chafa.chafa_canvas_draw_all_pixels(canvas, CHAFA_PIXEL_RGBA8_UNASSOCIATED,
                                           rgba + static_cast<size_t>(first) * stride,
                                           picture->width, end - first, stride);
        read_cells(canvas, layout.columns, rows,
                   cells + static_cast<size_t>(row) * static_cast<size_t>(layout.columns));
        ++drawn;
    }
    return drawn;
}

}  // namespace qx
