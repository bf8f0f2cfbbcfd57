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

/// Starts an input statement: shows the prompt (with "? " when add_question is non-zero),
/// reads a line with the line editor. Sets the runtime error code.
QX_API void input_prompt(const Rtstring* prompt, int32_t add_question, int32_t add_newline);
/// The next item of the line as an integer, saturated to 32 bits (0 without digits).
QX_API void input_int(int32_t* destination);
/// Reads a whole line into destination: destination_size -1 gives a text of the line's
/// length, above 0 a fixed text of that many bytes padded with fill. Returns the runtime
/// error code.
QX_API int32_t text_line_input(const Rtstring* prompt, Rtstring* destination,
                               int32_t destination_size, int32_t fill, int32_t add_question,
                               int32_t add_newline);

}  // namespace qx
