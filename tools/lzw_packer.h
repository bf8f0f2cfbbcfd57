// The packer of the runtime's LZW variant, shared by the lzw_pack tool and the tests. It fills
// the same 5021-entry table as the unpacker, here as an open-addressing hash of
// (prefix code, next byte) -> code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "gfx/lzw.h"

namespace qx {

namespace lzw_packer_detail {

// Slot holding (prefix, byte), or the free slot where it belongs.
inline int32_t find_slot(int32_t prefix, uint8_t byte) {
    int32_t index = (byte << 4) ^ prefix;
    const int32_t offset = index == 0 ? 1 : LZW_TABLE_SIZE - index;
    for (;;) {
        if (lzw_table.code_value[index] == -1) return index;
        if (lzw_table.prefix_code[index] == prefix && lzw_table.append_character[index] == byte)
            return index;
        index -= offset;
        if (index < 0) index += LZW_TABLE_SIZE;
    }
}

// Codes two to three bytes; an odd last code takes two bytes.
inline void put_codes(const std::vector<int32_t>& codes, std::vector<uint8_t>* out) {
    for (size_t k = 0; k < codes.size(); k += 2) {
        const int32_t first = codes[k];
        out->push_back(static_cast<uint8_t>(first & 0xFF));
        if (k + 1 == codes.size()) {
            out->push_back(static_cast<uint8_t>(first >> 8));
            break;
        }
        const int32_t second = codes[k + 1];
        out->push_back(static_cast<uint8_t>(first >> 8 | (second & 0x0F) << 4));
        out->push_back(static_cast<uint8_t>(second >> 4));
    }
}

}  // namespace lzw_packer_detail

// Packs data into *out (replaced). Returns 0, or -1 for empty input, which the format cannot
// express (its first code is always a literal byte).
inline int32_t lzw_pack(const uint8_t* data, size_t length, std::vector<uint8_t>* out) {
    using namespace lzw_packer_detail;
    out->clear();
    if (length == 0) return -1;
    for (int16_t& value : lzw_table.code_value)
        value = -1;

    std::vector<int32_t> codes;
    int32_t next_free = LZW_FIRST_CODE;
    int32_t string_code = data[0];
    for (size_t k = 1; k < length; ++k) {
        const uint8_t byte = data[k];
        const int32_t slot = find_slot(string_code, byte);
        if (lzw_table.code_value[slot] != -1) {
            string_code = lzw_table.code_value[slot];
            continue;
        }
        if (next_free < LZW_END_CODE) {
            lzw_table.code_value[slot] = static_cast<int16_t>(next_free++);
            lzw_table.prefix_code[slot] = static_cast<uint16_t>(string_code);
            lzw_table.append_character[slot] = byte;
        }
        codes.push_back(string_code);
        string_code = byte;
    }
    codes.push_back(string_code);
    codes.push_back(LZW_END_CODE);
    put_codes(codes, out);
    return 0;
}

}  // namespace qx
