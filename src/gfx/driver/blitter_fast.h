// The fast row converters: the plain conversions on several pixels per step, with SSE2 on
// x86-64 and plain code elsewhere. Each finishes a row's remainder with its plain twin, so
// the output always equals the plain converter's. Internal to the blitters.
#pragma once

#include <cstdint>
#include <cstring>

#include "gfx/driver/blitter_convert.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#define QX_BLIT_SSE2 1
#endif

namespace qx::blitter_detail {

// The two lookups select_blitter can build; the fast 16-bit converter recognises them and
// computes what they hold instead of reading them.
struct HicolorTables {
    uint32_t red_high[512];
    uint32_t red_low[512];
};
extern const HicolorTables HICOLOR_TABLES;

#if QX_BLIT_SSE2
// True where the processor has AVX2 (the tests turn it off to check the narrower path too).
extern bool wide_vectors;
// Exchanges red and blue in whole steps of eight pixels; returns the pixels done.
int32_t swap_red_blue_avx2(uint8_t* d, const uint8_t* s, int32_t width);
// True where the processor has AVX-512 byte permutes (the tests turn it off as well).
extern bool byte_permutes;
// Indexed pixels to 32-bit ones through the byte planes of a palette table, in whole steps
// of 64 pixels; returns the pixels done.
int32_t indexed_to_32_avx512(uint8_t* d, const uint8_t* s, int32_t width,
                             const uint8_t (*planes)[256]);

// One channel of a pixel moved into place: shift (positive right, negative left), then mask.
template <int Shift, uint32_t Mask>
struct Move {};

template <int Shift>
inline __m128i shift32(__m128i v) {
    if constexpr (Shift > 0) return _mm_srli_epi32(v, Shift);
    if constexpr (Shift < 0) return _mm_slli_epi32(v, -Shift);
    return v;
}

template <int Shift>
inline __m128i shift16(__m128i v) {
    if constexpr (Shift > 0) return _mm_srli_epi16(v, Shift);
    if constexpr (Shift < 0) return _mm_slli_epi16(v, -Shift);
    return v;
}

template <typename... Moves>
struct Moves32;
template <int... S, uint32_t... M>
struct Moves32<Move<S, M>...> {
    static __m128i apply(__m128i v) {
        return (_mm_and_si128(shift32<S>(v), _mm_set1_epi32(static_cast<int>(M))) | ...);
    }
};

template <typename... Moves>
struct Moves16;
template <int... S, uint32_t... M>
struct Moves16<Move<S, M>...> {
    static __m128i apply(__m128i v) {
        return (_mm_and_si128(shift16<S>(v), _mm_set1_epi16(static_cast<short>(M))) | ...);
    }
};

// Four 32-bit lanes holding 16-bit values to four 16-bit lanes, keeping the bit pattern:
// sign-extend first so the signed pack does not saturate.
inline __m128i pack_low_halves(__m128i a, __m128i b) {
    a = _mm_srai_epi32(_mm_slli_epi32(a, 16), 16);
    b = _mm_srai_epi32(_mm_slli_epi32(b, 16), 16);
    return _mm_packs_epi32(a, b);
}

// Channel moves from 0x??RRGGBB to each 15/16-bit display.
template <typename Display>
struct TruecolorMoves;
template <>
struct TruecolorMoves<Display15<true>>
    : Moves32<Move<9, 0x7C00>, Move<6, 0x03E0>, Move<3, 0x001F>> {};
template <>
struct TruecolorMoves<Display15<false>>
    : Moves32<Move<-7, 0x7C00>, Move<6, 0x03E0>, Move<19, 0x001F>> {};
template <>
struct TruecolorMoves<Display16<true>>
    : Moves32<Move<8, 0xF800>, Move<5, 0x07E0>, Move<3, 0x001F>> {};
template <>
struct TruecolorMoves<Display16<false>>
    : Moves32<Move<-8, 0xF800>, Move<5, 0x07E0>, Move<19, 0x001F>> {};

using SwapMoves = Moves32<Move<16, 0xFF>, Move<0, 0xFF00>, Move<-16, 0xFF0000>>;

// 5-6-5 red-high to the 15/16-bit displays that need work.
template <typename Display>
struct HicolorMoves;
template <>
struct HicolorMoves<Display15<true>> : Moves16<Move<1, 0x7FE0>, Move<0, 0x001F>> {};
template <>
struct HicolorMoves<Display15<false>>
    : Moves16<Move<11, 0x001F>, Move<1, 0x03E0>, Move<-10, 0x7C00>> {};
template <>
struct HicolorMoves<Display16<false>>
    : Moves16<Move<11, 0x001F>, Move<0, 0x07E0>, Move<-11, 0xF800>> {};

// 5-6-5 in 32-bit lanes to the two canonical lookups' results.
using HicolorToRedHigh = Moves32<Move<-8, 0xF80000>, Move<-5, 0xFC00>, Move<-3, 0xF8>>;
using HicolorToRedLow = Moves32<Move<8, 0xF8>, Move<-5, 0xFC00>, Move<-19, 0xF80000>>;

inline __m128i load128(const uint8_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
inline void store128(uint8_t* p, __m128i v) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}
#endif

// Four 24-bit pixels (the low three bytes of each value) as three 32-bit stores.
inline void store_packed_24(uint8_t* out, const uint32_t p[4]) {
    store<uint32_t>(out, (p[0] & 0xFFFFFFu) | p[1] << 24);
    store<uint32_t>(out + 4, (p[1] >> 8 & 0xFFFFu) | p[2] << 16);
    store<uint32_t>(out + 8, (p[2] >> 16 & 0xFFu) | p[3] << 8);
}

// Indexed sources: the palette's table (kept between calls), eight pixels per step, gathered
// into 64-bit stores (16-byte ones for 32-bit pixels where SSE2 is there); 32-bit pixels go 64
// per step through the table's byte planes where the processor has AVX-512 byte permutes.
template <typename Display>
struct FastIndexedConvert : PlainIndexedConvert<Display> {
    using PlainIndexedConvert<Display>::table;
    const uint8_t (*planes)[256] = nullptr;

