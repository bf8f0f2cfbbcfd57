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

/// Prints bytes to a file number, then ends the item as the mask says. An unknown file number
/// sets the runtime error code to 1 and prints nothing.
/// @param file_number 0: the console, or the open screen
/// @param text the bytes; need no terminator
/// @param length how many bytes of text; 0 or less prints none
/// @param mask PRINT_... bits: what follows the item
QX_API void print_string(int32_t file_number, const unsigned char* text, int32_t length,
                         int32_t mask);
/// Prints a zero-terminated text, as print_string.
/// @param file_number 0: the console, or the open screen
/// @param bytes the text; null prints none
/// @param mask PRINT_... bits: what follows the item
QX_API void print_cstring(int32_t file_number, const char* bytes, int32_t mask);
/// Prints a zero-terminated 16-bit text, as print_string.
/// @param file_number 0: the console, or the open screen
/// @param text16 the text; null prints none
/// @param mask PRINT_... bits: what follows the item
QX_API void print_wide_string(int32_t file_number, const uint16_t* text16, int32_t mask);

/// Moves the cursor. Sets the runtime error code: 0, or 1 (nothing moves) when row is outside
/// the view-print rows or column outside the text area.
/// @param row 1-based row; 0 keeps the current one
/// @param column 1-based column; 0 keeps the current one
/// @param visibility 0 hides the cursor, 1 shows it, -1 keeps it
/// @param result null, or gets the state word: the new column | row << 8, plus 0x10000 on the
///        console while the cursor was shown; 0 when refused
QX_API void locate(int32_t row, int32_t column, int32_t visibility, int32_t* result);
/// The text cursor's column.
/// @return the column, 1-based
QX_API int32_t text_get_column();
/// The text cursor's position.
/// @param column null, or gets the 1-based column
/// @param row null, or gets the 1-based row
QX_API void text_get_position(int32_t* column, int32_t* row);
/// The text area's size.
/// @param columns null, or gets the number of columns
/// @param rows null, or gets the number of rows
QX_API void text_get_size(int32_t* columns, int32_t* rows);
/// Limits printing and scrolling to rows top..bottom; a change moves the cursor to column 1 of
/// row top.
/// @param top first row, 1-based; 0 the first row of the area, negative keeps the current one
/// @param bottom last row, 1-based; 0 the last row of the area, negative keeps the current one
/// @return top + bottom * 65536 of the rows now in force, or 0 (nothing changes) when bottom is
///         above top or either lies outside the area
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
/// shown on a terminal that can colour text.
/// @param fg the foreground colour; negative keeps it
/// @param bg the background colour; negative keeps it
/// @return the previous colours, (background << 16) | foreground
QX_API int32_t set_color(int32_t fg, int32_t bg);
/// Clears in the background colour. The cursor goes to column 1 of the first view-print row.
/// Output that is not a terminal is left alone.
/// @param mode on a screen: 0 the whole screen, 1 the view port (the cursor stays), 2 the
///        view-print rows, or CLEAR_DEFAULT (see graphics_clear); on the console: 2 and
///        CLEAR_DEFAULT the view-print rows, any other mode the whole console window
QX_API void clear_screen(int32_t mode);

/// Starts an input statement: shows the prompt, reads a line with the line editor; input_int
/// then takes its items. Sets the runtime error code as text_line_input returns it.
/// @param prompt only read; null shows none (and no "? ")
/// @param add_question non-zero: "? " after the prompt
/// @param add_newline non-zero: a line break after the typed line
QX_API void input_prompt(const Rtstring* prompt, int32_t add_question, int32_t add_newline);
/// The same with a zero-terminated prompt.
/// @param prompt null shows none (and no "? ")
/// @param add_question non-zero: "? " after the prompt
/// @param add_newline non-zero: a line break after the typed line
QX_API void input_prompt(const char* prompt, int32_t add_question, int32_t add_newline);
/// Takes the next item of the input statement's line as an integer. Sets the runtime error
/// code to 0.
/// @param destination null (the item is skipped), or gets the item saturated to 32 bits; 0
///        without digits
QX_API void input_int(int32_t* destination);
/// Reads a whole line with the line editor after showing the prompt.
/// @param prompt only read; null shows none (and no "? ")
/// @param destination null (the line is dropped), or gets the line
/// @param destination_size 0 or less (-1 by convention): destination's old text is freed and
///        it becomes a text of the line's length; above 0: destination is a fixed text of
///        that many bytes, already allocated, that gets the line cut or padded with fill (left
///        alone when its data is null)
/// @param fill the padding byte of a fixed text
/// @param add_question non-zero: "? " after the prompt
/// @param add_newline non-zero: a line break after the typed line
/// @return the runtime error code it sets, which is 0
QX_API int32_t text_line_input(const Rtstring* prompt, Rtstring* destination,
                               int32_t destination_size, int32_t fill, int32_t add_question,
                               int32_t add_newline);
/// The same with a zero-terminated prompt.
/// @param prompt null shows none (and no "? ")
/// @param destination as above
/// @param destination_size as above
/// @param fill as above
/// @param add_question non-zero: "? " after the prompt
/// @param add_newline non-zero: a line break after the typed line
/// @return as above
QX_API int32_t text_line_input(const char* prompt, Rtstring* destination, int32_t destination_size,
                               int32_t fill, int32_t add_question, int32_t add_newline);

/// Shows the prompt as given, reads a line and ends it with a line break. A whole decimal
/// number is an optional sign and digits, with blanks around them, in the 32-bit range.
///
/// A close request (the window's close button, KEY_CLOSE) during any line input ends the line
/// as typed and stays pending: the next read_key or wait_for_key returns KEY_CLOSE.
/// @param prompt shown as given, without "? "; null shows none
/// @param value gets the number on success, else is left alone; may be null
/// @retval 0 the line was a whole decimal number
/// @retval 1 it was not
QX_API int32_t input_number(const char* prompt, int32_t* value);

}  // namespace qx
