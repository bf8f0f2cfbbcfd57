// Where the picture sits in the terminal and how it is drawn there: platform-free arithmetic
// and choices, so that they can be tested without a terminal.
#pragma once

#include <cstdint>

namespace qx {

// The picture's place in the terminal, in cells (0-based). Zero columns or rows: no room.
struct TerminalLayout {
    int32_t columns, rows;
    int32_t left, top;
};

// Fits a picture of width x height pixels into columns x rows cells of cell_width x
// cell_height pixels, keeping its aspect ratio, centred. An unknown cell size (0) counts as
// cells twice as tall as wide.
TerminalLayout lay_out_picture(int32_t width, int32_t height, int32_t columns, int32_t rows,
                               int32_t cell_width, int32_t cell_height);

// The framebuffer pixel under a cell (0-based, the centre of the cell's share of the
// picture), clamped into the picture, since the terminal is always "full screen".
void cell_to_pixel(const TerminalLayout& layout, int32_t width, int32_t height, int32_t column,
                   int32_t row, int32_t* x, int32_t* y);

enum class TerminalPixels { SYMBOLS, KITTY, SIXELS, ITERM2 };
enum class TerminalColors { TRUECOLOR, INDEXED_256, INDEXED_16 };

// What the terminal offers, as its description (from the environment) says.
struct TerminalAbilities {
    bool kitty, sixels, iterm2;
    bool truecolor, indexed_256;
};

struct TerminalDrawMode {
    TerminalPixels pixels;
    TerminalColors colors;
};

// The best mode the terminal offers, with QXTERM (symbols, kitty, sixels, iterm2) and
// QXTERM_COLORS (truecolor, 256, 16) overriding it when they name a known value (null: unset).
TerminalDrawMode choose_draw_mode(const TerminalAbilities& abilities, const char* qxterm,
                                  const char* qxterm_colors);

// Why the "Terminal" driver may not open, or null when it may: it needs a terminal that can
// place the cursor (TERM is not "dumb"; null: unset) to draw on, and the plain search (QXGFX
// not naming it) only reaches it when the keys come from a terminal too.
const char* terminal_driver_refusal(bool named, bool input_is_terminal, bool output_is_terminal,
                                    const char* term);

// The pixel size of one cell in an image that the terminal scales to its cells (kitty,
// iTerm2): the terminal's own cell, but never more than the framebuffer has, so that an image
// never carries more pixels than the picture.
void image_cell_size(const TerminalLayout& layout, int32_t width, int32_t height,
                     int32_t* cell_width, int32_t* cell_height);

}  // namespace qx
