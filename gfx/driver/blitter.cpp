// The blitter table, the 16-bit pixel lookup and the choice of a blitter for a display.
#include "gfx/driver/blitter.h"

#include <cstring>
#include <iterator>

#include "gfx/driver/blitter_convert.h"
#include "gfx/driver/blitter_fast.h"
#include "gfx/screen.h"

namespace qx {
namespace blitter_detail {

namespace {

constexpr HicolorTables build_hicolor_tables() {
    HicolorTables t{};
    for (uint32_t i = 0; i < 256; ++i) {
        t.red_high[i] = (i & 0x1F) << 3 | (i & 0xE0) << 5;
        t.red_high[256 + i] = (i & 7) << 13 | (i & 0xF8) << 16;
        t.red_low[i] = (i & 0x1F) << 19 | (i & 0xE0) << 5;
        t.red_low[256 + i] = (i & 7) << 13 | (i & 0xF8);
    }
    return t;
}

}  // namespace

constexpr HicolorTables HICOLOR_TABLES = build_hicolor_tables();

}  // namespace blitter_detail

namespace {

using namespace blitter_detail;

template <typename Converter>
constexpr Blitter B = blit_dirty_rows<Converter>;

// One group of twelve: source class (indexed, 16-bit, 32-bit) x display (15, 16, 24, 32).
template <bool RedHigh>
constexpr Blitter PLAIN_GROUP[BLITTER_GROUP_SIZE] = {
    B<PlainConvert<IndexedSource, Display15<RedHigh>>>,
    B<PlainConvert<IndexedSource, Display16<RedHigh>>>,
    B<PlainConvert<IndexedSource, Display24<RedHigh>>>,
    B<PlainConvert<IndexedSource, Display32<RedHigh>>>,
    B<PlainConvert<HicolorSource, Display15<RedHigh>>>,
    RedHigh ? blit_row_copy : B<PlainConvert<HicolorSource, Display16<false>>>,
    B<LookupConvert<3>>,
    B<LookupConvert<4>>,
    B<PlainConvert<TruecolorSource, Display15<RedHigh>>>,
    B<PlainConvert<TruecolorSource, Display16<RedHigh>>>,
    B<PlainConvert<TruecolorSource, Display24<RedHigh>>>,
    RedHigh ? blit_row_copy : B<PlainConvert<TruecolorSource, Display32<false>>>,
};

template <bool RedHigh>
constexpr Blitter FAST_GROUP[BLITTER_GROUP_SIZE] = {
    B<FastIndexedConvert<Display15<RedHigh>>>,
    B<FastIndexedConvert<Display16<RedHigh>>>,
    B<FastIndexedConvert<Display24<RedHigh>>>,
    B<FastIndexedConvert<Display32<RedHigh>>>,
    B<FastHicolorConvert<Display15<RedHigh>>>,
    RedHigh ? blit_row_copy : B<FastHicolorConvert<Display16<false>>>,
    B<FastLookupConvert<3>>,
    B<FastLookupConvert<4>>,
    B<FastTruecolorConvert<Display15<RedHigh>>>,
    B<FastTruecolorConvert<Display16<RedHigh>>>,
    B<FastRepackConvert<RedHigh>>,
    RedHigh ? blit_row_copy : B<FastSwapConvert>,
};

// Source class of a framebuffer depth; -1 when no blitter reads it.
int32_t source_class(int32_t depth) {
    switch (depth) {
        case 1:
        case 2:
        case 4:
        case 8:
            return static_cast<int32_t>(BlitSource::indexed);
        case 16:
            return static_cast<int32_t>(BlitSource::hicolor);
        case 32:
            return static_cast<int32_t>(BlitSource::truecolor);
        default:
            return -1;
    }
}

}  // namespace

constinit const Blitter BLITTER_TABLE[BLITTER_COUNT] = {
    // clang-format off
    PLAIN_GROUP<false>[0], PLAIN_GROUP<false>[1], PLAIN_GROUP<false>[2], PLAIN_GROUP<false>[3],
    PLAIN_GROUP<false>[4], PLAIN_GROUP<false>[5], PLAIN_GROUP<false>[6], PLAIN_GROUP<false>[7],
    PLAIN_GROUP<false>[8], PLAIN_GROUP<false>[9], PLAIN_GROUP<false>[10], PLAIN_GROUP<false>[11],
    PLAIN_GROUP<true>[0], PLAIN_GROUP<true>[1], PLAIN_GROUP<true>[2], PLAIN_GROUP<true>[3],
    PLAIN_GROUP<true>[4], PLAIN_GROUP<true>[5], PLAIN_GROUP<true>[6], PLAIN_GROUP<true>[7],
    PLAIN_GROUP<true>[8], PLAIN_GROUP<true>[9], PLAIN_GROUP<true>[10], PLAIN_GROUP<true>[11],
    FAST_GROUP<false>[0], FAST_GROUP<false>[1], FAST_GROUP<false>[2], FAST_GROUP<false>[3],
    FAST_GROUP<false>[4], FAST_GROUP<false>[5], FAST_GROUP<false>[6], FAST_GROUP<false>[7],
    FAST_GROUP<false>[8], FAST_GROUP<false>[9], FAST_GROUP<false>[10], FAST_GROUP<false>[11],
    FAST_GROUP<true>[0], FAST_GROUP<true>[1], FAST_GROUP<true>[2], FAST_GROUP<true>[3],
    FAST_GROUP<true>[4], FAST_GROUP<true>[5], FAST_GROUP<true>[6], FAST_GROUP<true>[7],
    FAST_GROUP<true>[8], FAST_GROUP<true>[9], FAST_GROUP<true>[10], FAST_GROUP<true>[11],
    // clang-format on
};
static_assert(std::size(BLITTER_TABLE) == 48);

void blit_row_copy(uint8_t* destination, int32_t destination_pitch) {
    blit_dirty_rows<RowCopy>(destination, destination_pitch);
}

void fill_hicolor_lookup(uint32_t* lookup, int32_t red_low) {
    if (!lookup) return;
    const uint32_t* source = red_low ? HICOLOR_TABLES.red_low : HICOLOR_TABLES.red_high;
    std::memcpy(lookup, source, sizeof HICOLOR_TABLES.red_low);
}

Blitter choose_blitter(int32_t display_depth, int32_t red_low, bool fast_allowed) {
    const ScreenContext* s = screen;
    if (!s) return nullptr;
    int32_t source = source_class(s->depth);
    if (source < 0) return nullptr;
    if (display_depth == 8) {
        return source == static_cast<int32_t>(BlitSource::indexed) ? blit_row_copy : nullptr;
    }
    bool fast = fast_allowed && s->scanline_size == 1;
    int32_t index =
        blitter_index(fast, red_low == 0, static_cast<BlitSource>(source), display_depth);
    return index < 0 ? nullptr : BLITTER_TABLE[index];
}

Blitter select_blitter(int32_t display_depth, int32_t red_low) {
    if (!screen) return nullptr;
    fill_hicolor_lookup(HICOLOR_LOOKUP, red_low);
    return choose_blitter(display_depth, red_low, (screen->screen_flags & SCREEN_HAS_MMX) != 0);
}

}  // namespace qx
