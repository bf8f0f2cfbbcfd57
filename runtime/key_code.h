// Key codes: -1 none, 0..255 a character byte, scan x 256 + 255 an extended key.
#pragma once

#include <cstdint>

namespace qx {

constexpr int32_t KEY_NONE = -1;
constexpr int32_t KEY_CLOSE = 0x6BFF;  // Alt+F4, also posted when the console or window closes

// Control-key state bits of a key event, as translate_key reads them.
constexpr uint32_t RIGHT_ALT_PRESSED = 0x1;
constexpr uint32_t LEFT_ALT_PRESSED = 0x2;
constexpr uint32_t RIGHT_CTRL_PRESSED = 0x4;
constexpr uint32_t LEFT_CTRL_PRESSED = 0x8;
constexpr uint32_t SHIFT_PRESSED = 0x10;
constexpr uint32_t ENHANCED_KEY = 0x100;

// A key as text: empty, one byte, or 0xFF and the scan code. Never allocates.
struct KeyText {
    int32_t length = 0;        // 0, 1 or 2
    unsigned char bytes[2]{};  // valid up to length
};

KeyText key_code_to_text(int32_t code);

// Returns the key code of one key event, or -1 (a modifier alone, an unknown key).
int32_t translate_key(uint8_t character, uint16_t scan_code, uint16_t virtual_key,
                      uint32_t modifiers);

}  // namespace qx
