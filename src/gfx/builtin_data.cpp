#include "gfx/builtin_data.h"

#include "gfx/font.h"
#include "gfx/lzw.h"
#include "gfx/palette.h"

namespace qx {

namespace {

// Static storage: the fonts and palettes point here, so unpacking cannot fail for memory.
uint8_t unpacked_block[BUILTIN_DATA_SIZE];
bool unpacked = false;

}  // namespace

extern const FontDescriptor FONT_8X8 = {8, 8, unpacked_block + BUILTIN_FONT_8X8_OFFSET};
extern const FontDescriptor FONT_8X14 = {8, 14, unpacked_block + BUILTIN_FONT_8X14_OFFSET};
extern const FontDescriptor FONT_8X16 = {8, 16, unpacked_block + BUILTIN_FONT_8X16_OFFSET};

extern const PaletteDescriptor PALETTE_2 = {2, unpacked_block + BUILTIN_PALETTE_2_OFFSET};
extern const PaletteDescriptor PALETTE_16 = {16, unpacked_block + BUILTIN_PALETTE_16_OFFSET};
extern const PaletteDescriptor PALETTE_64 = {64, unpacked_block + BUILTIN_PALETTE_64_OFFSET};
extern const PaletteDescriptor PALETTE_256 = {256, unpacked_block + BUILTIN_PALETTE_256_OFFSET};

int32_t unpack_builtin_data() {
    if (unpacked) return 0;
    size_t size = BUILTIN_DATA_SIZE;
    if (lzw_unpack(BUILTIN_DATA_PACKED, BUILTIN_DATA_PACKED_SIZE, unpacked_block, &size) != 0 ||
        size != BUILTIN_DATA_SIZE)
        return -1;
    unpacked = true;
    return 0;
}

const uint8_t* builtin_data() {
    return unpacked_block;
}

}  // namespace qx
