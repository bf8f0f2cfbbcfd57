// What the terminal says about itself when asked at open: the questions, and their answers
// taken out of the input by their shape, so that the keys typed meanwhile stay in order.
// Platform-free: tests feed byte strings.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qx {

// The questions in one write: the kitty graphics query, the sixel colour registers and the
// largest sixel image (XTSMGRAPHICS), the cell and the window size in pixels, and the
// primary device attributes last, which every terminal answers: its answer ends the wait.
extern const char TERMINAL_QUERIES[];

struct TerminalReplies {
    bool attributes;                      // the device attributes came: the terminal has answered
    bool sixels;                          // attribute 4
    bool kitty;                           // the kitty graphics query was answered OK
    int32_t color_registers;              // sixel colour registers, 0 unknown
    int32_t sixel_width, sixel_height;    // the largest sixel image in pixels, 0 unknown
    int32_t cell_width, cell_height;      // pixels per cell, 0 unknown
    int32_t window_width, window_height;  // the text area in pixels, 0 unknown
};

// Removes every whole reply from bytes (closing the gaps, every other byte kept in order) and
// records what it says. A reply cut short at the end stays for the next call; an answer that
// makes no sense is removed and ignored.
void take_terminal_replies(unsigned char* bytes, size_t* length, TerminalReplies* replies);

// Whether bytes end in the start of a reply that may yet be completed (worth a moment's wait).
bool ends_in_partial_reply(const unsigned char* bytes, size_t length);

}  // namespace qx
