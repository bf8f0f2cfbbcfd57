#include "gfx/terminal/terminal_picture.h"

#include "gfx/terminal/chafa_api.h"

namespace qx {

namespace {

// Block and half-block shapes are in every common terminal font; braille, sextants and the
// like are not, and would show as boxes.
constexpr auto SYMBOL_TAGS = static_cast<ChafaSymbolTags>(
    CHAFA_SYMBOL_TAG_SPACE | CHAFA_SYMBOL_TAG_SOLID | CHAFA_SYMBOL_TAG_BLOCK |
    CHAFA_SYMBOL_TAG_HALF | CHAFA_SYMBOL_TAG_QUAD);
constexpr float WORK_FACTOR = 0.2f;  // speed over the last bit of shape fidelity, per frame
constexpr int32_t DEFAULT_CELL_WIDTH = 10, DEFAULT_CELL_HEIGHT = 20;

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

ChafaPixelMode pixel_mode(TerminalPixels pixels) {
    switch (pixels) {
        case TerminalPixels::SYMBOLS:
            return CHAFA_PIXEL_MODE_SYMBOLS;
        case TerminalPixels::KITTY:
            return CHAFA_PIXEL_MODE_KITTY;
        case TerminalPixels::SIXELS:
            return CHAFA_PIXEL_MODE_SIXELS;
        case TerminalPixels::ITERM2:
            return CHAFA_PIXEL_MODE_ITERM2;
    }
    return CHAFA_PIXEL_MODE_SYMBOLS;
}

}  // namespace

int32_t terminal_picture_open(TerminalPicture* picture, const TerminalLayout& layout,
                              TerminalDrawMode mode, int32_t cell_width, int32_t cell_height,
                              int32_t width, int32_t height) {
    *picture = TerminalPicture{nullptr, nullptr, nullptr, layout, mode};
    if (layout.columns <= 0 || layout.rows <= 0) return 0;  // no room: nothing to draw
    if (chafa_load() != 0) return -1;
    if (mode.pixels == TerminalPixels::KITTY || mode.pixels == TerminalPixels::ITERM2) {
        image_cell_size(layout, width, height, &cell_width, &cell_height);
    } else if (cell_width <= 0 || cell_height <= 0) {
        cell_width = DEFAULT_CELL_WIDTH;  // sixels are drawn pixel for pixel: a usual cell
        cell_height = DEFAULT_CELL_HEIGHT;
    }
    picture->symbols = chafa.chafa_symbol_map_new();
    picture->config = chafa.chafa_canvas_config_new();
    if (picture->symbols == nullptr || picture->config == nullptr) {
        terminal_picture_close(picture);
        return -1;
    }
    chafa.chafa_symbol_map_add_by_tags(picture->symbols, SYMBOL_TAGS);
    chafa.chafa_canvas_config_set_geometry(picture->config, layout.columns, layout.rows);
    chafa.chafa_canvas_config_set_cell_geometry(picture->config, cell_width, cell_height);
    chafa.chafa_canvas_config_set_canvas_mode(picture->config, canvas_mode(mode.colors));
    chafa.chafa_canvas_config_set_pixel_mode(picture->config, pixel_mode(mode.pixels));
    chafa.chafa_canvas_config_set_symbol_map(picture->config, picture->symbols);
    chafa.chafa_canvas_config_set_work_factor(picture->config, WORK_FACTOR);
    picture->canvas = chafa.chafa_canvas_new(picture->config);
    if (picture->canvas == nullptr) {
        terminal_picture_close(picture);
        return -1;
    }
    return 0;
}

void terminal_picture_close(TerminalPicture* picture) {
    if (picture->canvas != nullptr) chafa.chafa_canvas_unref(picture->canvas);
    if (picture->config != nullptr) chafa.chafa_canvas_config_unref(picture->config);
    if (picture->symbols != nullptr) chafa.chafa_symbol_map_unref(picture->symbols);
    picture->canvas = nullptr;
    picture->config = nullptr;
    picture->symbols = nullptr;
}

void terminal_picture_draw(TerminalPicture* picture, const uint8_t* rgba, int32_t width,
                           int32_t height, int32_t stride) {
    if (picture->canvas == nullptr) return;
    chafa.chafa_canvas_draw_all_pixels(picture->canvas, CHAFA_PIXEL_RGBA8_UNASSOCIATED, rgba, width,
                                       height, stride);
}

void terminal_picture_cells(TerminalPicture* picture, TerminalCell* cells) {
    if (picture->canvas == nullptr) return;
    const TerminalLayout& layout = picture->layout;
    for (int32_t row = 0; row < layout.rows; ++row) {
        for (int32_t column = 0; column < layout.columns; ++column) {
            TerminalCell& cell = cells[static_cast<size_t>(row) * layout.columns + column];
            gint foreground = 0, background = 0;
            cell.character = chafa.chafa_canvas_get_char_at(picture->canvas, column, row);
            chafa.chafa_canvas_get_raw_colors_at(picture->canvas, column, row, &foreground,
                                                 &background);
            // -1 is transparency, which an opaque picture never has: black then.
            cell.foreground = foreground < 0 ? 0 : static_cast<uint32_t>(foreground);
            cell.background = background < 0 ? 0 : static_cast<uint32_t>(background);
        }
    }
}

void terminal_picture_print(TerminalPicture* picture, ChafaTermInfo* term_info, OutputBytes* out) {
    if (picture->canvas == nullptr) return;
    GString* printed = chafa.chafa_canvas_print(picture->canvas, term_info);
    if (printed == nullptr) return;
    out->append(printed->str, printed->len);
    chafa.g_string_free(printed, TRUE);
}

}  // namespace qx
