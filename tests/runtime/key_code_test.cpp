#include <gtest/gtest.h>

#include "runtime/key_code.h"

namespace qx {
namespace {

constexpr uint32_t ALT = LEFT_ALT_PRESSED;
constexpr uint32_t CTRL = LEFT_CTRL_PRESSED;
constexpr uint32_t SHIFT = SHIFT_PRESSED;
constexpr uint32_t ENH = ENHANCED_KEY;

struct TranslateCase {
    const char* name;
    uint8_t character;
    uint16_t scan_code;
    uint16_t virtual_key;
    uint32_t modifiers;
    int32_t expected;
};

TEST(TranslateKey, MainTableCases) {
    const TranslateCase cases[] = {
        {"Up without character", 0, 0x48, VK_UP, 0, 0x48FF},
        {"Alt+a lower case", 97, 0x1E, 'A', ALT, 0x1EFF},
        {"Alt+A upper case", 65, 0x1E, 'A', ALT | SHIFT, 0x1EFF},
        {"Alt+7", 55, 0x08, '7', ALT, 0x7EFF},
        {"Alt+minus", '-', 0x0C, 0xBD, ALT, 0x82FF},
        {"Shift+A keeps the character", 65, 0x1E, 'A', SHIFT, 65},
        {"Shift alone", 0, 0x2A, VK_SHIFT, SHIFT, -1},
        {"Ctrl alone", 0, 0x1D, VK_CONTROL, CTRL, -1},
        {"F12", 0, 0x58, VK_F12, 0, 0x86FF},
        {"Ctrl+F12", 0, 0x58, VK_F12, CTRL, 0x8AFF},
        {"Shift+F1", 0, 0x3B, VK_F1, SHIFT, 0x54FF},
        {"Alt+F4 is the close code", 0, 0x3E, VK_F4, ALT, KEY_CLOSE},
        {"Shift+Tab", 9, 0x0F, VK_TAB, SHIFT, 0x0FFF},
        {"Tab", 9, 0x0F, VK_TAB, 0, 9},
        {"Ctrl+Tab", 9, 0x0F, VK_TAB, CTRL, 0x94FF},
        {"Alt+Backspace", 8, 0x0E, VK_BACK, ALT, 0xE0FF},
        {"Alt+Enter", 13, 0x1C, VK_RETURN, ALT, 0x1CFF},
        {"Alt+Esc", 27, 0x01, VK_ESCAPE, ALT, 0x01FF},
        {"Escape", 27, 0x01, VK_ESCAPE, 0, 27},
        {"Ctrl+A is a control character", 1, 0x1E, 'A', CTRL, 1},
        {"Alt wins over Ctrl", 0, 0x3B, VK_F1, ALT | CTRL, 0x68FF},
        {"Ctrl wins over Shift", 0, 0x3B, VK_F1, CTRL | SHIFT, 0x5EFF},
        {"right Alt counts as Alt", 97, 0x1E, 'A', RIGHT_ALT_PRESSED, 0x1EFF},
        {"pad 5 without Num Lock", 0, 0x4C, VK_CLEAR, 0, 0x4CFF},
        {"pad 5 with Num Lock", '5', 0x4C, 0x65, 0, '5'},
        {"Alt with a pad digit gives nothing", 0, 0x4D, 0x66, ALT, -1},
        {"Alt+character of another key", 'x', 0x1E, 'A', ALT, 'x'},
        {"scan code beyond the table", 'z', 89, 'Z', ALT, 'z'},
        {"unknown scan without character", 0, 200, 0, 0, -1},
        {"accented character passes", 0xE9, 0, 0, 0, 0xE9},
        {"Backslash key has no Alt entry", '\\', 0x2B, 0xDC, ALT, '\\'},
        {"Space with Alt", ' ', 0x39, VK_SPACE, ALT, ' '},
    };
    for (const TranslateCase& c : cases) {
        EXPECT_EQ(translate_key(c.character, c.scan_code, c.virtual_key, c.modifiers), c.expected)
            << c.name;
    }
}

TEST(TranslateKey, EnhancedTableCases) {
    const TranslateCase cases[] = {
        {"pad Enter", 0, 0x1C, VK_RETURN, ENH, 13},
        {"pad Enter with Alt", 0, 0x1C, VK_RETURN, ENH | ALT, 0xA6FF},
        {"pad Enter with Ctrl", 0, 0x1C, VK_RETURN, ENH | CTRL, 10},
        {"pad slash with Shift", 0, 0x35, VK_DIVIDE, ENH | SHIFT, 63},
        {"pad slash with Ctrl", 0, 0x35, VK_DIVIDE, ENH | CTRL, 0x95FF},
        {"gray Up", 0, 0x48, VK_UP, ENH, 0x48FF},
        {"gray Up with Ctrl", 0, 0x48, VK_UP, ENH | CTRL, 0x8DFF},
        {"gray Delete with Alt", 0, 0x53, VK_DELETE, ENH | ALT, 0xA3FF},
        {"gray Page Down with Shift", 0, 0x51, VK_NEXT, ENH | SHIFT, 0x51FF},
        {"enhanced scan not in the table", 0, 0x1D, VK_CONTROL, ENH | CTRL, -1},
        {"a character takes the main path", '/', 0x35, VK_DIVIDE, ENH, '/'},
    };
    for (const TranslateCase& c : cases) {
        EXPECT_EQ(translate_key(c.character, c.scan_code, c.virtual_key, c.modifiers), c.expected)
            << c.name;
    }
}

TEST(TranslateKey, EveryAltLetterGivesItsScanCode) {
    for (char letter = 'a'; letter <= 'z'; ++letter) {
        int16_t scan_result = vk_key_scan(static_cast<uint8_t>(letter));
        uint16_t vk = static_cast<uint16_t>(scan_result & 0xFF);
        uint16_t scan = static_cast<uint16_t>(map_virtual_key(vk, MAP_VK_TO_SCAN));
        EXPECT_EQ(translate_key(static_cast<uint8_t>(letter), scan, vk, ALT), scan * 256 + 255)
            << letter;
    }
}

TEST(KeyCodeText, Forms) {
    EXPECT_EQ(key_code_to_text(-1).length, 0);
    EXPECT_EQ(key_code_to_text(-7).length, 0);
    KeyText a = key_code_to_text('a');
    ASSERT_EQ(a.length, 1);
    EXPECT_EQ(a.bytes[0], 'a');
    KeyText zero = key_code_to_text(0);
    ASSERT_EQ(zero.length, 1);
    EXPECT_EQ(zero.bytes[0], 0);
    KeyText up = key_code_to_text(0x48FF);
    ASSERT_EQ(up.length, 2);
    EXPECT_EQ(up.bytes[0], 0xFF);
    EXPECT_EQ(up.bytes[1], 'H');
    KeyText close = key_code_to_text(KEY_CLOSE);
    ASSERT_EQ(close.length, 2);
    EXPECT_EQ(close.bytes[1], 'k');
}

TEST(KeyboardLayout, CharactersAndVirtualKeys) {
    EXPECT_EQ(vk_key_scan('a'), 'A');
    EXPECT_EQ(vk_key_scan('A'), 0x100 | 'A');
    EXPECT_EQ(vk_key_scan('!'), 0x100 | '1');
    EXPECT_EQ(vk_key_scan(','), 0xBC);
    EXPECT_EQ(vk_key_scan(3), 0x200 | 'C');
    EXPECT_EQ(vk_key_scan(13), VK_RETURN);
    EXPECT_EQ(vk_key_scan(0xE9), -1);
    EXPECT_EQ(map_virtual_key('A', MAP_VK_TO_CHAR), 'A');
    EXPECT_EQ(map_virtual_key(0xBD, MAP_VK_TO_CHAR), '-');
    EXPECT_EQ(map_virtual_key(VK_UP, MAP_VK_TO_CHAR), 0u);
    EXPECT_EQ(map_virtual_key(VK_F4, MAP_VK_TO_SCAN), 0x3Eu);
    EXPECT_EQ(map_virtual_key(0x7B, MAP_VK_TO_SCAN), 0x58u);
    EXPECT_EQ(map_virtual_key(0x65, MAP_VK_TO_CHAR), '5');
    EXPECT_EQ(map_virtual_key(0xFFFF, MAP_VK_TO_SCAN), 0u);
    EXPECT_EQ(map_virtual_key('A', 7), 0u);
}

}  // namespace
}  // namespace qx
