#include "gfx/text_cells.h"

#include <cstdlib>

#include "gfx/font.h"
#include "gfx/screen.h"

namespace qx {

namespace {

void free_grids() {
    ScreenContext* s = screen;
    if (!s->text_cells) return;
    for (int32_t page = 0; page < s->page_count; ++page)
        std::free(s->text_cells[page]);
    std::free(s->text_cells);
    s->text_cells = nullptr;
}

}  // namespace

int32_t allocate_text_cells(int32_t keep) {
    ScreenContext* s = screen;
    if (!s) return -1;
    free_grids();
    if (!keep) return 0;
    size_t cells = static_cast<size_t>(s->text_cols > 0 ? s->text_cols : 0) *
                   static_cast<size_t>(s->text_rows > 0 ? s->text_rows : 0);
    s->text_cells =
        static_cast<TextCell**>(std::calloc(static_cast<size_t>(s->page_count), sizeof(TextCell*)));
    if (!s->text_cells) return -1;
    for (int32_t page = 0; page < s->page_count; ++page) {
        s->text_cells[page] =
            static_cast<TextCell*>(std::calloc(cells ? cells : 1, sizeof(TextCell)));
        if (!s->text_cells[page]) {
            free_grids();
            return -1;
        }
    }
    fill_cells(0, 0, s->text_cols, s->text_rows, s->work_page, ' ', s->fg_color, s->bg_color);
    return 0;
}

void fill_cells(int32_t left, int32_t top, int32_t right_end, int32_t bottom_end, int32_t page,
                uint16_t character, uint32_t fg, uint32_t bg) {
    ScreenContext* s = screen;
    if (!s || !s->text_cells || page < 0 || page >= s->page_count) return;
    if (left < 0) left = 0;
    if (top < 0) top = 0;
    if (right_end > s->text_cols) right_end = s->text_cols;
    if (bottom_end > s->text_rows) bottom_end = s->text_rows;
    TextCell* grid = s->text_cells[page];
    for (int32_t row = top; row < bottom_end; ++row) {
        for (int32_t column = left; column < right_end; ++column) {
            grid[static_cast<size_t>(row) * s->text_cols + column] = {character, fg, bg};
        }
    }
}

}  // namespace qx