    bool prepare(const ScreenContext& s) {
        if (!PlainIndexedConvert<Display>::prepare(s)) return false;
        planes = palette_table<Display>.planes;
        return true;
    }

    void row(uint8_t* d, const uint8_t* s, int32_t width) const {
        int32_t i = 0;
        if constexpr (Display::bytes == 3) {
            for (; i + 4 <= width; i += 4) {
                const uint32_t p[4] = {table[s[i]], table[s[i + 1]], table[s[i + 2]],
                                       table[s[i + 3]]};
                store_packed_24(d + 3 * i, p);
            }
        } else if constexpr (Display::bytes == 4) {
#if QX_BLIT_SSE2
            if (byte_permutes) i = indexed_to_32_avx512(d, s, width, planes);
            // Four lookups gathered into one 16-byte store: half the stores of the 64-bit
            // pairs and no shifts to merge them. The lookups keep the load units busy, so the
            // eight indexes come from one load taken apart by shifts, and each entry goes
            // straight into a vector register (8 % faster than byte loads and moves).
            const uint32_t* const colours = table;
            const auto four = [colours](uint32_t a, uint32_t b, uint32_t c, uint32_t e) {
                const auto entry = [colours](uint32_t index) {
                    return _mm_loadu_si32(colours + index);
                };
                return _mm_unpacklo_epi64(_mm_unpacklo_epi32(entry(a), entry(b)),
                                          _mm_unpacklo_epi32(entry(c), entry(e)));
            };
            for (; i + 8 <= width; i += 8) {
                const uint8_t* in = s + i;
                const uint64_t v = load<uint64_t>(in);  // x86: in[0] is the low byte
                uint8_t* out = d + 4 * i;
                store128(out, four(v & 0xFF, v >> 8 & 0xFF, v >> 16 & 0xFF, v >> 24 & 0xFF));
                store128(out + 16, four(v >> 32 & 0xFF, v >> 40 & 0xFF, v >> 48 & 0xFF, v >> 56));
            }
#endif
            for (; i + 8 <= width; i += 8) {
                const uint8_t* in = s + i;
                uint8_t* out = d + 4 * i;
                store<uint64_t>(out, table[in[0]] | uint64_t{table[in[1]]} << 32);
                store<uint64_t>(out + 8, table[in[2]] | uint64_t{table[in[3]]} << 32);
                store<uint64_t>(out + 16, table[in[4]] | uint64_t{table[in[5]]} << 32);
                store<uint64_t>(out + 24, table[in[6]] | uint64_t{table[in[7]]} << 32);
            }
        } else {
            for (; i + 8 <= width; i += 8) {
                const uint8_t* in = s + i;
                uint8_t* out = d + 2 * i;
                store<uint64_t>(out, table[in[0]] | uint64_t{table[in[1]]} << 16 |
                                         uint64_t{table[in[2]]} << 32 |
                                         uint64_t{table[in[3]]} << 48);
                store<uint64_t>(out + 8, table[in[4]] | uint64_t{table[in[5]]} << 16 |
                                             uint64_t{table[in[6]]} << 32 |
                                             uint64_t{table[in[7]]} << 48);
            }
        }
        PlainIndexedConvert<Display>::row(d + Display::bytes * i, s + i, width - i);
    }
};

// 16-bit sources to 15/16-bit displays: eight pixels per step.
template <typename Display>
struct FastHicolorConvert {
    bool prepare(const ScreenContext&) { return true; }
    void row(uint8_t* d, const uint8_t* s, int32_t width) const {
        int32_t i = 0;
#if QX_BLIT_SSE2
        for (; i + 8 <= width; i += 8) {
            store128(d + 2 * i, HicolorMoves<Display>::apply(load128(s + 2 * i)));
        }
#endif
        PlainConvert<HicolorSource, Display>::convert(d + 2 * i, s + 2 * i, width - i, nullptr);
    }
};

// 16-bit sources to 24/32-bit displays. A lookup select_blitter built is computed directly;
// any other is read entry by entry.
template <size_t Bytes>
struct FastLookupConvert {
    const uint32_t* lookup = nullptr;
    int order = 0;  // 0 unknown lookup, 1 red-high, 2 red-low

