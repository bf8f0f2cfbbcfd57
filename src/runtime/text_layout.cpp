#include "runtime/text_layout.h"

#include "runtime/console_output.h"

namespace qx {

namespace {

void scroll_below_view(PrintContext* context) {
    if (context->view_bottom != -1 && context->cursor_row > context->view_bottom) {
        context->scroll(context, context->view_left, context->view_top, context->view_right,
                        context->view_bottom, context->cursor_row - context->view_bottom);
    }
}

// The printable run gathered so far and the column it has reached.
struct Run {
    unsigned char bytes[RUN_CAPACITY];
    int32_t count = 0;
    int32_t column = 0;
};

void flush(PrintContext* context, Run& run) {
    if (run.count == 0) return;
    write_run(context, run.bytes, run.count);
    run.count = 0;
    run.column = context->cursor_column;
}

void append(PrintContext* context, Run& run, unsigned char byte) {
    if (run.count == RUN_CAPACITY) flush(context, run);
    run.bytes[run.count++] = byte;
    if (++run.column > context->view_right) {
        int32_t width = context->view_right - context->view_left + 1;
        run.column = (run.column - context->view_left) % width + context->view_left;
    }
}

}  // namespace

void write_run(PrintContext* context, const unsigned char* characters, int32_t count) {
    while (count > 0) {
        int32_t chunk = context->view_right - context->view_left + 1;
        if (context->cursor_column <= context->view_right) {
            chunk = context->view_right - context->cursor_column + 1;
        } else {
            // A cursor placed right of the view starts on the next row rather than never.
            context->cursor_column = context->view_left;
            ++context->cursor_row;
        }
        if (chunk > count) chunk = count;
        scroll_below_view(context);
        if (context->write(context, characters, chunk) != 1) return;
        context->cursor_column += chunk;
        if (context->cursor_column == context->view_right + 1) {
            context->cursor_column = context->view_left;
            ++context->cursor_row;
        }
        characters += chunk;
        count -= chunk;
    }
}

void lay_out_text(PrintContext* context, const unsigned char* text, int32_t length,
                  int32_t lf_returns) {
    // A view without columns has nowhere to put text (and would never finish a run).
    if (context->view_right < context->view_left) return;
    Run run;
    run.column = context->cursor_column;
    bool moved = false;
    for (int32_t i = 0; i < length; ++i) {
        unsigned char byte = text[i];
        switch (byte) {
            case 7:
                beep();
                break;
            case 8:
                flush(context, run);
                if (run.column > context->view_left) --context->cursor_column;
                run.column = context->cursor_column;
                moved = true;
                break;
            case 9: {
                int32_t d = run.column - context->view_left;
                for (int32_t n = ((d + 8) & ~7) - d; n > 0; --n)
                    append(context, run, ' ');
                break;
            }
            case 10:
                flush(context, run);
                ++context->cursor_row;
                if (lf_returns) context->cursor_column = context->view_left;
                run.column = context->cursor_column;
                moved = true;
                break;
            case 13:
                flush(context, run);
                context->cursor_column = context->view_left;
                run.column = context->cursor_column;
                moved = true;
                break;
            default:
                append(context, run, byte);
        }
    }
    if (run.count > 0) {
        flush(context, run);
        return;
    }
    if (moved) scroll_below_view(context);
}

}  // namespace qx
