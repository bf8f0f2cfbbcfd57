#include "runtime/posix/term_key_decoder.h"

namespace qx {

namespace {

constexpr unsigned char ESC = 0x1B;
constexpr int32_t MAX_PARAMETERS = 4;
constexpr int32_t PARAMETER_LIMIT = 9999;  // larger values are nonsense; keeps parsing safe

// Code points of the bytes 0x80..0x9F of Windows-1252 (0: the byte is unassigned).
constexpr uint16_t CP1252_HIGH[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

// A key without a character: virtual key, scan code, enhanced flag.
struct NamedKey {
    uint16_t virtual_key;
    uint16_t scan_code;
    bool enhanced;
};

constexpr NamedKey NAMED_UP{VK_UP, 0x48, true}, NAMED_DOWN{VK_DOWN, 0x50, true},
    NAMED_RIGHT{VK_RIGHT, 0x4D, true}, NAMED_LEFT{VK_LEFT, 0x4B, true},
    NAMED_HOME{VK_HOME, 0x47, true}, NAMED_END{VK_END, 0x4F, true},
    NAMED_INSERT{VK_INSERT, 0x52, true}, NAMED_DELETE{VK_DELETE, 0x53, true},
    NAMED_PAGE_UP{VK_PRIOR, 0x49, true}, NAMED_PAGE_DOWN{VK_NEXT, 0x51, true},
    NAMED_PAD_5{VK_CLEAR, 0x4C, false};

NamedKey function_key(int number) {  // 1..12
    uint16_t scan = static_cast<uint16_t>(number <= 10 ? 0x3A + number : 0x57 + number - 11);
    return {static_cast<uint16_t>(VK_F1 + number - 1), scan, false};
}

// xterm modifier parameter: 1 + (1 Shift, 2 Alt, 4 Ctrl, 8 Meta).
uint32_t modifier_bits(int32_t parameter) {
    if (parameter < 2 || parameter > 16) return 0;
    uint32_t bits = static_cast<uint32_t>(parameter - 1);
    uint32_t modifiers = 0;
    if (bits & 1) modifiers |= SHIFT_PRESSED;
    if (bits & (2 | 8)) modifiers |= LEFT_ALT_PRESSED;
    if (bits & 4) modifiers |= LEFT_CTRL_PRESSED;
    return modifiers;
}

int32_t emit(ConsoleInputRecord* out, const KeyEventRecord& key) {
    out[0] = ConsoleInputRecord{KEY_EVENT, key};
    out[1] = out[0];
    out[1].key.key_down = 0;
    return 2;
}

int32_t emit_named(ConsoleInputRecord* out, NamedKey named, uint32_t modifiers) {
    KeyEventRecord key{1, 1, named.virtual_key, named.scan_code, 0, modifiers};
    if (named.enhanced) key.modifiers |= ENHANCED_KEY;
    return emit(out, key);
}

// A byte typed as a character, with the keys of the US layout that type it.
int32_t emit_character(ConsoleInputRecord* out, uint8_t byte, uint32_t extra_modifiers) {
    if (byte == 0x7F) byte = 8;  // the Backspace key of most terminals
    if (byte == '\n') byte = '\r';
    int16_t scan = vk_key_scan(byte);
    KeyEventRecord key{1, 1, 0, 0, byte, extra_modifiers};
    if (scan != -1) {
        key.virtual_key = static_cast<uint16_t>(scan & 0xFF);
        int shift_state = (scan >> 8) & 0xFF;
        if (shift_state & 1) key.modifiers |= SHIFT_PRESSED;
        if (shift_state & 2) key.modifiers |= LEFT_CTRL_PRESSED;
        if (shift_state & 4) key.modifiers |= LEFT_ALT_PRESSED;
        key.scan_code = static_cast<uint16_t>(map_virtual_key(key.virtual_key, MAP_VK_TO_SCAN));
    }
    return emit(out, key);
}

// Final letters shared by CSI and SS3: cursor keys, Home, End, F1 to F4.
bool letter_key(unsigned char final, NamedKey* named) {
    switch (final) {
        case 'A':
            *named = NAMED_UP;
            return true;
        case 'B':
            *named = NAMED_DOWN;
            return true;
        case 'C':
            *named = NAMED_RIGHT;
            return true;
        case 'D':
            *named = NAMED_LEFT;
            return true;
        case 'E':
            *named = NAMED_PAD_5;
            return true;
        case 'H':
            *named = NAMED_HOME;
            return true;
        case 'F':
            *named = NAMED_END;
            return true;
        case 'P':
        case 'Q':
        case 'R':
        case 'S':
            *named = function_key(final - 'P' + 1);
            return true;
        default:
            return false;
    }
}

bool tilde_key(int32_t number, NamedKey* named) {
    switch (number) {
        case 1:
        case 7:
            *named = NAMED_HOME;
            return true;
        case 2:
            *named = NAMED_INSERT;
            return true;
        case 3:
            *named = NAMED_DELETE;
            return true;
        case 4:
        case 8:
            *named = NAMED_END;
            return true;
        case 5:
            *named = NAMED_PAGE_UP;
            return true;
        case 6:
            *named = NAMED_PAGE_DOWN;
            return true;
        default:
            break;
    }
    if (number >= 11 && number <= 15)
        *named = function_key(number - 10);
    else if (number >= 17 && number <= 21)
        *named = function_key(number - 11);
    else if (number == 23 || number == 24)
        *named = function_key(number - 12);
    else
        return false;
    return true;
}

// Numbers separated by ';'; false for private or intermediate bytes (reports, mouse).
bool parse_parameters(const unsigned char* bytes, int32_t length, int32_t* values, int32_t* count) {
    *count = 0;
    int32_t value = 0;
    bool digits = false;
    for (int32_t i = 0; i < length; ++i) {
        unsigned char b = bytes[i];
        if (b >= '0' && b <= '9') {
            value = value * 10 + (b - '0');
            if (value > PARAMETER_LIMIT) value = PARAMETER_LIMIT;
            digits = true;
        } else if (b == ';') {
            if (*count < MAX_PARAMETERS) values[(*count)++] = digits ? value : 1;
            value = 0;
            digits = false;
        } else {
            return false;
        }
    }
    if (digits && *count < MAX_PARAMETERS) values[(*count)++] = value;
    return true;
}

// The complete sequence ESC [ body final (alt: ESC ESC [ ...). Unknown ones give nothing.
int32_t decode_csi(const unsigned char* body, int32_t length, unsigned char final, bool alt,
                   ConsoleInputRecord* out) {
    uint32_t alt_bit = alt ? LEFT_ALT_PRESSED : 0;
    if (length == 1 && body[0] == '[' && final >= 'A' && final <= 'E') {
        return emit_named(out, function_key(final - 'A' + 1), alt_bit);  // Linux console F1-F5
    }
    int32_t values[MAX_PARAMETERS];
    int32_t count;
    if (!parse_parameters(body, length, values, &count)) return 0;
    uint32_t modifiers = alt_bit | (count >= 2 ? modifier_bits(values[1]) : 0);
    NamedKey named;
    if (final == '~') {
        if (count == 0 || !tilde_key(values[0], &named)) return 0;
        return emit_named(out, named, modifiers);
    }
    if (final == 'Z' && count == 0) return emit_character(out, '\t', SHIFT_PRESSED | alt_bit);
    if (count > 0 && values[0] != 1) return 0;  // a cursor report or another answer
    if (!letter_key(final, &named)) return 0;
    return emit_named(out, named, modifiers);
}

// ESC O [modifier] final: cursor keys, F1 to F4 and the application keypad.
int32_t decode_ss3(const unsigned char* body, int32_t length, unsigned char final, bool alt,
                   ConsoleInputRecord* out) {
    uint32_t modifiers = alt ? LEFT_ALT_PRESSED : 0;
    if (length == 1 && body[0] >= '0' && body[0] <= '9')
        modifiers |= modifier_bits(body[0] - '0');
    else if (length > 0)
        return 0;
    NamedKey named;
    if (letter_key(final, &named)) return emit_named(out, named, modifiers);
    if (final >= 'p' && final <= 'y') {
        int digit = final - 'p';
        uint16_t vk = static_cast<uint16_t>(VK_NUMPAD0 + digit);
        KeyEventRecord key{1,
                           1,
                           vk,
                           static_cast<uint16_t>(map_virtual_key(vk, MAP_VK_TO_SCAN)),
                           static_cast<uint16_t>('0' + digit),
                           modifiers};
        return emit(out, key);
    }
    if (final == 'M') {
        return emit(out, KeyEventRecord{1, 1, VK_RETURN, 0x1C, '\r', modifiers | ENHANCED_KEY});
    }
    static constexpr struct {
        unsigned char final;
        uint16_t virtual_key;
        char character;
    } PAD[] = {{'j', VK_MULTIPLY, '*'},
               {'k', VK_ADD, '+'},
               {'m', VK_SUBTRACT, '-'},
               {'n', VK_DECIMAL, '.'},
               {'o', VK_DIVIDE, '/'}};
    for (const auto& pad : PAD) {
        if (pad.final != final) continue;
        uint32_t extra = pad.virtual_key == VK_DIVIDE ? ENHANCED_KEY : 0;
        return emit(out, KeyEventRecord{1, 1, pad.virtual_key,
                                        static_cast<uint16_t>(map_virtual_key(pad.virtual_key, 0)),
                                        static_cast<uint16_t>(pad.character), modifiers | extra});
    }
    return 0;
}

void clear_pending(TermKeyDecoder* decoder) {
    decoder->pending_length = 0;
    decoder->utf8_needed = 0;
    decoder->overflowed = false;
}

uint32_t utf8_code_point(const unsigned char* bytes, int32_t length) {
    uint32_t cp = bytes[0] & (0x7F >> length);
    for (int32_t i = 1; i < length; ++i)
        cp = (cp << 6) | (bytes[i] & 0x3F);
    static constexpr uint32_t SMALLEST[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < SMALLEST[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return cp;  // 0 also stands for an invalid (overlong, surrogate) sequence
}

int32_t utf8_length(unsigned char lead) {
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

// Where the key proper starts in pending: after ESC, or ESC ESC for an Alt prefix.
int32_t key_start(const TermKeyDecoder* decoder, bool* alt) {
    *alt = false;
    if (decoder->pending_length == 0 || decoder->pending[0] != ESC) return 0;
    if (decoder->pending_length >= 2 && decoder->pending[1] == ESC) {
        *alt = true;
        return 2;
    }
    *alt = true;
    return 1;
}

int32_t decode_fresh(TermKeyDecoder* decoder, uint8_t byte, ConsoleInputRecord* out);

// One more byte of the pending key (its first byte is ESC or a UTF-8 lead).
int32_t decode_continued(TermKeyDecoder* decoder, uint8_t byte, ConsoleInputRecord* out) {
    if (decoder->utf8_needed > 0) {
        if ((byte & 0xC0) != 0x80) {  // broken character: dropped, the byte starts afresh
            clear_pending(decoder);
            return decode_fresh(decoder, byte, out);
        }
        decoder->pending[decoder->pending_length++] = byte;
        if (--decoder->utf8_needed > 0) return 0;
        bool alt;
        int32_t start = key_start(decoder, &alt);
        uint8_t character = windows_1252_byte(
            utf8_code_point(decoder->pending + start, decoder->pending_length - start));
        clear_pending(decoder);
        return character ? emit_character(out, character, alt ? LEFT_ALT_PRESSED : 0) : 0;
    }
    bool alt_prefix = decoder->pending_length >= 2 && decoder->pending[1] == ESC;
    int32_t intro = alt_prefix ? 2 : 1;      // index of '[' or 'O'
    if (decoder->pending_length == intro) {  // right after ESC (or ESC ESC)
        if (byte == '[' || byte == 'O') {
            decoder->pending[decoder->pending_length++] = byte;
            return 0;
        }
        if (alt_prefix) {  // ESC ESC x: Alt+Escape, then x on its own
            clear_pending(decoder);
            int32_t n = emit_character(out, ESC, LEFT_ALT_PRESSED);
            return n + decode_fresh(decoder, byte, out + n);
        }
        if (byte == ESC) {
            decoder->pending[decoder->pending_length++] = byte;
            return 0;
        }
        if (utf8_length(byte) > 0) {
            decoder->pending[decoder->pending_length++] = byte;
            decoder->utf8_needed = utf8_length(byte) - 1;
            return 0;
        }
        clear_pending(decoder);
        return byte >= 0x80 ? 0 : emit_character(out, byte, LEFT_ALT_PRESSED);
    }
    if (byte < 0x20 || byte > 0x7E) {  // a truncated sequence: dropped, the byte starts afresh
        clear_pending(decoder);
        return decode_fresh(decoder, byte, out);
    }
    bool csi = decoder->pending[intro] == '[';
    int32_t body_start = intro + 1;
    int32_t body_length = decoder->pending_length - body_start;
    bool linux_f_key = csi && body_length == 0 && byte == '[';
    bool final = !linux_f_key && (csi ? byte >= 0x40 : (byte < '0' || byte > '9'));
    if (!final) {
        if (decoder->overflowed) return 0;
        if (decoder->pending_length == TERM_SEQUENCE_CAPACITY) {
            decoder->overflowed = true;
            return 0;
        }
        decoder->pending[decoder->pending_length++] = byte;
        return 0;
    }
    int32_t count = 0;
    if (!decoder->overflowed) {
        const unsigned char* body = decoder->pending + body_start;
        count = csi ? decode_csi(body, body_length, byte, alt_prefix, out)
                    : decode_ss3(body, body_length, byte, alt_prefix, out);
    }
    clear_pending(decoder);
    return count;
}

int32_t decode_fresh(TermKeyDecoder* decoder, uint8_t byte, ConsoleInputRecord* out) {
    bool after_cr = decoder->after_cr;
    decoder->after_cr = byte == '\r';
    if (byte == ESC) {
        decoder->pending[0] = byte;
        decoder->pending_length = 1;
        return 0;
    }
    if (byte >= 0x80) {
        int32_t length = utf8_length(byte);
        if (length == 0) return 0;  // not a UTF-8 lead byte: ignored
        decoder->pending[0] = byte;
        decoder->pending_length = 1;
        decoder->utf8_needed = length - 1;
        return 0;
    }
    if (byte == '\n' && after_cr) return 0;  // CR LF is one Enter
    return emit_character(out, byte, 0);
}

}  // namespace

uint8_t windows_1252_byte(uint32_t code_point) {
    if (code_point == 0) return 0;
    if (code_point < 0x80 || (code_point >= 0xA0 && code_point <= 0xFF)) {
        return static_cast<uint8_t>(code_point);
    }
    for (int i = 0; i < 32; ++i) {
        if (CP1252_HIGH[i] == code_point) return static_cast<uint8_t>(0x80 + i);
    }
    return 0;
}

int32_t term_decode_byte(TermKeyDecoder* decoder, uint8_t byte, ConsoleInputRecord* out) {
    if (decoder->pending_length > 0) {
        decoder->after_cr = false;
        return decode_continued(decoder, byte, out);
    }
    return decode_fresh(decoder, byte, out);
}

int32_t term_decode_flush(TermKeyDecoder* decoder, ConsoleInputRecord* out) {
    int32_t length = decoder->pending_length;
    bool overflowed = decoder->overflowed;
    bool utf8 = decoder->utf8_needed > 0;
    unsigned char first = length > 0 ? decoder->pending[0] : 0;
    unsigned char second = length > 1 ? decoder->pending[1] : 0;
    unsigned char third = length > 2 ? decoder->pending[2] : 0;
    clear_pending(decoder);
    if (overflowed || utf8 || first != ESC) return 0;
    if (length == 1) return emit_character(out, ESC, 0);
    if (length == 2 && second == ESC) return emit_character(out, ESC, LEFT_ALT_PRESSED);
    if (length == 2) return emit_character(out, second, LEFT_ALT_PRESSED);  // Alt+[ or Alt+O
    if (length == 3 && second == ESC) return emit_character(out, third, LEFT_ALT_PRESSED);
    return 0;
}

}  // namespace qx
