#include "gfx/driver/blitter.h"

#include "gfx/driver/blitter_convert.h"
#include "gfx/driver/blitter_fast.h"
#include "gfx/pixel_ops.h"
#include "gfx/screen.h"

namespace qx {

namespace {

using blit::Rgb;
using blit::load;
using blit::store;

// Source readers and display writers; a row conversion is one reader and one writer. Every
// pixel of the row is converted, a width that is no multiple of the group size included.
struct ReadIndexed {
    static Rgb get(const uint8_t* row, int32_t x) {
        return blit::from_palette(screen->device_palette[row[x]]);
    }
};

struct ReadTrue {
    static Rgb get(const uint8_t* row, int32_t x) {
        return blit::from_true(load<uint32_t>(row + 4 * x));
    }
};

template <bool RedHigh>
struct Write15 {
    static void put(uint8_t* row, int32_t x, Rgb c) { store(row + 2 * x, blit::to_15<RedHigh>(c)); }
};

template <bool RedHigh>
struct Write16 {
    static void put(uint8_t* row, int32_t x, Rgb c) { store(row + 2 * x, blit::to_16<RedHigh>(c)); }
};

template <bool RedHigh>
struct Write24 {
    static void put(uint8_t* row, int32_t x, Rgb c) { blit::put_24<RedHigh>(row + 3 * x, c); }
};

template <bool RedHigh>
struct Write32 {
    static void put(uint8_t* row, int32_t x, Rgb c) { store(row + 4 * x, blit::to_32<RedHigh>(c)); }
};

template <typename Read, typename Write>
void convert_row(const uint8_t* source, uint8_t* destination, int32_t width) {
    for (int32_t x = 0; x < width; ++x) Write::put(destination, x, Read::get(source, x));
}

template <bool RedHigh>
void hicolor_to_15_row(const uint8_t* source, uint8_t* destination, int32_t width) {
    for (int32_t x = 0; x < width; ++x) {
        store(destination + 2 * x, blit::hicolor_to_15(load<uint16_t>(source + 2 * x), RedHigh));
    }
}

void hicolor_swap_row(const uint8_t* source, uint8_t* destination, int32_t width) {
    for (int32_t x = 0; x < width; ++x) {
        store(destination + 2 * x, blit::hicolor_swap(load<uint16_t>(source + 2 * x)));
    }
}

void hicolor_to_24_row(const uint8_t* source, uint8_t* destination, int32_t width) {
    for (int32_t x = 0; x < width; ++x) {
        uint32_t c = blit::hicolor_lookup(load<uint16_t>(source + 2 * x));
        destination[3 * x] = static_cast<uint8_t>(c);
        destination[3 * x + 1] = static_cast<uint8_t>(c >> 8);
        destination[3 * x + 2] = static_cast<uint8_t>(c >> 16);
    }
}

void hicolor_to_32_row(const uint8_t* source, uint8_t* destination, int32_t width) {
    for (int32_t x = 0; x < width; ++x) {
        store(destination + 4 * x, blit::hicolor_lookup(load<uint16_t>(source + 2 * x)));
    }
}

void true_swap_row(const uint8_t* source, uint8_t* destination, int32_t width) {
    for (int32_t x = 0; x < width; ++x) {
        store(destination + 4 * x, blit::true_swap(load<uint32_t>(source + 4 * x)));
    }
}

void copy_row(const uint8_t* source, uint8_t* destination, int32_t) {
    block_copy(destination, source, static_cast<size_t>(screen->pitch));
}

template <void (*Row)(const uint8_t*, uint8_t*, int32_t)>
void blit_rows(uint8_t* destination, int32_t destination_pitch) {
    blit::for_dirty_rows(destination, destination_pitch, Row);
}

template <bool RedHigh>
constexpr std::array<Blitter, 12> PLAIN_GROUP = {
    blit_rows<convert_row<ReadIndexed, Write15<RedHigh>>>,
    blit_rows<convert_row<ReadIndexed, Write16<RedHigh>>>,
    blit_rows<convert_row<ReadIndexed, Write24<RedHigh>>>,
    blit_rows<convert_row<ReadIndexed, Write32<RedHigh>>>,
    blit_rows<hicolor_to_15_row<RedHigh>>,
    RedHigh ? blit_rows<copy_row> : blit_rows<hicolor_swap_row>,
    blit_rows<hicolor_to_24_row>,
    blit_rows<hicolor_to_32_row>,
    blit_rows<convert_row<ReadTrue, Write15<RedHigh>>>,
    blit_rows<convert_row<ReadTrue, Write16<RedHigh>>>,
    blit_rows<convert_row<ReadTrue, Write24<RedHigh>>>,
    RedHigh ? blit_rows<copy_row> : blit_rows<true_swap_row>,
};

// The fast group: the same conversions, several pixels per step where the processor allows.
template <bool RedHigh>
constexpr std::array<Blitter, 12> FAST_GROUP = {
    fast::indexed_blit<15, RedHigh>,
    fast::indexed_blit<16, RedHigh>,
    fast::indexed_blit<24, RedHigh>,
    fast::indexed_blit<32, RedHigh>,
    blit_rows<fast::hicolor_to_15_row<RedHigh>>,
    RedHigh ? blit_rows<copy_row> : blit_rows<fast::hicolor_swap_row>,
    blit_rows<fast::hicolor_to_24_row>,
    blit_rows<fast::hicolor_to_32_row>,
    blit_rows<fast::true_to_16bit_row<15, RedHigh>>,
    blit_rows<fast::true_to_16bit_row<16, RedHigh>>,
    blit_rows<fast::true_to_24_row<RedHigh>>,
    RedHigh ? blit_rows<copy_row> : blit_rows<fast::true_swap_row>,
};

constexpr std::array<Blitter, 48> make_table() {
    std::array<Blitter, 48> table{};
    for (int32_t i = 0; i < 12; ++i) {
        table[i] = PLAIN_GROUP<false>[i];
        table[12 + i] = PLAIN_GROUP<true>[i];
        table[24 + i] = FAST_GROUP<false>[i];
        table[36 + i] = FAST_GROUP<true>[i];
    }
    return table;
}

bool display_served(int32_t depth) { return depth == 15 || depth == 16 || depth == 24 || depth == 32; }

}  // namespace

extern const std::array<Blitter, 48> BLITTER_TABLE = make_table();
static_assert(std::tuple_size_v<decltype(BLITTER_TABLE)> == 48, "48 blitters");
extern const Blitter ROW_COPY = blit_rows<copy_row>;

void build_hicolor_lookup(uint32_t* lookup, int32_t red_low) {
    for (uint32_t i = 0; i < 256; ++i) {
        if (red_low) {
            lookup[i] = (i & 0x1F) << 19 | (i & 0xE0) << 5;
            lookup[256 + i] = (i & 7) << 13 | (i & 0xF8);
        } else {
            lookup[i] = (i & 0x1F) << 3 | (i & 0xE0) << 5;
            lookup[256 + i] = (i & 7) << 13 | (i & 0xF8) << 16;
        }
    }
}

Blitter choose_blitter(int32_t source_depth, int32_t display_depth, int32_t red_low, bool fast) {
    bool red_high = red_low == 0;
    if (source_depth <= 8) {
        if (display_depth == 8) return ROW_COPY;
        if (!display_served(display_depth)) return nullptr;
        return BLITTER_TABLE[blitter_index(fast, red_high, SourceClass::INDEXED, display_depth)];
    }
    if (!display_served(display_depth)) return nullptr;
    if (source_depth == 16) {
        return BLITTER_TABLE[blitter_index(fast, red_high, SourceClass::HICOLOR, display_depth)];
    }
    if (source_depth == 32) {
        return BLITTER_TABLE[blitter_index(fast, red_high, SourceClass::TRUECOLOR, display_depth)];
    }
    return nullptr;
}

Blitter select_blitter(int32_t display_depth, int32_t red_low) {
    if (!screen) return nullptr;
    if (HICOLOR_LOOKUP) build_hicolor_lookup(HICOLOR_LOOKUP, red_low);
    bool fast = (screen->screen_flags & SCREEN_HAS_MMX) && screen->scanline_size == 1;
    return choose_blitter(screen->depth, display_depth, red_low, fast);
}

}  // namespace qx
