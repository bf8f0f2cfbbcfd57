// The line editor of the input statement. It talks only through the text routers, so the
// console and the graphics screen share it.
#include <cstdlib>
#include <cstring>

#include "runtime/console_output.h"
#include "runtime/key_queue.h"
#include "runtime/line_input.h"
#include "runtime/text_hooks.h"
#include "runtime/timer.h"

namespace qx {

namespace {

constexpr int32_t KEY_POLL_MS = 25;
constexpr int32_t TAB_STOP = 8;
constexpr int32_t CURSOR_VISIBLE_BIT = 0x10000;

constexpr int32_t CODE_LF = 10;

// One edit: the text, the edit position and the screen size taken at the start.
struct EditState {
    Rtstring* text;
    int32_t position;  // 0 before the first character, length after the last
    int32_t columns;
    int32_t rows;
};

void hide_cursor() {
    locate_or_show(0, 0, 0);
}
void show_cursor() {
    locate_or_show(0, 0, 1);
}

void print_bytes(const char* bytes, int32_t count) {
    if (count > 0) text_print(reinterpret_cast<const unsigned char*>(bytes), count, 0);
}

void print_blanks(int32_t count) {
    char blanks[64];
    std::memset(blanks, ' ', sizeof blanks);
    while (count > 0) {
        int32_t piece = count < 64 ? count : 64;
        print_bytes(blanks, piece);
        count -= piece;
    }
}

void move(EditState& edit, int32_t* column, int32_t* row, int32_t delta) {
    move_cursor_by(column, row, delta, edit.columns, edit.rows);
}

// Removes count characters at the edit position; the cursor is at the edit position.
void delete_at(EditState& edit, int32_t count, int32_t column, int32_t row) {
    Rtstring& text = *edit.text;
    hide_cursor();
    int32_t tail = text.length - edit.position - count;
    // An empty line has no buffer at all: nothing to move.
    if (tail > 0) {
        std::memmove(text.data + edit.position, text.data + edit.position + count,
                     static_cast<size_t>(tail));
    }
    text.length -= count;
    print_bytes(text.data + edit.position, text.length - edit.position);
    print_blanks(count);  // blank the cells the shorter text leaves
    locate_or_show(row, column, -1);
    show_cursor();
}

// Inserts count characters at the edit position; the cursor is at (column, row). A text that
// cannot grow keeps what it has: the key is lost, nothing else.
void insert_at(EditState& edit, const char* characters, int32_t count, int32_t column,
               int32_t row) {
    Rtstring& text = *edit.text;
    if (text.length > INT32_MAX - count) return;
    char* grown =
        static_cast<char*>(std::realloc(text.data, static_cast<size_t>(text.length) + count));
    if (grown == nullptr) return;
    text.data = grown;
    hide_cursor();
    bool at_end = edit.position == text.length;
    std::memmove(text.data + edit.position + count, text.data + edit.position,
                 static_cast<size_t>(text.length - edit.position));
    std::memcpy(text.data + edit.position, characters, static_cast<size_t>(count));
    text.length += count;
    int32_t printed = text.length - edit.position;
    print_bytes(text.data + edit.position, printed);
    // Where the printed text ended, seen from before the print: far below the last row means
    // the screen scrolled under it, and the cursor must follow from where the print left it.
    int64_t end_offset = static_cast<int64_t>(column - 1) + printed;
    int64_t end_row = row + end_offset / edit.columns;
    int64_t end_column = end_offset % edit.columns + 1;
    bool scrolled = end_row > static_cast<int64_t>(edit.rows) + 1 ||
                    (end_row == static_cast<int64_t>(edit.rows) + 1 && end_column > 1);
    if (!at_end && scrolled) {
        text_get_position(&column, &row);
        move(edit, &column, &row, count - printed);
    } else {
        move(edit, &column, &row, count);
    }
    edit.position += count;
    show_cursor();
}

// Waits for the next key; its code, extended keys as scan x 256 + 255, -1 for none.
int32_t next_key_code() {
    while (!key_waiting()) {
        if (key_input_ended()) return KEY_ENTER;  // nothing more can come: end the line
        nap_ms(KEY_POLL_MS);
    }
    return key_text_to_code(read_key_text());
}

}  // namespace

void move_cursor_by(int32_t* column, int32_t* row, int32_t delta, int32_t columns, int32_t rows) {
    if (columns < 1) columns = 1;
    int64_t x = static_cast<int64_t>(*column) - 1;
    int64_t y = static_cast<int64_t>(*row) - 1;
    int64_t a = x + delta;
    if (a < 0) {
        x = columns - a;
        y -= x / columns;
        a = columns - x % columns;
    }
    y += a / columns;
    x = a % columns;
    *column = static_cast<int32_t>(x + 1);
    *row = static_cast<int32_t>(y + 1 > INT32_MAX ? INT32_MAX
                                                  : (y + 1 < INT32_MIN ? INT32_MIN : y + 1));
    if (*row == static_cast<int64_t>(rows) + 1 && *column == 1) {
        locate_or_show(rows, columns, -1);
        print_bytes("\r\n", 2);
    } else {
        locate_or_show(*row, *column, -1);
    }
}

void edit_line(Rtstring* text) {
    EditState edit{text, 0, 0, 0};
    text_get_size(&edit.columns, &edit.rows);
    if (edit.columns < 1) edit.columns = 1;
    if (edit.rows < 1) edit.rows = 1;
    bool was_visible = (locate_or_show(0, 0, -1) & CURSOR_VISIBLE_BIT) != 0;
    hide_cursor();
    print_bytes(text->data, text->length);
    show_cursor();
    edit.position = text->length;
    // A close kept from an earlier input waits for the program, not for this edit: set aside,
    // it does not end this line at once (a program that asks again would spin).
    bool close_seen = take_close_pending() != 0;
    for (;;) {
        int32_t code = next_key_code();
        int32_t column = 1, row = 1;
        text_get_position(&column, &row);
        switch (code) {
            case KEY_CLOSE:
                // The user wants to leave: the line ends as typed, and the program is told
                // by the next key it reads.
                close_seen = true;
                [[fallthrough]];
            case KEY_ENTER:
            case CODE_LF:
                move(edit, &column, &row, text->length - edit.position);
                locate_or_show(0, 0, was_visible ? 1 : 0);
                if (close_seen) keep_close_pending();
                return;
            case KEY_BACKSPACE:
                if (edit.position > 0) {
                    move(edit, &column, &row, -1);
                    --edit.position;
                    delete_at(edit, 1, column, row);
                }
                break;
            case KEY_TAB: {
                char blanks[TAB_STOP];
                std::memset(blanks, ' ', sizeof blanks);
                insert_at(edit, blanks, TAB_STOP - edit.position % TAB_STOP, column, row);
                break;
            }
            case KEY_ESCAPE:
                move(edit, &column, &row, -edit.position);
                edit.position = 0;
                delete_at(edit, text->length, column, row);
                break;
            case KEY_HOME:
                move(edit, &column, &row, -edit.position);
                edit.position = 0;
                break;
            case KEY_END:
                move(edit, &column, &row, text->length - edit.position);
                edit.position = text->length;
                break;
            case KEY_LEFT:
                if (edit.position > 0) {
                    move(edit, &column, &row, -1);
                    --edit.position;
                }
                break;
            case KEY_RIGHT:
                if (edit.position < text->length) {
                    move(edit, &column, &row, 1);
                    ++edit.position;
                }
                break;
            case KEY_UP:
                if (edit.position >= edit.columns) {
                    move(edit, &column, &row, -edit.columns);
                    edit.position -= edit.columns;
                }
                break;
            case KEY_DOWN:
                if (static_cast<int64_t>(edit.position) + edit.columns <= text->length) {
                    move(edit, &column, &row, edit.columns);
                    edit.position += edit.columns;
                }
                break;
            case KEY_DELETE:
                if (edit.position < text->length) {
                    delete_at(edit, 1, column, row);
                } else {
                    beep();
                }
                break;
            default:
                if (code >= 32 && code <= 255) {
                    char character = static_cast<char>(code);
                    insert_at(edit, &character, 1, column, row);
                }
                break;
        }
    }
}

}  // namespace qx
