// The built-in data block: the three fonts and the four default palettes, kept packed in the
// program and unpacked once per process.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qx {

constexpr size_t BUILTIN_DATA_SIZE = 10742;
constexpr size_t BUILTIN_FONT_8X8_OFFSET = 0;      // 256 glyphs x 8 rows
constexpr size_t BUILTIN_FONT_8X14_OFFSET = 2048;  // 256 x 14
constexpr size_t BUILTIN_FONT_8X16_OFFSET = 5632;  // 256 x 16
constexpr size_t BUILTIN_PALETTE_2_OFFSET = 9728;  // RGB triples
constexpr size_t BUILTIN_PALETTE_16_OFFSET = 9734;
constexpr size_t BUILTIN_PALETTE_64_OFFSET = 9782;
constexpr size_t BUILTIN_PALETTE_256_OFFSET = 9974;

extern const uint8_t BUILTIN_DATA_PACKED[];
extern const size_t BUILTIN_DATA_PACKED_SIZE;

// Unpacks the block on the first call (a process-wide flag); later calls return at once.
// Returns 0, or -1 if the packed block is damaged (it is fixed, so never in practice).
// Program thread only.
int32_t unpack_builtin_data();

// The unpacked block (BUILTIN_DATA_SIZE bytes); zeros until unpack_builtin_data has run.
const uint8_t* builtin_data();

}  // namespace qx
