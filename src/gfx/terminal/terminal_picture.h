// The screen's picture as libchafa draws it for the terminal: one canvas per layout, read back
// as cells in symbol mode, printed whole in the pixel modes. Used by the update thread only.
#pragma once

#include <cstdint>

#include "gfx/terminal/terminal_cells.h"
#include "gfx/terminal/terminal_layout.h"

struct ChafaCanvas;
struct ChafaCanvasConfig;
struct ChafaSymbolMap;
struct ChafaTermInfo;

namespace qx {

struct TerminalPicture {
    ChafaCanvas* canvas;  // null while the layout has no room
    ChafaCanvasConfig* config;
    ChafaSymbolMap* symbols;
    TerminalLayout layout;
    TerminalDrawMode mode;
};

// Makes the canvas for a layout (cell size in pixels, 0 unknown) of a width x height picture,
// loading libchafa the first time. 0, or -1 with nothing held.
int32_t terminal_picture_open(TerminalPicture* picture, const TerminalLayout& layout,
                              TerminalDrawMode mode, int32_t cell_width, int32_t cell_height,
                              int32_t width, int32_t height);
void terminal_picture_close(TerminalPicture* picture);

// Draws RGBA pixels (alpha 255) of width x height, stride bytes per row, into the canvas.
void terminal_picture_draw(TerminalPicture* picture, const uint8_t* rgba, int32_t width,
                           int32_t height, int32_t stride);
// Symbol mode: the canvas's cells, layout.columns x layout.rows, row by row.
void terminal_picture_cells(TerminalPicture* picture, TerminalCell* cells);
// Pixel modes: appends the whole picture as the terminal's image sequence.
void terminal_picture_print(TerminalPicture* picture, ChafaTermInfo* term_info, OutputBytes* out);

}  // namespace qx
