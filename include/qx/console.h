/// @file
/// Text output and input: printing to a file number, the cursor, the view-print rows and the
/// input statement. While a graphics screen is open the same calls reach the screen.
///
/// Positions are 1-based. File number 0 is the console, or the open graphics screen.
#pragma once

#include <cstdint>

#include <qx/export.h>
#include <qx/rtstring.h>

namespace qx {

/// Print mask bits of one printed item.
constexpr int32_t PRINT_NEWLINE = 1;      ///< a line end after the item
constexpr int32_t PRINT_ZONE = 2;         ///< advance to the next print zone
constexpr int32_t PRINT_NEWLINE_ALT = 4;  ///< a line end, as PRINT_NEWLINE
constexpr int32_t PRINT_FORCE = 8;        ///< print even an empty text

/// Prints length bytes to a file number (0: the console or the screen).
QX_API void print_string(int32_t file_number, const unsigned char* text, int32_t length,
                         int32_t mask);
/// Prints a zero-terminated text.
QX_API void print_cstring(int32_t file_number, const char* bytes, int32_t mask);
/// Prints a zero-terminated 16-bit text.
QX_API void print_wide_string(int32_t file_number, const uint16_t* text16, int32_t mask);

/// Moves the cursor; a 0 row or column keeps the current one; visibility 0 hides the cursor,
/// 1 shows it, -1 keeps it. Sets the runtime error code (0 or 1); the state word goes to result
/// when given.
QX_API void locate(int32_t row, int32_t column, int32_t visibility, int32_t* result);
/// The text cursor's column (1-based).
QX_API int32_t text_get_column();
/// The text cursor's column and row (1-based); either pointer may be null.
QX_API void text_get_position(int32_t* column, int32_t* row);
/// The text area's columns and rows; either pointer may be null.
QX_API void text_get_size(int32_t* columns, int32_t* rows);
/// Limits printing and scrolling to rows top..bottom (1-based); 0, 0 resets to the whole area.
/// Returns top + bottom * 65536, or 0 when refused.
QX_API int32_t view_print(int32_t top, int32_t bottom);
/// Sounds the console bell.
QX_API void beep();

/// clear_screen without a mode: on a screen the view port when one is set, else the
/// view-print rows (the whole screen when they cover it); on the console the view-print rows.
constexpr int32_t CLEAR_DEFAULT = -65536;

/// Sets the colours of the text printed from now on (and, on a screen, of drawing without a
/// colour); a negative argument keeps that colour. On a screen colours are as its depth takes
/// them (palette.h). Without one they are the 16 console colours (0 black, 1 blue, 2 green,
/// 3 cyan, 4 red, 5 magenta, 6 brown, 7 grey, 8-15 their bright forms; larger values wrap),
/// shown on a terminal that can colour text. Returns the previous (background << 16) |
/// foreground.
QX_API int32_t set_color(int32_t fg, int32_t bg);
/// Clears in the background colour. On a screen: 0 the whole screen, 1 the view port (the
/// cursor stays), 2 the view-print rows (see graphics_clear). On the console: 2 and
/// CLEAR_DEFAULT the view-print rows, any other mode the whole console window. The cursor goes
/// to column 1 of the first view-print row. Output that is not a terminal is left alone.
QX_API void clear_screen(int32_t mode);

/// Starts an input statement: shows the prompt (with "? " when add_question is non-zero),
/// reads a line with the line editor. Sets the runtime error code. The prompt is only read;
/// null shows none.
QX_API void input_prompt(const Rtstring* prompt, int32_t add_question, int32_t add_newline);
/// The same with a zero-terminated prompt.
QX_API void input_prompt(const char* prompt, int32_t add_question, int32_t add_newline);
/// The next item of the line as an integer, saturated to 32 bits (0 without digits).
QX_API void input_int(int32_t* destination);
/// Reads a whole line into destination: destination_size -1 gives a text of the line's
/// length, above 0 a fixed text of that many bytes padded with fill. Returns the runtime
/// error code.
QX_API int32_t text_line_input(const Rtstring* prompt, Rtstring* destination,
                               int32_t destination_size, int32_t fill, int32_t add_question,
                               int32_t add_newline);
/// The same with a zero-terminated prompt.
QX_API int32_t text_line_input(const char* prompt, Rtstring* destination, int32_t destination_size,
                               int32_t fill, int32_t add_question, int32_t add_newline);

/// Shows the prompt as given (null: none), reads a line and ends it with a line break. Returns
/// 0 with the number in *value when the line is a whole decimal number in the 32-bit range
/// (an optional sign, digits, blanks around them), else 1 with *value left alone.
///
/// A close request (the window's close button, KEY_CLOSE) during any line input ends the line
/// as typed and stays pending: the next read_key or wait_for_key returns KEY_CLOSE.
QX_API int32_t input_number(const char* prompt, int32_t* value);

}  // namespace qx
