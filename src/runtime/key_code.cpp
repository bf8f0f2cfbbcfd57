#include <array>

#include "runtime/key_code.h"

namespace qx {

namespace {

constexpr int MAIN_ROWS = 89;
constexpr int NORMAL = 0, WITH_SHIFT = 1, WITH_CTRL = 2, WITH_ALT = 3;

using MainTable = std::array<std::array<uint16_t, 4>, MAIN_ROWS>;

// Only entries of 256 or more ever produce a result; all others stay 0.
constexpr MainTable build_main_table() {
    MainTable t{};
    auto high = [](int byte) { return static_cast<uint16_t>(byte << 8); };
    t[0x01][WITH_ALT] = high(0x01);
    for (int scan = 0x02; scan <= 0x0B; ++scan)
        t[scan][WITH_ALT] = high(0x78 + scan - 0x02);
    t[0x03][WITH_CTRL] = high(0x03);  // Ctrl+2 is the NUL key
    t[0x0C][WITH_ALT] = high(0x82);
    t[0x0D][WITH_ALT] = high(0x83);
    t[0x0E][WITH_ALT] = high(0xE0);
    t[0x0F] = {0, high(0x0F), high(0x94), high(0x0F)};
    for (int scan = 0x10; scan <= 0x1B; ++scan)
        t[scan][WITH_ALT] = high(scan);
    t[0x1C][WITH_ALT] = high(0x1C);
    for (int scan = 0x1E; scan <= 0x29; ++scan)
        t[scan][WITH_ALT] = high(scan);
    for (int scan = 0x2C; scan <= 0x35; ++scan)
        t[scan][WITH_ALT] = high(scan);
    for (int i = 0; i < 10; ++i) {
        t[0x3B + i] = {high(0x3B + i), high(0x54 + i), high(0x5E + i), high(0x68 + i)};
    }
    t[0x47] = {high(0x47), 0, high(0x77), 0};
    t[0x48] = {high(0x48), 0, high(0x8D), 0};
    t[0x49] = {high(0x49), 0, high(0x84), 0};
    t[0x4B] = {high(0x4B), 0, high(0x73), 0};
    t[0x4C] = {high(0x4C), 0, high(0x8F), high(0x4C)};
    t[0x4D] = {high(0x4D), 0, high(0x74), 0};
    t[0x4F] = {high(0x4F), 0, high(0x75), 0};
    t[0x50] = {high(0x50), 0, high(0x91), 0};
    t[0x51] = {high(0x51), 0, high(0x76), 0};
    t[0x52] = {high(0x52), 0, high(0x92), 0};
    t[0x53] = {high(0x53), 0, high(0x93), 0};
    t[0x57] = {high(0x85), high(0x87), high(0x89), high(0x8B)};
    t[0x58] = {high(0x86), high(0x88), high(0x8A), high(0x8C)};
    return t;
}

constexpr MainTable MAIN_TABLE = build_main_table();

struct EnhancedRow {
    uint16_t scan_code;
    uint16_t entries[4];  // normal, Shift, Ctrl, Alt
};

constexpr EnhancedRow ENHANCED_TABLE[] = {
    {0x1C, {0x000D, 0x000D, 0x000A, 0xA600}}, {0x35, {0x002F, 0x003F, 0x9500, 0xA400}},
    {0x47, {0x4700, 0x4700, 0x7700, 0x9700}}, {0x48, {0x4800, 0x4800, 0x8D00, 0x9800}},
    {0x49, {0x4900, 0x4900, 0x8400, 0x9900}}, {0x4B, {0x4B00, 0x4B00, 0x7300, 0x9B00}},
    {0x4D, {0x4D00, 0x4D00, 0x7400, 0x9D00}}, {0x4F, {0x4F00, 0x4F00, 0x7500, 0x9F00}},
    {0x50, {0x5000, 0x5000, 0x9100, 0xA000}}, {0x51, {0x5100, 0x5100, 0x7600, 0xA100}},
    {0x52, {0x5200, 0x5200, 0x9200, 0xA200}}, {0x53, {0x5300, 0x5300, 0x9300, 0xA300}},
};
static_assert(sizeof(ENHANCED_TABLE) / sizeof(ENHANCED_TABLE[0]) == 12);

// One key of the US layout that types characters.
struct LayoutKey {
    char normal;
    char shifted;
    uint8_t virtual_key;
    uint8_t scan_code;
};

constexpr LayoutKey LAYOUT_KEYS[] = {
    {'1', '!', '1', 0x02},   {'2', '@', '2', 0x03},   {'3', '#', '3', 0x04},
    {'4', '$', '4', 0x05},   {'5', '%', '5', 0x06},   {'6', '^', '6', 0x07},
    {'7', '&', '7', 0x08},   {'8', '*', '8', 0x09},   {'9', '(', '9', 0x0A},
    {'0', ')', '0', 0x0B},   {'-', '_', 0xBD, 0x0C},  {'=', '+', 0xBB, 0x0D},
    {'q', 'Q', 'Q', 0x10},   {'w', 'W', 'W', 0x11},   {'e', 'E', 'E', 0x12},
    {'r', 'R', 'R', 0x13},   {'t', 'T', 'T', 0x14},   {'y', 'Y', 'Y', 0x15},
    {'u', 'U', 'U', 0x16},   {'i', 'I', 'I', 0x17},   {'o', 'O', 'O', 0x18},
    {'p', 'P', 'P', 0x19},   {'[', '{', 0xDB, 0x1A},  {']', '}', 0xDD, 0x1B},
    {'a', 'A', 'A', 0x1E},   {'s', 'S', 'S', 0x1F},   {'d', 'D', 'D', 0x20},
    {'f', 'F', 'F', 0x21},   {'g', 'G', 'G', 0x22},   {'h', 'H', 'H', 0x23},
    {'j', 'J', 'J', 0x24},   {'k', 'K', 'K', 0x25},   {'l', 'L', 'L', 0x26},
    {';', ':', 0xBA, 0x27},  {'\'', '"', 0xDE, 0x28}, {'`', '~', 0xC0, 0x29},
    {'\\', '|', 0xDC, 0x2B}, {'z', 'Z', 'Z', 0x2C},   {'x', 'X', 'X', 0x2D},
    {'c', 'C', 'C', 0x2E},   {'v', 'V', 'V', 0x2F},   {'b', 'B', 'B', 0x30},
    {'n', 'N', 'N', 0x31},   {'m', 'M', 'M', 0x32},   {',', '<', 0xBC, 0x33},
    {'.', '>', 0xBE, 0x34},  {'/', '?', 0xBF, 0x35},  {' ', ' ', VK_SPACE, 0x39},
};

// Keys without a layout character: virtual key, scan code, character.
struct FixedKey {
    uint16_t virtual_key;
    uint8_t scan_code;
    uint8_t character;
};

constexpr FixedKey FIXED_KEYS[] = {
    {VK_BACK, 0x0E, 8},       {VK_TAB, 0x0F, 9},        {VK_RETURN, 0x1C, 13},
    {VK_ESCAPE, 0x01, 27},    {VK_SHIFT, 0x2A, 0},      {VK_CONTROL, 0x1D, 0},
    {VK_MENU, 0x38, 0},       {VK_CLEAR, 0x4C, 0},      {VK_PRIOR, 0x49, 0},
    {VK_NEXT, 0x51, 0},       {VK_END, 0x4F, 0},        {VK_HOME, 0x47, 0},
    {VK_LEFT, 0x4B, 0},       {VK_UP, 0x48, 0},         {VK_RIGHT, 0x4D, 0},
    {VK_DOWN, 0x50, 0},       {VK_INSERT, 0x52, 0},     {VK_DELETE, 0x53, 0},
    {0x60, 0x52, '0'},        {0x61, 0x4F, '1'},        {0x62, 0x50, '2'},
    {0x63, 0x51, '3'},        {0x64, 0x4B, '4'},        {0x65, 0x4C, '5'},
    {0x66, 0x4D, '6'},        {0x67, 0x47, '7'},        {0x68, 0x48, '8'},
    {0x69, 0x49, '9'},        {VK_MULTIPLY, 0x37, '*'}, {VK_ADD, 0x4E, '+'},
    {VK_SUBTRACT, 0x4A, '-'}, {VK_DECIMAL, 0x53, '.'},  {VK_DIVIDE, 0x35, '/'},
    {0x7A, 0x57, 0},          {0x7B, 0x58, 0},
};

// Per-character and per-virtual-key lookups, built once from the two key lists above.
struct LayoutMaps {
    std::array<int16_t, 256> key_of_character;  // vk_key_scan results
    std::array<uint8_t, 256> scan_of_key;       // MAP_VK_TO_SCAN by virtual key
    std::array<uint8_t, 256> character_of_key;  // MAP_VK_TO_CHAR by virtual key
};

constexpr LayoutMaps build_layout_maps() {
    constexpr int16_t SHIFT = 0x100, CTRL = 0x200;
    LayoutMaps maps{};
    maps.key_of_character.fill(-1);
    for (int c = 1; c <= 26; ++c)
        maps.key_of_character[c] = static_cast<int16_t>(CTRL | ('A' + c - 1));
    maps.key_of_character[8] = VK_BACK;
    maps.key_of_character[9] = VK_TAB;
    maps.key_of_character[10] = CTRL | VK_RETURN;
    maps.key_of_character[13] = VK_RETURN;
    maps.key_of_character[27] = VK_ESCAPE;
    for (const LayoutKey& key : LAYOUT_KEYS) {
        auto normal = static_cast<unsigned char>(key.normal);
        auto shifted = static_cast<unsigned char>(key.shifted);
        if (shifted != normal)
            maps.key_of_character[shifted] = static_cast<int16_t>(SHIFT | key.virtual_key);
        maps.key_of_character[normal] = key.virtual_key;
        maps.scan_of_key[key.virtual_key] = key.scan_code;
        bool letter = key.virtual_key >= 'A' && key.virtual_key <= 'Z';
        maps.character_of_key[key.virtual_key] = letter ? key.virtual_key : normal;
    }
    for (const FixedKey& key : FIXED_KEYS) {
        maps.scan_of_key[key.virtual_key] = key.scan_code;
        maps.character_of_key[key.virtual_key] = key.character;
    }
    for (int i = 0; i < 10; ++i)
        maps.scan_of_key[VK_F1 + i] = static_cast<uint8_t>(0x3B + i);
    return maps;
}

constexpr LayoutMaps LAYOUT_MAPS = build_layout_maps();

int column_of(uint32_t modifiers) {
    if (modifiers & (RIGHT_ALT_PRESSED | LEFT_ALT_PRESSED)) return WITH_ALT;
    if (modifiers & (RIGHT_CTRL_PRESSED | LEFT_CTRL_PRESSED)) return WITH_CTRL;
    if (modifiers & SHIFT_PRESSED) return WITH_SHIFT;
    return NORMAL;
}

uint32_t swap_case(uint32_t c) {
    if (c >= 'A' && c <= 'Z') return c + 32;
    if (c >= 'a' && c <= 'z') return c - 32;
    return c;
}

int32_t extended_form(uint32_t result) {
    return result >= 256 ? static_cast<int32_t>((result & 0xFF00u) | 0xFFu)
                         : static_cast<int32_t>(result);
}

}  // namespace

uint32_t map_virtual_key(uint32_t virtual_key, uint32_t map_type) {
    if (virtual_key > 0xFF) return 0;
    if (map_type == MAP_VK_TO_SCAN) return LAYOUT_MAPS.scan_of_key[virtual_key];
    if (map_type == MAP_VK_TO_CHAR) return LAYOUT_MAPS.character_of_key[virtual_key];
    return 0;
}

int16_t vk_key_scan(uint8_t character) {
    return LAYOUT_MAPS.key_of_character[character];
}

KeyText key_code_to_text(int32_t code) {
    KeyText text;
    if (code < 0) return text;
    if (code > 255) {
        text.length = 2;
        text.bytes[0] = 0xFF;
        text.bytes[1] = static_cast<unsigned char>(code >> 8);
    } else {
        text.length = 1;
        text.bytes[0] = static_cast<unsigned char>(code);
    }
    return text;
}

int32_t key_text_to_code(const KeyText& text) {
    if (text.length == 1) return text.bytes[0];
    if (text.length == 2) return text.bytes[1] * 256 + 255;
    return KEY_NONE;
}

int32_t translate_key(uint8_t character, uint16_t scan_code, uint16_t virtual_key,
                      uint32_t modifiers) {
    int column = column_of(modifiers);
    if (character == 0 && (modifiers & ENHANCED_KEY)) {
        for (const EnhancedRow& row : ENHANCED_TABLE) {
            if (row.scan_code != scan_code) continue;
            uint16_t entry = row.entries[column];
            if (column != NORMAL && entry == 0) return KEY_NONE;
            return extended_form(entry);
        }
        return KEY_NONE;
    }
    if (scan_code < MAIN_ROWS) {
        uint32_t own = map_virtual_key(virtual_key, MAP_VK_TO_CHAR) & 0xFFFFu;
        uint32_t entry = MAIN_TABLE[scan_code][column];
        if (column == NORMAL) entry = character == 0 ? MAIN_TABLE[scan_code][NORMAL] : own;
        if (entry >= 256 && (character == own || character == swap_case(own))) {
            return extended_form(entry);
        }
    }
    return character != 0 ? character : KEY_NONE;
}

}  // namespace qx
