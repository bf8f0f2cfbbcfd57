// The symbol-mode picture as cells, and the writer that sends only what changed between the
// cells the terminal shows and the next ones. Platform-free, so that it can be tested on bytes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "gfx/terminal/terminal_layout.h"

namespace qx {

// One cell: a Unicode character and its colours (0x00RRGGBB in truecolor, else the palette
// index of the colour mode).
struct TerminalCell {
    uint32_t character;
    uint32_t foreground, background;
    bool operator==(const TerminalCell&) const = default;
};

// A growing byte buffer that reports an allocation failure instead of throwing.
struct OutputBytes {
    char* data = nullptr;
    size_t length = 0;
    size_t capacity = 0;
    bool failed = false;  // an append could not grow the buffer; the contents are incomplete

    void append(const char* bytes, size_t count);
    void append(const char* text);
    void clear() {
        length = 0;
        failed = false;
    }
    void release();
};

// Appends the bytes that turn `shown` into `next` (both layout.columns x layout.rows cells,
// row by row) at the layout's place: per row, only the span from its first to its last changed
// cell; every cell when `all`. Colours are left reset at the end. Returns the number of rows
// written (0: nothing to send). `shown` may be null with `all`.
int32_t write_changed_cells(const TerminalCell* shown, const TerminalCell* next,
                            const TerminalLayout& layout, TerminalColors colors, bool all,
                            OutputBytes* out);

// Appends a Unicode character as UTF-8 (a control or invalid one as a space).
void append_utf8(OutputBytes* out, uint32_t character);

}  // namespace qx
