#include "gfx/terminal/terminal_keys.h"

#include <cstdio>
#include <cstring>

namespace qx {

namespace {

constexpr unsigned char ESC = 0x1B;
constexpr int32_t FIELDS = 3;
constexpr int32_t PARAMETER_LIMIT = 0x10FFFF;

// The kitty protocol's own numbers for the keypad keys.
constexpr int32_t KITTY_KP_0 = 57399;
constexpr int32_t KITTY_KP_ENTER = 57414;
constexpr uint8_t PAD_DIGIT_SCAN[10] = {0x52, 0x4F, 0x50, 0x51, 0x4B, 0x4C, 0x4D, 0x47, 0x48, 0x49};
// KP_DECIMAL .. KP_ENTER: the byte each types and its scan code.
constexpr char PAD_OTHER_BYTE[6] = {'.', '/', '*', '-', '+', '\r'};
constexpr uint8_t PAD_OTHER_SCAN[6] = {0x53, 0x35, 0x37, 0x4A, 0x4E, 0x1C};

// Parameters of a CSI sequence: up to three ';' fields of up to three ':' parts; -1 absent.
struct CsiFields {
    int32_t value[FIELDS][FIELDS];
};

CsiFields parse_fields(const unsigned char* body, int32_t length) {
    CsiFields fields;
    for (auto& field : fields.value)
        for (int32_t& part : field)
            part = -1;
    int32_t field = 0, part = 0;
    for (int32_t i = 0; i < length; ++i) {
        unsigned char c = body[i];
        if (c == ';') {
            ++field;
            part = 0;
        } else if (c == ':') {
            ++part;
        } else if (c >= '0' && c <= '9' && field < FIELDS && part < FIELDS) {
            int32_t& value = fields.value[field][part];
            value = value < 0 ? 0 : value;
            if (value <= PARAMETER_LIMIT / 10) value = value * 10 + (c - '0');
        }
    }
    return fields;
}

struct Emitter {
    TerminalInputSplitter* splitter;
    TerminalInputEvent* out;
    int32_t count;

