/// @file
/// Key codes and the key operations, which read the console or the open graphics screen.
///
/// A key code is -1 (no key), 0 to 255 (a character byte), or scan code x 256 + 255 for an
/// extended key (Up is 0x48FF).
#pragma once

#include <cstdint>

#include <qx/export.h>

namespace qx {

/// No key: what the reading operations return when none is pending.
constexpr int32_t KEY_NONE = -1;
/// Alt+F4; also posted when the console or the window is closed.
constexpr int32_t KEY_CLOSE = 0x6BFF;

///@{
/// Keys that arrive as their character byte.
constexpr int32_t KEY_BACKSPACE = 8;
constexpr int32_t KEY_TAB = 9;
constexpr int32_t KEY_ENTER = 13;
constexpr int32_t KEY_ESCAPE = 27;
///@}

///@{
/// Cursor and editing keys, as extended codes (either the grey key or the keypad's).
constexpr int32_t KEY_HOME = 0x47FF;
constexpr int32_t KEY_UP = 0x48FF;
constexpr int32_t KEY_PAGE_UP = 0x49FF;
constexpr int32_t KEY_LEFT = 0x4BFF;
constexpr int32_t KEY_RIGHT = 0x4DFF;
constexpr int32_t KEY_END = 0x4FFF;
constexpr int32_t KEY_DOWN = 0x50FF;
constexpr int32_t KEY_PAGE_DOWN = 0x51FF;
constexpr int32_t KEY_INSERT = 0x52FF;
constexpr int32_t KEY_DELETE = 0x53FF;
///@}

///@{
/// Function keys without modifiers (with Shift, Ctrl or Alt they have codes of their own).
constexpr int32_t KEY_F1 = 0x3BFF;
constexpr int32_t KEY_F2 = 0x3CFF;
constexpr int32_t KEY_F3 = 0x3DFF;
constexpr int32_t KEY_F4 = 0x3EFF;
constexpr int32_t KEY_F5 = 0x3FFF;
constexpr int32_t KEY_F6 = 0x40FF;
constexpr int32_t KEY_F7 = 0x41FF;
constexpr int32_t KEY_F8 = 0x42FF;
constexpr int32_t KEY_F9 = 0x43FF;
constexpr int32_t KEY_F10 = 0x44FF;
constexpr int32_t KEY_F11 = 0x85FF;
constexpr int32_t KEY_F12 = 0x86FF;
///@}

/// A key as text: empty, one byte, or 0xFF and the scan code.
struct KeyText {
    int32_t length = 0;        ///< 0, 1 or 2
    unsigned char bytes[2]{};  ///< valid up to length
};

/// The text of a key code; never allocates.
/// @param code a key code
/// @return empty for a negative code, one byte for 0 to 255, else 0xFF and code >> 8
QX_API KeyText key_code_to_text(int32_t code);

/// Takes the next pending key as text; does not wait.
/// @return the key's text; empty when none is pending
QX_API KeyText read_key_text();
/// Takes the next pending key; does not wait.
/// @return the key's code; KEY_NONE when none is pending
QX_API int32_t read_key();
/// Waits for a key and takes it.
/// @return the key's code; KEY_NONE when the console's input has ended
QX_API int32_t wait_for_key();
/// Whether a key is pending; takes none.
/// @return non-zero while a key is pending, else 0
QX_API int32_t key_waiting();
/// Whether no key can ever come.
/// @retval 1 the keys come from the console, its input has ended (end of file) and no key is
///         pending
/// @retval 0 otherwise, and always while a graphics screen takes the keys
QX_API int32_t key_input_ended();

}  // namespace qx
