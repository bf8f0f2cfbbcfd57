/// @file
/// Key codes and the key operations, which read the console or the open graphics screen.
///
/// A key code is -1 (no key), 0 to 255 (a character byte), or scan code x 256 + 255 for an
/// extended key (Up is 0x48FF).
#pragma once

#include <cstdint>

#include <qx/export.h>

namespace qx {

constexpr int32_t KEY_NONE = -1;
/// Alt+F4; also posted when the console or the window is closed.
constexpr int32_t KEY_CLOSE = 0x6BFF;

/// A key as text: empty, one byte, or 0xFF and the scan code.
struct KeyText {
    int32_t length = 0;        ///< 0, 1 or 2
    unsigned char bytes[2]{};  ///< valid up to length
};

/// The text of a key code; never allocates.
QX_API KeyText key_code_to_text(int32_t code);

/// The next pending key as text, empty when none is pending (does not wait).
QX_API KeyText read_key_text();
/// Waits for a key and returns its code.
QX_API int32_t wait_for_key();
/// Non-zero while a key is pending.
QX_API int32_t key_waiting();
/// 1 when the keys come from the console, its input has ended (end of file) and no key is
/// pending: no key can ever come. 0 while a graphics screen takes the keys.
QX_API int32_t key_input_ended();

}  // namespace qx
