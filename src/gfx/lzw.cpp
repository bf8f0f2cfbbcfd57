#include "gfx/lzw.h"

namespace qx {

LzwTable lzw_table;

namespace {

// Reads the 12-bit code number `index` of the stream, or -1 when the input ends before it.
int32_t read_code(const uint8_t* source, size_t source_length, size_t index) {
    const size_t base = index / 2 * 3;
    if (index % 2 == 0) {
        if (base + 1 >= source_length) return -1;
        return source[base] | (source[base + 1] & 0x0F) << 8;
    }
    if (base + 2 >= source_length) return -1;
    return source[base + 1] >> 4 | source[base + 2] << 4;
}

// Writes the string of `code` (defined below next_free) into stack, last byte first.
// Returns its length, or 0 when the chain is longer than any valid table allows.
size_t expand_reversed(int32_t code, uint8_t* stack) {
    size_t length = 0;
    while (code >= LZW_FIRST_CODE) {
        if (length >= LZW_MAX_CHAIN) return 0;
        stack[length++] = lzw_table.append_character[code];
        code = lzw_table.prefix_code[code];
    }
    stack[length++] = static_cast<uint8_t>(code);
    return length;
}

}  // namespace

int32_t lzw_unpack(const uint8_t* source, size_t source_length, uint8_t* destination,
                   size_t* size) {
    const size_t capacity = *size;
    size_t produced = 0;
    *size = 0;
    if (source == nullptr) return -1;

    // Nothing is learnt before the first code, so anything but a literal there is malformed.
    int32_t previous = read_code(source, source_length, 0);
    if (previous < 0 || previous >= LZW_FIRST_CODE) return -1;
    if (capacity < 1 || destination == nullptr) return -1;
    destination[produced++] = static_cast<uint8_t>(previous);

    int32_t next_free = LZW_FIRST_CODE;
    uint8_t stack[LZW_MAX_CHAIN + 1];
    for (size_t index = 1;; ++index) {
        const int32_t code = read_code(source, source_length, index);
        if (code < 0) break;  // input ended before the end code
        if (code == LZW_END_CODE) {
            *size = produced;
            return 0;
        }
        if (code > next_free) break;  // would read an undefined entry

        size_t length;
        uint8_t first;
        if (code < next_free) {
            length = expand_reversed(code, stack);
            if (length == 0) break;
            first = stack[length - 1];
            if (capacity - produced < length) break;
            for (size_t k = 0; k < length; ++k)
                destination[produced + k] = stack[length - 1 - k];
            produced += length;
        } else {
            // The code being defined right now: previous string + its own first byte.
            length = expand_reversed(previous, stack);
            if (length == 0) break;
            first = stack[length - 1];
            if (capacity - produced < length + 1) break;
            for (size_t k = 0; k < length; ++k)
                destination[produced + k] = stack[length - 1 - k];
            destination[produced + length] = first;
            produced += length + 1;
        }
        if (next_free < LZW_END_CODE) {
            lzw_table.prefix_code[next_free] = static_cast<uint16_t>(previous);
            lzw_table.append_character[next_free] = first;
            ++next_free;
        }
        previous = code;
    }
    *size = produced;
    return -1;
}

}  // namespace qx
