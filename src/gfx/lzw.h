// The runtime's LZW variant: 12-bit codes packed two to three bytes, codes 0..255 literal,
// 256..4094 learnt on the way, 4095 ends the stream, no clear code.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qx {

constexpr int32_t LZW_TABLE_SIZE = 5021;  // prime: the packer hashes (prefix, byte) into it
constexpr int32_t LZW_FIRST_CODE = 256;
constexpr int32_t LZW_END_CODE = 4095;
constexpr int32_t LZW_MAX_CHAIN = 4095;  // longest string a valid table can hold

// Shared by packer and unpacker. The unpacker indexes it by code; the packer by hash, with
// code_value -1 marking a free slot.
struct LzwTable {
    int16_t code_value[LZW_TABLE_SIZE];
    uint16_t prefix_code[LZW_TABLE_SIZE];
    uint8_t append_character[LZW_TABLE_SIZE];
};

extern LzwTable lzw_table;  // process-wide; program thread only

// Unpacks source into destination. *size holds the capacity on entry and the bytes produced
// on return (also on failure). Returns 0 on success, -1 for malformed or truncated input,
// a code that is not yet defined, or output beyond the capacity.
int32_t lzw_unpack(const uint8_t* source, size_t source_length, uint8_t* destination, size_t* size);

}  // namespace qx
