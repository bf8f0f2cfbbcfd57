#include "gfx/terminal/terminal_cells.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace qx {

namespace {

void append_move(OutputBytes* out, int32_t column, int32_t row) {
    char cup[32];
    int n = std::snprintf(cup, sizeof cup, "\x1b[%d;%dH", row + 1, column + 1);
    out->append(cup, static_cast<size_t>(n));
}

// One SGR for both colours of a cell.
void append_colors(OutputBytes* out, TerminalColors colors, uint32_t foreground,
                   uint32_t background) {
    char sgr[64];
    int n = 0;
    switch (colors) {
        case TerminalColors::TRUECOLOR:
            n = std::snprintf(sgr, sizeof sgr, "\x1b[38;2;%u;%u;%u;48;2;%u;%u;%um",
                              (foreground >> 16) & 0xFF, (foreground >> 8) & 0xFF,
                              foreground & 0xFF, (background >> 16) & 0xFF,
                              (background >> 8) & 0xFF, background & 0xFF);
            break;
        case TerminalColors::INDEXED_256:
            n = std::snprintf(sgr, sizeof sgr, "\x1b[38;5;%u;48;5;%um", foreground & 0xFF,
                              background & 0xFF);
            break;
        case TerminalColors::INDEXED_16:
            foreground &= 15;
            background &= 15;
            n = std::snprintf(sgr, sizeof sgr, "\x1b[%u;%um",
                              foreground < 8 ? 30 + foreground : 90 + foreground - 8,
                              background < 8 ? 40 + background : 100 + background - 8);
            break;
    }
    out->append(sgr, static_cast<size_t>(n));
}

}  // namespace

void OutputBytes::append(const char* bytes, size_t count) {
    if (failed) return;
    if (length + count > capacity) {
        size_t wanted = capacity == 0 ? 4096 : capacity;
        while (wanted < length + count)
            wanted *= 2;
        auto* grown = static_cast<char*>(std::realloc(data, wanted));
        if (grown == nullptr) {
            failed = true;
            return;
        }
        data = grown;
        capacity = wanted;
    }
    std::memcpy(data + length, bytes, count);
    length += count;
}

void OutputBytes::append(const char* text) {
    append(text, std::strlen(text));
}

void OutputBytes::release() {
    std::free(data);
    *this = OutputBytes{};
}

void append_utf8(OutputBytes* out, uint32_t c) {
    if (c < 0x20 || (c >= 0x7F && c < 0xA0) || (c >= 0xD800 && c < 0xE000) || c > 0x10FFFF) {
        c = ' ';
    }
    char bytes[4];
    size_t count = 0;
    if (c < 0x80) {
        bytes[count++] = static_cast<char>(c);
    } else if (c < 0x800) {
        bytes[count++] = static_cast<char>(0xC0 | (c >> 6));
        bytes[count++] = static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        bytes[count++] = static_cast<char>(0xE0 | (c >> 12));
        bytes[count++] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        bytes[count++] = static_cast<char>(0x80 | (c & 0x3F));
    } else {
        bytes[count++] = static_cast<char>(0xF0 | (c >> 18));
        bytes[count++] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        bytes[count++] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        bytes[count++] = static_cast<char>(0x80 | (c & 0x3F));
    }
    out->append(bytes, count);
}

int32_t write_changed_cells(const TerminalCell* shown, const TerminalCell* next,
                            const TerminalLayout& layout, TerminalColors colors, bool all,
                            OutputBytes* out) {
    if (shown == nullptr) all = true;
    const int32_t columns = layout.columns;
    int32_t written = 0;
    bool have_colors = false;
    uint32_t foreground = 0, background = 0;
    for (int32_t row = 0; row < layout.rows; ++row) {
        const size_t start = static_cast<size_t>(row) * static_cast<size_t>(columns);
        int32_t first = 0, last = columns - 1;
        if (!all) {
            while (first < columns && shown[start + first] == next[start + first])
                ++first;
            if (first == columns) continue;
            while (shown[start + last] == next[start + last])
                --last;
        }
        append_move(out, layout.left + first, layout.top + row);
        for (int32_t column = first; column <= last; ++column) {
            const TerminalCell& cell = next[start + column];
            if (!have_colors || cell.foreground != foreground || cell.background != background) {
                append_colors(out, colors, cell.foreground, cell.background);
                foreground = cell.foreground;
                background = cell.background;
                have_colors = true;
            }
            append_utf8(out, cell.character);
        }
        ++written;
    }
    if (have_colors) out->append("\x1b[0m");
    return written;
}

}  // namespace qx