    bool prepare(const ScreenContext&) {
        lookup = HICOLOR_LOOKUP;
        if (!lookup) return false;
        if (std::memcmp(lookup, HICOLOR_TABLES.red_high, sizeof HICOLOR_TABLES.red_high) == 0) {
            order = 1;
        } else if (std::memcmp(lookup, HICOLOR_TABLES.red_low, sizeof HICOLOR_TABLES.red_low) ==
                   0) {
            order = 2;
        }
        return true;
    }
    void row(uint8_t* d, const uint8_t* s, int32_t width) const {
        int32_t i = 0;
        if constexpr (Bytes == 3) {
#if QX_BLIT_SSE2
            if (order == 1) {
                i = convert_simd_24<HicolorToRedHigh>(d, s, width);
            } else if (order == 2) {
                i = convert_simd_24<HicolorToRedLow>(d, s, width);
            }
#endif
            for (; i + 4 <= width; i += 4) {
                uint32_t p[4];
                for (int k = 0; k < 4; ++k) {
                    uint16_t v = load<uint16_t>(s + 2 * (i + k));
                    p[k] = lookup[v & 0xFF] | lookup[256 + (v >> 8)];
                }
                store_packed_24(d + 3 * i, p);
            }
        }
#if QX_BLIT_SSE2
        if constexpr (Bytes == 4) {
            if (order == 1) {
                i = convert_simd<HicolorToRedHigh>(d, s, width);
            } else if (order == 2) {
                i = convert_simd<HicolorToRedLow>(d, s, width);
            }
        }
#endif
        LookupConvert<Bytes>::convert(d + Bytes * i, s + 2 * i, width - i, lookup);
    }
#if QX_BLIT_SSE2
    template <typename Moves>
    static int32_t convert_simd(uint8_t* d, const uint8_t* s, int32_t width) {
        const __m128i zero = _mm_setzero_si128();
        int32_t i = 0;
        for (; i + 8 <= width; i += 8) {
            __m128i p = load128(s + 2 * i);
            store128(d + 4 * i, Moves::apply(_mm_unpacklo_epi16(p, zero)));
            store128(d + 4 * i + 16, Moves::apply(_mm_unpackhi_epi16(p, zero)));
        }
        return i;
    }
    template <typename Moves>
    static int32_t convert_simd_24(uint8_t* d, const uint8_t* s, int32_t width) {
        const __m128i zero = _mm_setzero_si128();
        alignas(16) uint32_t colours[8];
        int32_t i = 0;
        for (; i + 8 <= width; i += 8) {
            __m128i p = load128(s + 2 * i);
            _mm_store_si128(reinterpret_cast<__m128i*>(colours),
                            Moves::apply(_mm_unpacklo_epi16(p, zero)));
            _mm_store_si128(reinterpret_cast<__m128i*>(colours + 4),
                            Moves::apply(_mm_unpackhi_epi16(p, zero)));
            store_packed_24(d + 3 * i, colours);
            store_packed_24(d + 3 * i + 12, colours + 4);
        }
        return i;
    }
#endif
};

// 32-bit sources to 15/16-bit displays: eight pixels per step, packed to one store.
template <typename Display>
struct FastTruecolorConvert {
    bool prepare(const ScreenContext&) { return true; }
    void row(uint8_t* d, const uint8_t* s, int32_t width) const {
        int32_t i = 0;
#if QX_BLIT_SSE2
        for (; i + 8 <= width; i += 8) {
            __m128i a = TruecolorMoves<Display>::apply(load128(s + 4 * i));
            __m128i b = TruecolorMoves<Display>::apply(load128(s + 4 * i + 16));
            store128(d + 2 * i, pack_low_halves(a, b));
        }
#endif
        PlainConvert<TruecolorSource, Display>::convert(d + 2 * i, s + 4 * i, width - i, nullptr);
    }
};

// 32-bit sources to a 24-bit display: four pixels become three words.
template <bool RedHigh>
struct FastRepackConvert {
    bool prepare(const ScreenContext&) { return true; }
    void row(uint8_t* d, const uint8_t* s, int32_t width) const {
        int32_t i = 0;
#if QX_BLIT_SSE2
        if constexpr (!RedHigh) {
            alignas(16) uint32_t p[4];
            for (; i + 4 <= width; i += 4) {
                _mm_store_si128(reinterpret_cast<__m128i*>(p),
                                SwapMoves::apply(load128(s + 4 * i)));
                store_packed_24(d + 3 * i, p);
            }
        }
#endif
        for (; i + 4 <= width; i += 4) {
            uint32_t p[4];
            for (int k = 0; k < 4; ++k) {
                uint32_t v = load<uint32_t>(s + 4 * (i + k));
                p[k] = RedHigh ? v : swap_red_blue(v);
            }
            store_packed_24(d + 3 * i, p);
        }
        PlainConvert<TruecolorSource, Display24<RedHigh>>::convert(d + 3 * i, s + 4 * i, width - i,
                                                                   nullptr);
    }
};

// 32-bit red/blue exchange: eight pixels per step with AVX2 (one byte shuffle), else four.
struct FastSwapConvert {
    bool prepare(const ScreenContext&) { return true; }
    void row(uint8_t* d, const uint8_t* s, int32_t width) const {
        int32_t i = 0;
#if QX_BLIT_SSE2
        if (wide_vectors) i = swap_red_blue_avx2(d, s, width);
        for (; i + 4 <= width; i += 4)
            store128(d + 4 * i, SwapMoves::apply(load128(s + 4 * i)));
#endif
        PlainSwapConvert::convert(d + 4 * i, s + 4 * i, width - i);
    }
};

}  // namespace qx::blitter_detail
