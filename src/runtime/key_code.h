// Key codes: -1 none, 0..255 a character byte, scan x 256 + 255 an extended key.
#pragma once

#include <cstdint>

#include <qx/keys.h>

#include "runtime/half_api.h"

namespace qx {

// Control-key state bits of a key event, as translate_key reads them.
constexpr uint32_t RIGHT_ALT_PRESSED = 0x1;
constexpr uint32_t LEFT_ALT_PRESSED = 0x2;
constexpr uint32_t RIGHT_CTRL_PRESSED = 0x4;
constexpr uint32_t LEFT_CTRL_PRESSED = 0x8;
constexpr uint32_t SHIFT_PRESSED = 0x10;
constexpr uint32_t ENHANCED_KEY = 0x100;

// The code a key text stands for: one byte is that character, 0xFF and a scan code an extended
// key; empty is KEY_NONE.
int32_t key_text_to_code(const KeyText& text);

// Returns the key code of one key event, or -1 (a modifier alone, an unknown key).
QX_HALF_API int32_t translate_key(uint8_t character, uint16_t scan_code, uint16_t virtual_key,
                                  uint32_t modifiers);

// Virtual keys named by the key translation and the terminal decoding.
constexpr uint16_t VK_BACK = 0x08;
constexpr uint16_t VK_TAB = 0x09;
constexpr uint16_t VK_CLEAR = 0x0C;
constexpr uint16_t VK_RETURN = 0x0D;
constexpr uint16_t VK_SHIFT = 0x10;
constexpr uint16_t VK_CONTROL = 0x11;
constexpr uint16_t VK_MENU = 0x12;
constexpr uint16_t VK_ESCAPE = 0x1B;
constexpr uint16_t VK_SPACE = 0x20;
constexpr uint16_t VK_PRIOR = 0x21;
constexpr uint16_t VK_NEXT = 0x22;
constexpr uint16_t VK_END = 0x23;
constexpr uint16_t VK_HOME = 0x24;
constexpr uint16_t VK_LEFT = 0x25;
constexpr uint16_t VK_UP = 0x26;
constexpr uint16_t VK_RIGHT = 0x27;
constexpr uint16_t VK_DOWN = 0x28;
constexpr uint16_t VK_INSERT = 0x2D;
constexpr uint16_t VK_DELETE = 0x2E;
constexpr uint16_t VK_NUMPAD0 = 0x60;
constexpr uint16_t VK_NUMPAD9 = 0x69;
constexpr uint16_t VK_MULTIPLY = 0x6A;
constexpr uint16_t VK_ADD = 0x6B;
constexpr uint16_t VK_SUBTRACT = 0x6D;
constexpr uint16_t VK_DECIMAL = 0x6E;
constexpr uint16_t VK_DIVIDE = 0x6F;
constexpr uint16_t VK_F1 = 0x70;
constexpr uint16_t VK_F4 = 0x73;
constexpr uint16_t VK_F12 = 0x7B;

// US-layout keyboard map, the stand-in for the platform's layout calls.
constexpr uint32_t MAP_VK_TO_SCAN = 0;
constexpr uint32_t MAP_VK_TO_CHAR = 2;
// MAP_VK_TO_SCAN: the key's scan code; MAP_VK_TO_CHAR: its unshifted character (letters in
// upper case). 0 when the key has none.
QX_HALF_API uint32_t map_virtual_key(uint32_t virtual_key, uint32_t map_type);
// Low byte: the virtual key typing the character; high byte: 1 Shift, 2 Ctrl, 4 Alt needed.
// -1 when no key of the layout types it.
QX_HALF_API int16_t vk_key_scan(uint8_t character);

}  // namespace qx