    void key(const ConsoleInputRecord& record) {
        out[count] = TerminalInputEvent{};
        out[count].kind = TerminalInputKind::KEY;
        out[count].record = record;
        ++count;
    }
    void decode(uint8_t byte) {
        ConsoleInputRecord records[TERM_MAX_EVENTS];
        int32_t n = term_decode_byte(&splitter->decoder, byte, records);
        for (int32_t i = 0; i < n; ++i)
            key(records[i]);
    }
    void decode_flush() {
        ConsoleInputRecord records[TERM_MAX_EVENTS];
        int32_t n = term_decode_flush(&splitter->decoder, records);
        for (int32_t i = 0; i < n; ++i)
            key(records[i]);
    }
    void decode(const unsigned char* bytes, int32_t length) {
        for (int32_t i = 0; i < length; ++i)
            decode(bytes[i]);
    }
    void plain(TerminalInputKind kind) {
        out[count] = TerminalInputEvent{};
        out[count].kind = kind;
        ++count;
    }
};

// Scan codes of the keys a kitty release names: by its code (Escape, Enter, Tab, Backspace,
// the left and right Shift, Ctrl and Alt), by a CSI final letter, by the number before '~'.
struct ScanOf {
    int32_t key;
    uint8_t scan_code;
};
constexpr ScanOf CODE_SCANS[] = {{27, 0x01},    {13, 0x1C},    {9, 0x0F},     {127, 0x0E},
                                 {57441, 0x2A}, {57442, 0x1D}, {57443, 0x38}, {57447, 0x36},
                                 {57448, 0x1D}, {57449, 0x38}};
constexpr ScanOf LETTER_SCANS[] = {{'A', 0x48}, {'B', 0x50}, {'C', 0x4D}, {'D', 0x4B}, {'H', 0x47},
                                   {'F', 0x4F}, {'P', 0x3B}, {'Q', 0x3C}, {'R', 0x3D}, {'S', 0x3E}};
constexpr ScanOf TILDE_SCANS[] = {{2, 0x52},  {3, 0x53},  {5, 0x49},  {6, 0x51},  {7, 0x47},
                                  {8, 0x4F},  {11, 0x3B}, {12, 0x3C}, {13, 0x3D}, {14, 0x3E},
                                  {15, 0x3F}, {17, 0x40}, {18, 0x41}, {19, 0x42}, {20, 0x43},
                                  {21, 0x44}, {23, 0x57}, {24, 0x58}};

template <size_t N>
uint16_t scan_in(const ScanOf (&table)[N], int32_t key) {
    for (const ScanOf& entry : table)
        if (entry.key == key) return entry.scan_code;
    return 0;
}

uint16_t scan_of_character(int32_t code) {
    if (uint16_t scan = scan_in(CODE_SCANS, code)) return scan;
    if (code >= KITTY_KP_0 && code < KITTY_KP_0 + 10) return PAD_DIGIT_SCAN[code - KITTY_KP_0];
    if (code > KITTY_KP_0 + 9 && code <= KITTY_KP_ENTER) {
        return PAD_OTHER_SCAN[code - KITTY_KP_0 - 10];
    }
    if (code < 0x20 || code > 0x7E) return 0;
    int16_t scan = vk_key_scan(static_cast<uint8_t>(code));
    if (scan == -1) return 0;
    return static_cast<uint16_t>(
        map_virtual_key(static_cast<uint32_t>(scan & 0xFF), MAP_VK_TO_SCAN));
}

uint16_t scan_of_functional(unsigned char final, int32_t number) {
    return final == '~' ? scan_in(TILDE_SCANS, number) : scan_in(LETTER_SCANS, final);
}

// A kitty "CSI code;modifiers:event u" press: the bytes a legacy terminal would have sent go
// through the console decoder, so both roads give the same keys.
void kitty_text_press(Emitter* emit, int32_t code, int32_t modifiers) {
    uint32_t bits = modifiers > 1 ? static_cast<uint32_t>(modifiers - 1) : 0;
    bool shift = bits & 1, alt = bits & 2, ctrl = bits & 4;
    if (code >= KITTY_KP_0 && code < KITTY_KP_0 + 10) {
        int32_t digit = code - KITTY_KP_0;
        KeyEventRecord key{1,
                           1,
                           static_cast<uint16_t>(VK_NUMPAD0 + digit),
                           PAD_DIGIT_SCAN[digit],
                           static_cast<uint16_t>('0' + digit),
                           0};
        emit->key(ConsoleInputRecord{KEY_EVENT, key});
        key.key_down = 0;
        emit->key(ConsoleInputRecord{KEY_EVENT, key});
        return;
    }
    if (code > KITTY_KP_0 + 9 && code <= KITTY_KP_ENTER) {
        code = PAD_OTHER_BYTE[code - KITTY_KP_0 - 10];
    }
    if (code == 27) {
        emit->decode(ESC);
        emit->decode_flush();
        return;
    }
    if (code != 13 && code != 9 && code != 127 && (code < 0x20 || code > 0x7E)) return;
    if (ctrl && (code == 'c' || code == 'C' || code == '\\')) {
        emit->plain(TerminalInputKind::INTERRUPT);
        emit->out[emit->count - 1].quit = code == '\\';
        return;
    }
    uint8_t byte = static_cast<uint8_t>(code);
    if (shift && byte >= 'a' && byte <= 'z') byte = static_cast<uint8_t>(byte - 'a' + 'A');
    if (ctrl && ((byte >= 'a' && byte <= 'z') || (byte >= '@' && byte <= '_'))) byte &= 0x1F;
    if (alt) emit->decode(ESC);
    emit->decode(byte);
}

// A functional key with a ":event" part: a press goes to the decoder without it.
void kitty_functional_press(Emitter* emit, const CsiFields& fields, unsigned char final) {
    char legacy[32];
    int32_t number = fields.value[0][0] < 0 ? 1 : fields.value[0][0];
    int32_t modifiers = fields.value[1][0] < 0 ? 1 : fields.value[1][0];
    int n;
    if (modifiers == 1) {
        n = final == '~' ? std::snprintf(legacy, sizeof legacy, "\x1b[%d~", number)
                         : std::snprintf(legacy, sizeof legacy, "\x1b[%c", final);
    } else {
        n = std::snprintf(legacy, sizeof legacy, "\x1b[%d;%d%c", number, modifiers, final);
    }
    emit->decode(reinterpret_cast<const unsigned char*>(legacy), n);
}

void handle_csi(Emitter* emit, const unsigned char* sequence, int32_t length) {
    const unsigned char* body = sequence + 2;
    const int32_t body_length = length - 3;
    const unsigned char final = sequence[length - 1];
    if (body_length > 0 && body[0] == '<' && (final == 'M' || final == 'm')) {
        CsiFields fields = parse_fields(body + 1, body_length - 1);
        if (fields.value[0][0] < 0 || fields.value[1][0] < 1 || fields.value[2][0] < 1) return;
        emit->plain(TerminalInputKind::MOUSE);
        TerminalInputEvent& event = emit->out[emit->count - 1];
        event.mouse_code = fields.value[0][0];
        event.mouse_column = fields.value[1][0] - 1;
        event.mouse_row = fields.value[2][0] - 1;
        event.mouse_released = final == 'm';
        return;
    }
    if (body_length > 0 && body[0] == '?' && final == 'u') {
        emit->plain(TerminalInputKind::KITTY_FLAGS);
        return;
    }
    // Answers to the questions asked at open that came after the wait: device attributes,
    // graphics settings, sizes in pixels. No key ends in these.
    if ((body_length > 0 && body[0] == '?' && (final == 'c' || final == 'S')) || final == 't') {
        return;
    }
    bool has_event = std::memchr(body, ':', static_cast<size_t>(body_length)) != nullptr;
    bool functional = std::strchr("ABCDHFPQRS~", final) != nullptr && final != 0;
    if (final != 'u' && !(has_event && functional)) {
        emit->decode(sequence, length);  // an ordinary key sequence
        return;
    }
    CsiFields fields = parse_fields(body, body_length);
    int32_t code = fields.value[0][0] < 0 ? 1 : fields.value[0][0];
    int32_t modifiers = fields.value[1][0] < 0 ? 1 : fields.value[1][0];
    int32_t event_type = fields.value[1][1] < 0 ? 1 : fields.value[1][1];
    if (event_type == 3) {
        uint16_t scan = final == 'u' ? scan_of_character(code) : scan_of_functional(final, code);
        if (scan == 0) return;
        emit->plain(TerminalInputKind::KEY_RELEASE);
        emit->out[emit->count - 1].record.key.scan_code = scan;
        return;
    }
    if (final == 'u') {
        kitty_text_press(emit, code, modifiers);
    } else {
        kitty_functional_press(emit, fields, final);
    }
}

}  // namespace

int32_t terminal_input_byte(TerminalInputSplitter* splitter, uint8_t byte,
                            TerminalInputEvent* out) {
    Emitter emit{splitter, out, 0};
    bool final = byte >= 0x40 && byte <= 0x7E;
    if (splitter->overflowed) {
        if (final) splitter->overflowed = false;
        return 0;
    }
    if (splitter->in_string) {
        // ESC \ ends it; the ESC is kept in sequence[0] meanwhile.
        splitter->in_string = !(splitter->length == 1 && byte == '\\');
        splitter->length = byte == ESC ? 1 : 0;
        return 0;
    }
    if (splitter->length == 0) {
        if (byte == ESC && !term_decode_pending(&splitter->decoder)) {
            splitter->sequence[splitter->length++] = byte;
        } else {
            emit.decode(byte);
        }
        return emit.count;
    }
    if (splitter->length == 1 && byte == '_') {
        splitter->in_string = true;
        splitter->length = 0;
        return 0;
    }
    if (splitter->length == 1 && byte != '[') {
        splitter->length = 0;  // ESC + another byte: Alt, SS3 and the like are the decoder's
        emit.decode(ESC);
        emit.decode(byte);
        return emit.count;
    }
    if (byte < 0x20 || byte == 0x7F) {
        // A control byte cuts the sequence short: the decoder decides what the bytes were.
        emit.decode(splitter->sequence, splitter->length);
        splitter->length = 0;
        emit.decode(byte);
        return emit.count;
    }
    if (splitter->length == TERMINAL_INPUT_CAPACITY) {
        splitter->length = 0;
        splitter->overflowed = !final;
        return 0;
    }
    splitter->sequence[splitter->length++] = byte;
    if (final && splitter->length > 2) {
        int32_t length = splitter->length;
        splitter->length = 0;
        handle_csi(&emit, splitter->sequence, length);
    }
    return emit.count;
}

int32_t terminal_input_pause(TerminalInputSplitter* splitter, TerminalInputEvent* out) {
    Emitter emit{splitter, out, 0};
    if (splitter->length > 0) {
        emit.decode(splitter->sequence, splitter->length);
        splitter->length = 0;
    }
    splitter->overflowed = false;
    splitter->in_string = false;
    emit.decode_flush();
    return emit.count;
}

bool terminal_input_pending(const TerminalInputSplitter* splitter) {
    return splitter->length > 0 || splitter->overflowed || splitter->in_string ||
           term_decode_pending(&splitter->decoder);
}

bool apply_mouse_report(TerminalMouse* mouse, const TerminalInputEvent& report, MouseEvent* event) {
    mouse->seen = true;
    mouse->column = report.mouse_column;
    mouse->row = report.mouse_row;
    const int32_t code = report.mouse_code;
    const int32_t button = code & 3;
    MouseEvent made{MOUSE_MOVE, 0, 0, mouse->buttons, 0};
    if (code & 64) {
        if (button > 1) return false;  // sideways steps: no wheel of ours
        made.kind = MOUSE_WHEEL;
        made.wheel = button == 0 ? 1 : -1;
        mouse->wheel += made.wheel;
    } else if (!(code & 32)) {
        constexpr int32_t BUTTON_BITS[4] = {1, 4, 2, 7};  // left, middle, right, any
        const int32_t bits = BUTTON_BITS[button];
        const bool released = report.mouse_released || button == 3;
        // The old protocol's release names no button: the one held is the one let go.
        const int32_t changed = released ? (button == 3 ? mouse->buttons : bits) : bits;
        if (released) {
            mouse->buttons &= ~bits;
        } else {
            mouse->buttons |= bits;
        }
        made.kind = released ? MOUSE_RELEASE : MOUSE_PRESS;
        made.buttons = changed;
        if (changed == 0) return false;  // a release of nothing held
    } else {
        made.buttons = mouse->buttons;  // motion only
    }
    if (event != nullptr) *event = made;
    return true;
}

void key_hold_press(KeyHoldTimes* times, int32_t scan_code, int64_t now_ms) {
    if (scan_code <= 0 || scan_code >= 128) return;
    times->repeating[scan_code] =
        times->pressed[scan_code] && now_ms - times->last_press_ms[scan_code] < KEY_HOLD_FIRST_MS;
    times->last_press_ms[scan_code] = now_ms;
    times->pressed[scan_code] = true;
}

void key_hold_states(const KeyHoldTimes* times, int64_t now_ms, uint8_t* key_states) {
    for (int32_t scan = 0; scan < 128; ++scan) {
        int64_t hold = times->repeating[scan] ? KEY_HOLD_REPEAT_MS : KEY_HOLD_FIRST_MS;
        key_states[scan] =
            times->pressed[scan] && now_ms - times->last_press_ms[scan] < hold ? 1 : 0;
    }
}

}  // namespace qx
