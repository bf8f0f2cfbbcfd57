#include "runtime/console_output.h"

#include "runtime/console_backend.h"
#include "runtime/devices.h"
#include "runtime/runtime.h"
#include "runtime/text_hooks.h"
#include "runtime/text_layout.h"

namespace qx {

namespace {

// The console rows currently shown, across the whole buffer width; absolute cells.
struct ConsoleArea {
    int16_t left, top, right, bottom;
};

struct ConsoleTarget {
    int32_t area_left, area_top, area_right, area_bottom;
    int32_t buffer_width, buffer_height;
    uint16_t attribute;
    int32_t partial;  // 1 when the view-print rows are not the whole area
};

// Console output state; program thread only.
struct ConsoleOutputState {
    ConsoleArea area;
    bool area_read;                 // the area has been read at least once
    int32_t view_top = VIEW_UNSET;  // view-print rows, 0-based, area-relative
    int32_t view_bottom = VIEW_UNSET;
    int32_t deferred_line_advance;  // the last print ended just below the view
    // The colours set_color chose, for when the backend cannot report them (not a console).
    uint16_t attribute = 7;
};

ConsoleOutputState state;

constexpr uint16_t DEFAULT_ATTRIBUTE = 7;

void refresh_console_area() {
    ConsoleBufferInfo info;
    state.area_read = true;
    // Sizes that do not fit the area's 16-bit cells count as no console.
    if (console_backend()->get_info(&info) != 0 || info.buffer_width < 1 ||
        info.buffer_width > INT16_MAX || info.window_top < 0 ||
        info.window_bottom < info.window_top || info.window_bottom > INT16_MAX) {
        state.area = {};
        return;
    }
    state.area = {0, static_cast<int16_t>(info.window_top),
                  static_cast<int16_t>(info.buffer_width - 1),
                  static_cast<int16_t>(info.window_bottom)};
}

const ConsoleArea& area() {
    if (!state.area_read) refresh_console_area();
    return state.area;
}

bool area_absent() {
    const ConsoleArea& a = area();
    return a.left == a.right || a.top == a.bottom;
}

void blank_row(const ConsoleTarget* target, int32_t left, int32_t right, int32_t row) {
    const ConsoleBackend* backend = console_backend();
    backend->fill_attribute(left, row, right - left + 1, target->attribute);
    backend->fill_character(left, row, right - left + 1, ' ');
}

void console_scroll_view(PrintContext* context, int32_t left, int32_t top, int32_t right,
                         int32_t bottom, int32_t lines) {
    auto* target = static_cast<ConsoleTarget*>(context->target);
    const ConsoleBackend* backend = console_backend();
    int32_t region_top = top;
    int32_t region_bottom = bottom;
    if (!target->partial) {
        if (context->view_bottom + 1 < target->buffer_height) {
            // Unused buffer rows below the window: move the view instead of the text.
            int32_t k = target->buffer_height - context->view_bottom - 1;
            if (k > lines) k = lines;
            context->view_top += k;
            context->view_bottom += k;
            lines -= k;
            if (lines == 0) return;
        }
        top = context->view_top;
        bottom = context->view_bottom;
        region_top = 0;
        region_bottom = target->buffer_height - 1;
        if (lines >= target->buffer_height) {
            for (int32_t row = top; row <= bottom; ++row)
                blank_row(target, left, right, row);
        } else {
            backend->scroll(0, lines, target->buffer_width - 1, target->buffer_height - 1, 0, 0,
                            target->attribute);
        }
    } else if (lines >= bottom - top + 1) {
        for (int32_t row = top; row <= bottom; ++row)
            blank_row(target, left, right, row);
    } else {
        backend->scroll(left, top + lines, right, bottom, left, top, target->attribute);
    }
    // The console call blanks only the vacated part of its own source rectangle.
    int32_t kept = region_bottom - region_top + 1 - lines;
    if (kept > 0 && kept < lines) {
        for (int32_t row = region_top + kept; row <= region_bottom; ++row) {
            blank_row(target, left, right, row);
        }
    }
    context->cursor_row = context->view_bottom;
}

int32_t console_write_cells(PrintContext* context, const unsigned char* characters, int32_t count) {
    auto* target = static_cast<ConsoleTarget*>(context->target);
    return console_backend()->write_cells(context->cursor_column, context->cursor_row, characters,
                                          count, target->attribute);
}

void scroll_if_below(PrintContext* context) {
    if (context->view_bottom != -1 && context->cursor_row > context->view_bottom) {
        console_scroll_view(context, context->view_left, context->view_top, context->view_right,
                            context->view_bottom, context->cursor_row - context->view_bottom);
    }
}

}  // namespace

void reset_console_output() {
    state = ConsoleOutputState{};
}

int32_t view_print_top() {
    if (state.view_top == VIEW_UNSET) state.view_top = 0;
    return state.view_top;
}

int32_t view_print_bottom() {
    if (state.view_bottom == VIEW_UNSET) {
        int32_t rows = 0;
        text_get_size(nullptr, &rows);
        state.view_bottom = rows != 0 ? rows - 1 : 24;
    }
    return state.view_bottom;
}

void set_view_print(int32_t top, int32_t bottom) {
    state.view_top = top;
    state.view_bottom = bottom;
}

void console_print_buffer(const unsigned char* text, int32_t length, int32_t mask) {
    if (!(mask & PRINT_FORCE) && length <= 0) return;
    if (length < 0) length = 0;
    if (area_absent()) {
        console_backend()->write_raw(text, static_cast<size_t>(length));
        return;
    }
    int32_t print_top = view_print_top() + 1;
    int32_t print_bottom = view_print_bottom() + 1;
    const ConsoleArea& a = area();
    int32_t width = a.right - a.left + 1;
    int32_t height = a.bottom - a.top + 1;
    ConsoleTarget target{
        a.left, a.top, a.right,           a.top + height - 1,
        80,     25,    DEFAULT_ATTRIBUTE, (print_top != 1 || print_bottom != height) ? 1 : 0};
    PrintContext context{&target,
                         console_scroll_view,
                         console_write_cells,
                         a.left,
                         a.top + print_top - 1,
                         a.left + width - 1,
                         a.top + print_bottom - 1,
                         0,
                         0};
    ConsoleBufferInfo info;
    if (console_backend()->get_info(&info) == 0) {
        target.buffer_width = info.buffer_width;
        target.buffer_height = info.buffer_height;
        target.attribute = info.attribute;
        context.cursor_column = info.cursor_x;
        context.cursor_row = info.cursor_y;
    } else {
        context.cursor_column = context.view_left;
        context.cursor_row = context.view_top;
    }
    if (state.deferred_line_advance) {
        state.deferred_line_advance = 0;
        ++context.cursor_row;
        context.cursor_column = context.view_left;
        scroll_if_below(&context);
    }
    lay_out_text(&context, text, length, 1);
    if (context.cursor_column == context.view_left &&
        context.cursor_row == context.view_bottom + 1) {
        // Filled the view's last row: the advance (and its scroll) waits for the next print.
        context.cursor_column = context.view_right;
        context.cursor_row = context.view_bottom;
        state.deferred_line_advance = 1;
    } else {
        scroll_if_below(&context);
    }
    console_backend()->set_cursor(context.cursor_column, context.cursor_row);
    refresh_console_area();
}

void console_print_buffer_wide(const uint16_t* text, int32_t length, int32_t mask) {
    unsigned char bytes[RUN_CAPACITY];
    if (length <= 0) {
        console_print_buffer(nullptr, 0, mask);
        return;
    }
    // Converted in slices; only the last slice carries the mask.
    for (int32_t done = 0; done < length;) {
        int32_t count = length - done < RUN_CAPACITY ? length - done : RUN_CAPACITY;
        for (int32_t i = 0; i < count; ++i) {
            uint16_t unit = text[done + i];
            bytes[i] = unit > 255 ? '?' : static_cast<unsigned char>(unit);
        }
        done += count;
        console_print_buffer(bytes, count, done == length ? mask : 0);
    }
}

void console_get_size(int32_t* columns, int32_t* rows) {
    int32_t c = 80, r = 25;
    if (!area_absent()) {
        c = state.area.right - state.area.left + 1;
        r = state.area.bottom - state.area.top + 1;
    }
    if (columns) *columns = c;
    if (rows) *rows = r;
}

void console_get_xy(int32_t* column, int32_t* row) {
    ConsoleBufferInfo info;
    int32_t x = 0, y = 0;
    if (console_backend()->get_info(&info) == 0) {
        x = info.cursor_x;
        y = info.cursor_y;
        if (!area_absent()) {
            x = x - state.area.left + 1;
            y = y - state.area.top + 1;
        }
    }
    if (column) *column = x;
    if (row) *row = y;
}

int32_t console_get_column() {
    int32_t column;
    console_get_xy(&column, nullptr);
    return column;
}

int32_t console_get_row() {
    int32_t row;
    console_get_xy(nullptr, &row);
    return row;
}

// Absolute coordinates; a negative one keeps the current; visibility -1 leaves it alone.
void console_set_cursor(int32_t row, int32_t column, int32_t visibility) {
    const ConsoleBackend* backend = console_backend();
    ConsoleBufferInfo info;
    if ((row < 0 || column < 0) && backend->get_info(&info) == 0) {
        if (row < 0) row = info.cursor_y;
        if (column < 0) column = info.cursor_x;
    }
    if (visibility >= 0) backend->set_cursor_visible(visibility != 0);
    state.deferred_line_advance = 0;
    if (row >= 0 && column >= 0) backend->set_cursor(column, row);
}

int32_t console_locate(int32_t row, int32_t column, int32_t visibility) {
    int32_t current_column, current_row;
    console_get_xy(&current_column, &current_row);
    if (column < 1) column = current_column;
    if (row < 1) row = current_row;
    int32_t visible = console_backend()->get_cursor_visible();
    int32_t word = (column & 0xFF) | (row & 0xFF) << 8 | (visible ? 0x10000 : 0);
    int32_t left = 0, top = 0;
    if (!area_absent()) {
        left = state.area.left - 1;
        top = state.area.top - 1;
    }
    console_set_cursor(top + row, left + column, visibility);
    return word;
}

void locate(int32_t row, int32_t column, int32_t visibility, int32_t* result) {
    set_runtime_error(0);
    int32_t columns = 0;
    text_get_size(&columns, nullptr);
    bool row_ok = row == 0 || (row >= view_print_top() + 1 && row <= view_print_bottom() + 1);
    bool column_ok = column == 0 || (column >= 1 && column <= columns);
    int32_t word = 0;
    if (!row_ok || !column_ok) {
        set_runtime_error(1);
    } else {
        DeviceRecord* console = console_device();
        word = text_hooks.locate_hook ? text_hooks.locate_hook(row, column, visibility)
                                      : console_locate(row, column, visibility);
        if (column > 0 && console) console->column = column - 1;
    }
    if (result) *result = word;
}

int32_t locate_or_show(int32_t row, int32_t column, int32_t visibility) {
    int32_t word;
    locate(row, column, visibility, &word);
    if (runtime_error() != 0) locate(0, 0, visibility, &word);
    return word;
}

int32_t view_print_core(int32_t top, int32_t bottom, bool move_cursor) {
    int32_t rows = 0;
    text_get_size(nullptr, &rows);
    if (rows == 0) rows = 25;
    bool changed = false;
    if (top == 0) {
        top = 1;
        changed = true;
    } else if (top < 0) {
        top = view_print_top() + 1;
    } else {
        changed = true;
    }
    if (bottom == 0) {
        bottom = rows;
        changed = true;
    } else if (bottom < 0) {
        bottom = view_print_bottom() + 1;
    } else {
        changed = true;
    }
    if (bottom < top || top < 1 || bottom < 1 || top > rows || bottom > rows) return 0;
    if (changed) {
        set_view_print(top - 1, bottom - 1);
        text_view_update();
        if (move_cursor) locate_or_show(top, 1, -1);
    }
    return top + bottom * 65536;
}

int32_t view_print(int32_t top, int32_t bottom) {
    return view_print_core(top, bottom, true);
}

void console_view_update() {
    refresh_console_area();
}

int32_t console_set_color(int32_t fg, int32_t bg) {
    ConsoleBufferInfo info;
    uint16_t attribute = state.attribute;
    if (console_backend()->get_info(&info) == 0) attribute = info.attribute;
    const int32_t previous = ((attribute >> 4) & 15) << 16 | (attribute & 15);
    // The low byte holds the two colours; the bits above (the console's own) are kept.
    if (fg >= 0) attribute = static_cast<uint16_t>((attribute & ~0x0F) | (fg & 15));
    if (bg >= 0) attribute = static_cast<uint16_t>((attribute & ~0xF0) | (bg & 15) << 4);
    state.attribute = attribute;
    console_backend()->set_attribute(attribute);
    return previous;
}

void console_clear(int32_t mode) {
    if (area_absent()) return;  // a file or a pipe keeps what was written to it
    ConsoleBufferInfo info;
    const uint16_t attribute =
        console_backend()->get_info(&info) == 0 ? info.attribute : state.attribute;
    const ConsoleArea& a = area();
    int32_t first = 0, last = a.bottom - a.top;  // area-relative rows
    if (mode == 2 || mode == CLEAR_DEFAULT) {
        first = view_print_top();
        last = view_print_bottom();
        if (last > a.bottom - a.top) last = a.bottom - a.top;
    }
    ConsoleTarget target{};
    target.attribute = attribute;
    for (int32_t row = first; row <= last; ++row)
        blank_row(&target, a.left, a.right, a.top + row);
    locate_or_show(view_print_top() + 1, 1, -1);
}

void beep() {
    console_backend()->beep();
}

}  // namespace qx
