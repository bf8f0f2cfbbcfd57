// The text cell grids of the graphics screen: one per page, text_cols x text_rows cells.
#pragma once

#include <cstdint>

namespace qx {

// Frees the grids; with keep, allocates page_count zeroed grids and fills the work page's
// with spaces in fg_color on bg_color. Returns 0, or -1 when memory ran out (no grids then).
int32_t allocate_text_cells(int32_t keep);
// Cells of columns left..right_end-1 and rows top..bottom_end-1 of a page's grid (clipped).
void fill_cells(int32_t left, int32_t top, int32_t right_end, int32_t bottom_end, int32_t page,
                uint16_t character, uint32_t fg, uint32_t bg);

}  // namespace qx
