#include "gfx/terminal/terminal_replies.h"

#include <cstring>

namespace qx {

const char TERMINAL_QUERIES[] =
    "\x1b_Gi=31,s=1,v=1,a=q,t=d,f=24;AAAA\x1b\\"
    "\x1b[?1;1;0S\x1b[?2;4;0S"
    "\x1b[16t\x1b[14t"
    "\x1b[c";

namespace {

constexpr unsigned char ESC = 0x1B;
constexpr int32_t MAX_VALUES = 24;
constexpr int32_t VALUE_LIMIT = 1 << 20;  // larger numbers are nonsense, not sizes
constexpr int32_t LEAST_LEVEL = 60;       // DA1 first values of the VT200 family and later

enum class Shape { NONE, PARTIAL, WHOLE };

// The numbers of a parameter string "a;b;c": empty fields count 0, at most MAX_VALUES.
int32_t read_values(const unsigned char* body, size_t length, int32_t* values) {
    int32_t count = 1;
    values[0] = 0;
    for (size_t i = 0; i < length; ++i) {
        if (body[i] == ';') {
            if (count == MAX_VALUES) return count;
            values[count++] = 0;
        } else if (body[i] >= '0' && body[i] <= '9') {
            int32_t& value = values[count - 1];
            value = value > VALUE_LIMIT ? VALUE_LIMIT + 1 : value * 10 + (body[i] - '0');
        }
    }
    return count;
}

bool size_sensible(int32_t value) {
    return value > 0 && value <= VALUE_LIMIT;
}

// A CSI sequence at bytes[0]: its end (one past the final byte) when whole.
Shape csi_at(const unsigned char* bytes, size_t length, size_t* end) {
    for (size_t i = 2; i < length; ++i) {
        unsigned char c = bytes[i];
        if (c >= 0x40 && c <= 0x7E) {
            *end = i + 1;
            return Shape::WHOLE;
        }
        if (c < 0x20 || c > 0x3F) return Shape::NONE;
    }
    return Shape::PARTIAL;
}

// A CSI reply to one of the questions: recorded, true. Anything else (a key) is left.
bool take_csi(const unsigned char* bytes, size_t end, TerminalReplies* replies) {
    const unsigned char final = bytes[end - 1];
    const bool private_marker = bytes[2] == '?';
    const unsigned char* body = bytes + (private_marker ? 3 : 2);
    const size_t body_length = static_cast<size_t>(bytes + end - 1 - body);
    for (size_t i = 0; i < body_length; ++i)
        if (body[i] != ';' && (body[i] < '0' || body[i] > '9')) return false;
    int32_t values[MAX_VALUES];
    const int32_t count = read_values(body, body_length, values);
    if (private_marker && final == 'c') {
        replies->attributes = true;
        for (int32_t i = 1; i < count && values[0] >= LEAST_LEVEL; ++i)
            if (values[i] == 4) replies->sixels = true;
        return true;
    }
    if (private_marker && final == 'S') {
        // Pi ; status ; value(s): only a success (status 0) says anything.
        if (count >= 3 && values[1] == 0) {
            if (values[0] == 1 && size_sensible(values[2])) replies->color_registers = values[2];
            if (values[0] == 2 && count >= 4 && size_sensible(values[2]) &&
                size_sensible(values[3])) {
                replies->sixel_width = values[2];
                replies->sixel_height = values[3];
            }
        }
        return true;
    }
    if (!private_marker && final == 't' && count == 3 && (values[0] == 6 || values[0] == 4)) {
        if (size_sensible(values[1]) && size_sensible(values[2])) {
            (values[0] == 6 ? replies->cell_height : replies->window_height) = values[1];
            (values[0] == 6 ? replies->cell_width : replies->window_width) = values[2];
        }
        return true;
    }
    return false;
}

// An APC string at bytes[0] ("ESC _ ... ESC \"): its end when whole. Only the graphics
// protocol's ("ESC _ G") count as replies.
Shape apc_at(const unsigned char* bytes, size_t length, size_t* end) {
    if (length < 3) return Shape::PARTIAL;
    if (bytes[2] != 'G') return Shape::NONE;
    for (size_t i = 3; i + 1 < length; ++i) {
        if (bytes[i] == ESC && bytes[i + 1] == '\\') {
            *end = i + 2;
            return Shape::WHOLE;
        }
    }
    return Shape::PARTIAL;
}

void take_apc(const unsigned char* bytes, size_t end, TerminalReplies* replies) {
    static constexpr char OK[] = "\x1b_Gi=31;OK\x1b\\";
    if (end == sizeof OK - 1 && std::memcmp(bytes, OK, end) == 0) replies->kitty = true;
}

Shape reply_at(const unsigned char* bytes, size_t length, size_t* end) {
    if (length < 2) return Shape::PARTIAL;
    if (bytes[1] == '[') return csi_at(bytes, length, end);
    if (bytes[1] == '_') return apc_at(bytes, length, end);
    return Shape::NONE;
}

}  // namespace

void take_terminal_replies(unsigned char* bytes, size_t* length, TerminalReplies* replies) {
    size_t at = 0;
    while (at < *length) {
        if (bytes[at] != ESC) {
            ++at;
            continue;
        }
        size_t end = 0;
        Shape shape = reply_at(bytes + at, *length - at, &end);
        if (shape == Shape::PARTIAL) return;
        bool reply = false;
        if (shape == Shape::WHOLE) {
            if (bytes[at + 1] == '_') {
                take_apc(bytes + at, end, replies);
                reply = true;
            } else {
                reply = take_csi(bytes + at, end, replies);
            }
        }
        if (!reply) {
            at += shape == Shape::WHOLE ? end : 1;
            continue;
        }
        std::memmove(bytes + at, bytes + at + end, *length - at - end);
        *length -= end;
    }
}

bool ends_in_partial_reply(const unsigned char* bytes, size_t length) {
    for (size_t at = 0; at < length; ++at) {
        if (bytes[at] != ESC) continue;
        size_t end = 0;
        Shape shape = reply_at(bytes + at, length - at, &end);
        if (shape == Shape::PARTIAL) return true;
        if (shape == Shape::WHOLE) at += end - 1;
    }
    return false;
}

}  // namespace qx
