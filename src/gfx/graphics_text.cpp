#include "gfx/graphics_text.h"

#include <cstdlib>
#include <cstring>

#include "gfx/coordinates.h"
#include "gfx/font.h"
#include "gfx/lines.h"
#include "gfx/pixel_ops.h"
#include "gfx/screen.h"
#include "gfx/text_cells.h"
#include "runtime/console_output.h"
#include "runtime/devices.h"
#include "runtime/text_hooks.h"

namespace qx {

namespace {

constexpr int32_t GLYPH_WIDTH = 8;  // every built-in font is 8 pixels wide, one byte per row
constexpr uint16_t SPACE = ' ';

// Eight pixels of one glyph row for each glyph byte, in the current colours. A character row
// is then a single 8-pixel store: exactly the pixels that put_pixel would write one by one.
template <typename Pixel>
struct GlyphRows {
    bool valid;
    Pixel fg, bg;
    Pixel rows[256][GLYPH_WIDTH];
};

GlyphRows<uint8_t> glyph_rows_8;
GlyphRows<uint16_t> glyph_rows_16;
GlyphRows<uint32_t> glyph_rows_32;

template <typename Pixel>
const GlyphRows<Pixel>& glyph_rows_for(GlyphRows<Pixel>& table, uint32_t fg, uint32_t bg) {
    const Pixel foreground = static_cast<Pixel>(fg);
    const Pixel background = static_cast<Pixel>(bg);
    if (!table.valid || table.fg != foreground || table.bg != background) {
        for (int byte = 0; byte < 256; ++byte)
            for (int bit = 0; bit < GLYPH_WIDTH; ++bit)
                table.rows[byte][bit] = (byte >> bit) & 1 ? foreground : background;
        table.fg = foreground;
        table.bg = background;
        table.valid = true;
    }
    return table;
}

// Draws count characters from pixel (x, y) in the current colours, background included.
template <typename Pixel>
void draw_glyphs(GlyphRows<Pixel>& cache, const unsigned char* characters, int32_t count, int32_t x,
                 int32_t y) {
    const GlyphRows<Pixel>& table = glyph_rows_for(cache, screen->fg_color, screen->bg_color);
    // Locals, so the stores into the framebuffer cannot make the compiler reload them.
    const int32_t height = screen->font->cell_height;
    const uint8_t* const glyphs = screen->font->glyphs;
    uint8_t* const* const lines = screen->line_table;
    // Character by character: each glyph's rows are consecutive bytes of the font.
    const size_t offset = static_cast<size_t>(x) * sizeof(Pixel);
    for (int32_t k = 0; k < count; ++k) {
        const uint8_t* glyph = glyphs + characters[k] * height;
        const size_t column = offset + static_cast<size_t>(k) * sizeof table.rows[0];
        for (int32_t r = 0; r < height; ++r)
            std::memcpy(lines[y + r] + column, table.rows[glyph[r]], sizeof table.rows[0]);
    }
}

// The text grid can be drawn: a font, at least one cell, cells allocated, and the grid
// inside the framebuffer. A screen smaller than one cell has an empty grid and prints nothing.
bool grid_ready() {
    if (screen == nullptr || screen->font == nullptr || screen->text_cells == nullptr) return false;
    if (screen->text_cells[screen->work_page] == nullptr) return false;
    const FontDescriptor& font = *screen->font;
    if (font.cell_width != GLYPH_WIDTH || font.cell_height < 1) return false;
    if (screen->text_cols < 1 || screen->text_rows < 1) return false;
    return int64_t{screen->text_cols} * font.cell_width <= screen->width &&
           int64_t{screen->text_rows} * font.cell_height <= screen->height;
}

TextCell* work_grid() {
    return screen->text_cells[screen->work_page];
}

int32_t clamp(int32_t value, int32_t low, int32_t high) {
    return value < low ? low : value > high ? high : value;
}

int32_t last_index(int32_t count) {
    return count > 0 ? count - 1 : 0;
}

// A pixel row limited to 0..height.
int32_t clamp_row(int64_t row) {
    return static_cast<int32_t>(row < 0 ? 0 : row > screen->height ? screen->height : row);
}

void add_rows(DirtyRowRange* range, int32_t first, int32_t end) {
    if (range == nullptr) return;
    if (range->first == range->end) {
        range->first = first;
        range->end = end;
        return;
    }
    if (first < range->first) range->first = first;
    if (end > range->end) range->end = end;
}

void set_last_point_to_view_centre() {
    screen->last_x = static_cast<float>(screen->view_x + screen->view_w / 2);
    screen->last_y = static_cast<float>(screen->view_y + screen->view_h / 2);
}

// The body of a print, inside the bracket and with a drawable grid.
void print_locked(const unsigned char* text, int32_t length) {
    int32_t columns = 0;
    int32_t rows = 0;
    text_get_size(&columns, &rows);
    // The view-print rows are shared with the console: keep the view inside this grid.
    columns = clamp(columns, 1, screen->text_cols);
    const int32_t bottom = clamp(view_print_bottom(), 0, screen->text_rows - 1);
    const int32_t top = clamp(view_print_top(), 0, bottom);

    DirtyRowRange range{0, 0};
    PrintContext context{&range,
                         graphics_scroll,
                         graphics_write_chars,
                         0,
                         top,
                         columns - 1,
                         bottom,
                         clamp(screen->cursor_col, 0, columns - 1),
                         clamp(screen->cursor_row, 0, screen->text_rows - 1)};
    if (screen->screen_flags & SCREEN_LINE_PENDING) {
        screen->screen_flags &= ~SCREEN_LINE_PENDING;
        ++context.cursor_row;
        context.cursor_column = 0;
        if (context.cursor_row > bottom)
            graphics_scroll(&context, 0, top, context.view_right, bottom,
                            context.cursor_row - bottom);
    }
    lay_out_text(&context, text, length, 1);
    if (context.cursor_column == context.view_left && context.cursor_row == bottom + 1) {
        // The last row is full: the line advance and its scroll wait for the next print.
        context.cursor_column = context.view_right;
        context.cursor_row = bottom;
        screen->screen_flags |= SCREEN_LINE_PENDING;
    } else if (context.cursor_row > bottom) {
        graphics_scroll(&context, 0, top, context.view_right, bottom, context.cursor_row - bottom);
    }
    screen->cursor_col = context.cursor_column;
    screen->cursor_row = context.cursor_row;
    if (range.end > range.first) mark_rows_dirty(range.first, range.end - 1);
}

}  // namespace

int32_t graphics_write_chars(PrintContext* context, const unsigned char* characters,
                             int32_t count) {
    const int32_t column = context->cursor_column;
    const int32_t row = context->cursor_row;
    if (!grid_ready() || row < 0 || row >= screen->text_rows || column < 0 ||
        column >= screen->text_cols)
        return 1;
    if (count > screen->text_cols - column) count = screen->text_cols - column;
    if (count <= 0) return 1;

    const int32_t cell_height = screen->font->cell_height;
    const int32_t x = column * GLYPH_WIDTH;
    const int32_t y = row * cell_height;
    switch (screen->bytes_per_pixel) {
        case 1:
            draw_glyphs(glyph_rows_8, characters, count, x, y);
            break;
        case 2:
            draw_glyphs(glyph_rows_16, characters, count, x, y);
            break;
        default:
            draw_glyphs(glyph_rows_32, characters, count, x, y);
            break;
    }
    add_rows(static_cast<DirtyRowRange*>(context->target), y, y + cell_height);

    TextCell* cell = work_grid() + static_cast<size_t>(row) * screen->text_cols + column;
    for (int32_t k = 0; k < count; ++k)
        cell[k] = TextCell{characters[k], screen->fg_color, screen->bg_color};
    return 1;
}

void graphics_scroll(PrintContext* context, int32_t left, int32_t top, int32_t right,
                     int32_t bottom, int32_t lines) {
    context->cursor_row = context->view_bottom;
    if (!grid_ready() || lines < 1) return;
    left = clamp(left, 0, screen->text_cols - 1);
    right = clamp(right, left, screen->text_cols - 1);
    bottom = clamp(bottom, 0, screen->text_rows - 1);
    top = clamp(top, 0, bottom);

    const int32_t cell_height = screen->font->cell_height;
    const int32_t area_rows = bottom - top + 1;
    const int32_t area_top = top * cell_height;
    const int32_t area_end = (bottom + 1) * cell_height;
    const size_t run = static_cast<size_t>(right - left + 1) * GLYPH_WIDTH;
    const size_t offset = static_cast<size_t>(left) * GLYPH_WIDTH * screen->bytes_per_pixel;
    uint8_t** lines_of = screen->line_table;

    int32_t cleared_from = area_top;
    if (lines < area_rows) {
        const int32_t shift = lines * cell_height;
        for (int32_t y = area_top; y + shift < area_end; ++y)
            pixel_ops.copy_span(lines_of[y] + offset, lines_of[y + shift] + offset, run);
        cleared_from = area_end - shift;
    }
    for (int32_t y = cleared_from; y < area_end; ++y)
        pixel_ops.fill_span(lines_of[y] + offset, screen->bg_color, run);
    add_rows(static_cast<DirtyRowRange*>(context->target), area_top, area_end);

    int32_t blank_from = top;
    if (lines < area_rows) {
        TextCell* grid = work_grid();
        const size_t cols = static_cast<size_t>(screen->text_cols);
        const size_t width = static_cast<size_t>(right - left + 1) * sizeof(TextCell);
        for (int32_t row = top; row + lines <= bottom; ++row)
            std::memmove(grid + row * cols + left, grid + (row + lines) * cols + left, width);
        blank_from = bottom - lines + 1;
    }
    fill_cells(left, blank_from, right + 1, bottom + 1, screen->work_page, SPACE, screen->fg_color,
               screen->bg_color);
}

void graphics_print_buffer(const unsigned char* text, int32_t length, int32_t mask) {
    if (length <= 0 && !(mask & PRINT_FORCE)) return;
    if (screen == nullptr) return;
    if (length < 0 || text == nullptr) length = 0;
    prepare_target(nullptr);
    begin_draw();
    if (grid_ready()) print_locked(text, length);
    end_draw();
}

void graphics_print_buffer_wide(const uint16_t* text, int32_t length, int32_t mask) {
    if (length < 0 || text == nullptr) length = 0;
    unsigned char small[RUN_CAPACITY] = {};
    unsigned char* bytes = small;
    if (length > RUN_CAPACITY) {
        bytes = static_cast<unsigned char*>(std::malloc(static_cast<size_t>(length)));
        if (bytes == nullptr) return;
    }
    int32_t count = 0;
    for (int32_t k = 0; k < length; ++k) {
        const uint16_t unit = text[k];
        if (unit <= 255) {
            bytes[count++] = static_cast<unsigned char>(unit);
            continue;
        }
        bytes[count++] = '?';
        if (unit >= 0xD800 && unit <= 0xDBFF && k + 1 < length) ++k;  // the pair is one "?"
    }
    graphics_print_buffer(bytes, count, mask);
    if (bytes != small) std::free(bytes);
}

void graphics_print_buffer_wide(const uint16_t* text, int32_t mask) {
    int32_t length = 0;
    while (text != nullptr && text[length] != 0 && length < INT32_MAX)
        ++length;
    graphics_print_buffer_wide(text, length, mask);
}

int32_t graphics_locate(int32_t row, int32_t column, int32_t /*visibility: no text cursor*/) {
    if (screen == nullptr) return 0;
    screen->screen_flags &= ~SCREEN_LINE_PENDING;
    // Kept inside the grid, so that a print never starts outside the framebuffer.
    if (row >= 1) screen->cursor_row = clamp(row - 1, 0, last_index(screen->text_rows));
    if (column >= 1) screen->cursor_col = clamp(column - 1, 0, last_index(screen->text_cols));
    DeviceRecord* device = console_device();
    if (device != nullptr) device->column = screen->cursor_col;
    return ((screen->cursor_row & 0xFF) << 8 | (screen->cursor_col & 0xFF)) + 0x101;
}

void graphics_clear(int32_t mode) {
    if (screen == nullptr) return;
    prepare_target(nullptr);
    begin_draw();
    if (mode == CLEAR_DEFAULT) {
        if (screen->screen_flags & SCREEN_VIEW_SET)
            mode = 1;
        else if (view_print_top() == 0 && view_print_bottom() == screen->text_rows - 1)
            mode = 0;
        else
            mode = 2;
    }
    if (mode == 0) {
        pixel_ops.fill_span(screen->line_table[0], screen->bg_color,
                            static_cast<size_t>(screen->width) * screen->height);
        mark_rows_dirty(0, screen->height - 1);
        set_last_point_to_view_centre();
        fill_cells(0, 0, screen->text_cols, screen->text_rows, screen->work_page, SPACE,
                   screen->fg_color, screen->bg_color);
        graphics_locate(view_print_top() + 1, 1, -1);
    } else if (mode == 2) {
        const int32_t top = view_print_top();
        const int32_t bottom = view_print_bottom();
        const int64_t cell_height = screen->font != nullptr ? screen->font->cell_height : 0;
        // Only what lies on the screen: the view-print rows may outreach a small grid.
        const int32_t first_row = clamp_row(top * cell_height);
        const int32_t end_row = clamp_row((int64_t{bottom} + 1) * cell_height);
        if (end_row > first_row) {
            pixel_ops.fill_span(screen->line_table[first_row], screen->bg_color,
                                static_cast<size_t>(screen->width) * (end_row - first_row));
            mark_rows_dirty(first_row, end_row - 1);
        }
        fill_cells(0, clamp(top, 0, screen->text_rows), screen->text_cols,
                   clamp(bottom + 1, 0, screen->text_rows), screen->work_page, SPACE,
                   screen->fg_color, screen->bg_color);
        graphics_locate(top + 1, 1, -1);
    } else {
        const int32_t x = clamp(screen->view_x, 0, screen->width);
        const int32_t y = clamp(screen->view_y, 0, screen->height);
        const int32_t w = clamp(screen->view_w, 0, screen->width - x);
        const int32_t h = clamp(screen->view_h, 0, screen->height - y);
        if (w > 0 && h > 0) {
            const size_t offset = static_cast<size_t>(x) * screen->bytes_per_pixel;
            for (int32_t row = y; row < y + h; ++row)
                pixel_ops.fill_span(screen->line_table[row] + offset, screen->bg_color,
                                    static_cast<size_t>(w));
            mark_rows_dirty(y, y + h - 1);
        }
        set_last_point_to_view_centre();
    }
    end_draw();
}

int32_t graphics_width(int32_t columns, int32_t rows) {
    if (screen == nullptr) return 0;
    const int32_t previous = screen->text_rows << 16 | screen->text_cols;
    if (columns < 1 && rows < 1) return previous;
    const FontDescriptor* current = screen->font;
    const int32_t cell_width = columns >= 1         ? screen->width / columns
                               : current != nullptr ? current->cell_width
                                                    : 0;
    const int32_t cell_height = rows >= 1            ? screen->height / rows
                                : current != nullptr ? current->cell_height
                                                     : 0;
    const FontDescriptor* font = nullptr;
    if (cell_width == 8) {
        if (cell_height == 8) font = &FONT_8X8;
        if (cell_height == 14) font = &FONT_8X14;
        if (cell_height == 16) font = &FONT_8X16;
    }
    if (font == nullptr) return previous;
    if (columns >= 1) screen->text_cols = columns;
    if (rows >= 1) screen->text_rows = rows;
    screen->font = font;
    allocate_text_cells(1);
    set_view(OMITTED_COORDINATE, OMITTED_COORDINATE, OMITTED_COORDINATE, OMITTED_COORDINATE,
             DEFAULT_COLOR, DEFAULT_COLOR, 0);
    view_print(0, 0);
    graphics_clear(0);
    return previous;
}

int32_t graphics_get_column() {
    return screen != nullptr ? screen->cursor_col + 1 : 0;
}

int32_t graphics_get_row() {
    return screen != nullptr ? screen->cursor_row + 1 : 0;
}

void graphics_get_xy(int32_t* column, int32_t* row) {
    if (column != nullptr) *column = graphics_get_column();
    if (row != nullptr) *row = graphics_get_row();
}

void graphics_get_size(int32_t* columns, int32_t* rows) {
    if (columns != nullptr) *columns = screen != nullptr ? screen->text_cols : 0;
    if (rows != nullptr) *rows = screen != nullptr ? screen->text_rows : 0;
}

int32_t graphics_read_cell(int32_t column, int32_t row, int32_t want_color) {
    if (screen == nullptr || column < 1 || column > screen->text_cols || row < 1 ||
        row > screen->text_rows || screen->text_cells == nullptr ||
        screen->text_cells[screen->work_page] == nullptr)
        return 0;
    begin_draw();
    const TextCell cell =
        work_grid()[static_cast<size_t>(row - 1) * screen->text_cols + (column - 1)];
    end_draw();
    if (want_color == 0) return cell.character;
    if (screen->depth <= 4) return static_cast<int32_t>(cell.background * 16 + cell.foreground);
    if (screen->depth <= 8) return static_cast<int32_t>(cell.background * 256 + cell.foreground);
    return static_cast<int32_t>(want_color == 2 ? cell.background : cell.foreground);
}

void graphics_view_update() {}

}  // namespace qx
