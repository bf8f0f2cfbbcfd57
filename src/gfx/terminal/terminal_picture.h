// The screen's picture in symbols as libchafa draws it: one canvas per band of cell rows,
// so that only the bands whose pixels changed are drawn again, read back as cells. Used by the
// update thread only.
#pragma once

#include <cstdint>

#include "gfx/terminal/terminal_cells.h"
#include "gfx/terminal/terminal_layout.h"

struct ChafaCanvas;
struct ChafaCanvasConfig;
struct ChafaSymbolMap;

namespace qx {

struct TerminalPicture {
    ChafaCanvas* canvas;       // band_rows rows; null while the layout has no room
    ChafaCanvas* last_canvas;  // the last, shorter band's, when the rows do not divide
    ChafaCanvasConfig* config;
    ChafaSymbolMap* symbols;
    TerminalLayout layout;
    TerminalDrawMode mode;
    int32_t band_rows;      // cell rows per band: each band covers a whole number of pixel rows
    int32_t width, height;  // the picture in pixels
};

// Makes the canvases for a layout of a width x height picture, loading libchafa the first
// time. 0, or -1 with nothing held.
int32_t terminal_picture_open(TerminalPicture* picture, const TerminalLayout& layout,
                              TerminalDrawMode mode, int32_t width, int32_t height);
void terminal_picture_close(TerminalPicture* picture);

// Draws the bands where changed_lines (height flags; null: all) marks a pixel row, from RGBA
// pixels (alpha 255, stride bytes per row), and writes their cells into cells
// (layout.columns x layout.rows, row by row); the other bands' cells are left as they were.
// Returns the number of bands drawn.
int32_t terminal_picture_update(TerminalPicture* picture, const uint8_t* rgba, int32_t stride,
                                const uint8_t* changed_lines, TerminalCell* cells);

}  // namespace qx
