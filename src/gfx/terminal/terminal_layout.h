// Where the picture sits in the terminal and how it is drawn there: platform-free arithmetic
// and choices, so that they can be tested without a terminal.
#pragma once

#include <cstdint>

#include "gfx/terminal/terminal_replies.h"

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

// What the terminal offers.
struct TerminalAbilities {
    bool kitty, sixels, iterm2;
    bool truecolor, indexed_256;
};

struct TerminalDrawMode {
    TerminalPixels pixels;
    TerminalColors colors;
};

// What to go by: where the terminal answered, its answers for what they tell (kitty graphics,
// sixels) and its description (from the environment) for the rest; the description alone
// when nothing answered (replies null, or without the device attributes).
TerminalAbilities confirmed_abilities(const TerminalAbilities& described,
                                      const TerminalReplies* replies);

// The best mode among the abilities (kitty, then sixels, then iTerm2 images, else symbols),
// with QXTERM (symbols, kitty, sixels, iterm2) and QXTERM_COLORS (truecolor, 256, 16)
// overriding it when they name a known value (null: unset). A forced image mode the terminal
// lacks gives symbols and sets *refused.
TerminalDrawMode choose_draw_mode(const TerminalAbilities& abilities, const char* qxterm,
                                  const char* qxterm_colors, bool* refused = nullptr);

// Why the "Terminal" driver may not open, or null when it may: it needs a terminal that can
// place the cursor (TERM is not "dumb"; null: unset) to draw on, and the plain search (QXGFX
// not naming it) only reaches it when the keys come from a terminal too.
const char* terminal_driver_refusal(bool named, bool input_is_terminal, bool output_is_terminal,
                                    const char* term);

// Where an image goes, and its size in pixels. Images keep off the terminal's last row (an
// image that reaches it scrolls the screen), and sixels within the terminal's largest image.
struct ImagePlace {
    TerminalLayout layout;
    int32_t pixel_width, pixel_height;      // the image as sent
    int32_t picture_width, picture_height;  // the picture in it, centred; the rest is black
};

// Sixels are drawn pixel for pixel: the picture scaled to the most the cells (of known size)
// and max_width x max_height (0: no limit) hold, with its aspect ratio, in an image of whole
// cells.
ImagePlace place_sixels(int32_t width, int32_t height, int32_t columns, int32_t rows,
                        int32_t cell_width, int32_t cell_height, int32_t max_width,
                        int32_t max_height);

// kitty and iTerm2 stretch an image over the layout's cells: the picture as it is, with black
// bands making the image the cells' shape, so that the stretch keeps the picture's aspect ratio
// exactly. An unknown cell size counts as cells twice as tall as wide.
ImagePlace place_stretched_image(int32_t width, int32_t height, int32_t columns, int32_t rows,
                                 int32_t cell_width, int32_t cell_height);

}  // namespace qx
