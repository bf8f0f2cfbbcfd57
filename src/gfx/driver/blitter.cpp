// The blitter table, the 16-bit pixel lookup and the choice of a blitter for a display.
#include "gfx/driver/blitter.h"

#include <array>
#include <cstring>
#include <tuple>

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
constexpr std::array<Blitter, BLITTER_GROUP_SIZE> PLAIN_GROUP = {
    B<PlainIndexedConvert<Display15<RedHigh>>>,
    B<PlainIndexedConvert<Display16<RedHigh>>>,
    B<PlainIndexedConvert<Display24<RedHigh>>>,
    B<PlainIndexedConvert<Display32<RedHigh>>>,
    B<PlainConvert<HicolorSource, Display15<RedHigh>>>,
    RedHigh ? B<RowCopy> : B<PlainConvert<HicolorSource, Display16<false>>>,
    B<LookupConvert<3>>,
    B<LookupConvert<4>>,
    B<PlainConvert<TruecolorSource, Display15<RedHigh>>>,
    B<PlainConvert<TruecolorSource, Display16<RedHigh>>>,
    B<PlainConvert<TruecolorSource, Display24<RedHigh>>>,
    RedHigh ? B<RowCopy> : B<PlainSwapConvert>,
};

template <bool RedHigh>
constexpr std::array<Blitter, BLITTER_GROUP_SIZE> FAST_GROUP = {
    B<FastIndexedConvert<Display15<RedHigh>>>,
    B<FastIndexedConvert<Display16<RedHigh>>>,
    B<FastIndexedConvert<Display24<RedHigh>>>,
    B<FastIndexedConvert<Display32<RedHigh>>>,
    B<FastHicolorConvert<Display15<RedHigh>>>,
    RedHigh ? B<RowCopy> : B<FastHicolorConvert<Display16<false>>>,
    B<FastLookupConvert<3>>,
    B<FastLookupConvert<4>>,
    B<FastTruecolorConvert<Display15<RedHigh>>>,
    B<FastTruecolorConvert<Display16<RedHigh>>>,
    B<FastRepackConvert<RedHigh>>,
    RedHigh ? B<RowCopy> : B<FastSwapConvert>,
};

// Source class of a framebuffer depth; -1 when no blitter reads it.
int32_t source_class(int32_t depth) {
    switch (depth) {
        case 1:
        case 2:
        case 4:
        case 8:
            return static_cast<int32_t>(SourceClass::INDEXED);
        case 16:
            return static_cast<int32_t>(SourceClass::HICOLOR);
        case 32:
            return static_cast<int32_t>(SourceClass::TRUECOLOR);
        default:
            return -1;
    }
}

constexpr std::array<Blitter, BLITTER_COUNT> make_table() {
    std::array<Blitter, BLITTER_COUNT> table{};
    for (int32_t i = 0; i < BLITTER_GROUP_SIZE; ++i) {
        table[blitter_index(false, false, SourceClass::INDEXED, 15) + i] = PLAIN_GROUP<false>[i];
        table[blitter_index(false, true, SourceClass::INDEXED, 15) + i] = PLAIN_GROUP<true>[i];
        table[blitter_index(true, false, SourceClass::INDEXED, 15) + i] = FAST_GROUP<false>[i];
        table[blitter_index(true, true, SourceClass::INDEXED, 15) + i] = FAST_GROUP<true>[i];
    }
    return table;
}

}  // namespace

constinit const std::array<Blitter, BLITTER_COUNT> BLITTER_TABLE = make_table();
static_assert(std::tuple_size_v<decltype(BLITTER_TABLE)> == 48);

constinit const Blitter ROW_COPY = B<RowCopy>;

void build_hicolor_lookup(uint32_t* lookup, int32_t red_low) {
    if (!lookup) return;
    const uint32_t* source = red_low ? HICOLOR_TABLES.red_low : HICOLOR_TABLES.red_high;
    std::memcpy(lookup, source, sizeof HICOLOR_TABLES.red_low);
}

Blitter choose_blitter(int32_t source_depth, int32_t display_depth, int32_t red_low, bool fast) {
    int32_t source = source_class(source_depth);
    if (source < 0) return nullptr;
    if (display_depth == 8) {
        return source == static_cast<int32_t>(SourceClass::INDEXED) ? ROW_COPY : nullptr;
    }
    int32_t index =
        blitter_index(fast, red_low == 0, static_cast<SourceClass>(source), display_depth);
    return index < 0 ? nullptr : BLITTER_TABLE[index];
}

Blitter select_blitter(int32_t display_depth, int32_t red_low) {
    const ScreenContext* s = screen;
    if (!s) return nullptr;
    build_hicolor_lookup(HICOLOR_LOOKUP, red_low);
    bool fast = (s->screen_flags & SCREEN_HAS_MMX) != 0 && s->scanline_size == 1;
    return choose_blitter(s->depth, display_depth, red_low, fast);
}

}  // namespace qx
