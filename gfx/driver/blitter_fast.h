// The fast blitter rows: the plain conversions, four or eight pixels per step, with SSE2 on
// x86-64. Every output byte equals the plain converter's.
#pragma once

#include <cstdint>
#include <type_traits>

#include "gfx/driver/blitter_convert.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace qx::fast {

using blit::load;
using blit::Rgb;
using blit::store;

template <int32_t Display, bool RedHigh>
inline void put_rgb(uint8_t* destination, int32_t x, Rgb c) {
    if constexpr (Display == 15) {
        store(destination + 2 * x, blit::to_15<RedHigh>(c));
    } else if constexpr (Display == 16) {
        store(destination + 2 * x, blit::to_16<RedHigh>(c));
    } else if constexpr (Display == 24) {
        blit::put_24<RedHigh>(destination + 3 * x, c);
    } else {
        store(destination + 4 * x, blit::to_32<RedHigh>(c));
    }
}

// Indexed sources: the 256 palette entries are converted once per frame, then every pixel is
// one lookup of its display value.
template <int32_t Display, bool RedHigh>
void indexed_blit(uint8_t* destination, int32_t destination_pitch) {
    using Value = std::conditional_t<(Display == 15 || Display == 16), uint16_t, uint32_t>;
    Value converted[256];
    for (int32_t i = 0; i < 256; ++i) {
        Rgb c = blit::from_palette(screen->device_palette[i]);
        if constexpr (Display == 15) {
            converted[i] = blit::to_15<RedHigh>(c);
        } else if constexpr (Display == 16) {
            converted[i] = blit::to_16<RedHigh>(c);
        } else {
            converted[i] = blit::to_32<RedHigh>(c);  // 24: its low three bytes in memory order
        }
    }
    blit::for_dirty_rows(destination, destination_pitch,
                         [&converted](const uint8_t* source, uint8_t* row, int32_t width) {
                             int32_t x = 0;
                             if constexpr (Display == 24) {
                                 for (; x + 4 <= width; x += 4) {
                                     uint32_t a = converted[source[x]], b = converted[source[x + 1]];
                                     uint32_t c = converted[source[x + 2]], d = converted[source[x + 3]];
                                     store(row + 3 * x, (a & 0xFFFFFF) | b << 24);
                                     store(row + 3 * x + 4, (b >> 8 & 0xFFFF) | c << 16);
                                     store(row + 3 * x + 8, (c >> 16 & 0xFF) | d << 8);
                                 }
                                 for (; x < width; ++x) {
                                     uint32_t v = converted[source[x]];
                                     row[3 * x] = static_cast<uint8_t>(v);
                                     row[3 * x + 1] = static_cast<uint8_t>(v >> 8);
                                     row[3 * x + 2] = static_cast<uint8_t>(v >> 16);
                                 }
                             } else {
                                 auto* out = reinterpret_cast<Value*>(row);
                                 for (; x < width; ++x) out[x] = converted[source[x]];
                             }
                         });
}

template <bool RedHigh>
void hicolor_to_15_row(const uint8_t* source, uint8_t* destination, int32_t width) {
    int32_t x = 0;
#if defined(__SSE2__)
    const __m128i blue = _mm_set1_epi16(0x1F), green = _mm_set1_epi16(0x3E0);
    for (; x + 8 <= width; x += 8) {
        __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + 2 * x));
        __m128i r = _mm_srli_epi16(p, 11), g = _mm_and_si128(_mm_srli_epi16(p, 1), green);
        __m128i b = _mm_and_si128(p, blue);
        __m128i out = RedHigh ? _mm_or_si128(_mm_or_si128(_mm_slli_epi16(r, 10), g), b)
                              : _mm_or_si128(_mm_or_si128(_mm_slli_epi16(b, 10), g), r);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(destination + 2 * x), out);
    }
#endif
    for (; x < width; ++x) {
        store(destination + 2 * x, blit::hicolor_to_15(load<uint16_t>(source + 2 * x), RedHigh));
    }
}

inline void hicolor_swap_row(const uint8_t* source, uint8_t* destination, int32_t width) {
    int32_t x = 0;
#if defined(__SSE2__)
    const __m128i green = _mm_set1_epi16(0x7E0);
    for (; x + 8 <= width; x += 8) {
        __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + 2 * x));
        __m128i out = _mm_or_si128(_mm_or_si128(_mm_slli_epi16(p, 11), _mm_and_si128(p, green)),
                                   _mm_srli_epi16(p, 11));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(destination + 2 * x), out);
    }
#endif
    for (; x < width; ++x) {
        store(destination + 2 * x, blit::hicolor_swap(load<uint16_t>(source + 2 * x)));
    }
}

inline void hicolor_to_24_row(const uint8_t* source, uint8_t* destination, int32_t width) {
    int32_t x = 0;
    for (; x + 4 <= width; x += 4) {
        uint32_t a = blit::hicolor_lookup(load<uint16_t>(source + 2 * x));
        uint32_t b = blit::hicolor_lookup(load<uint16_t>(source + 2 * x + 2));
        uint32_t c = blit::hicolor_lookup(load<uint16_t>(source + 2 * x + 4));
        uint32_t d = blit::hicolor_lookup(load<uint16_t>(source + 2 * x + 6));
        // Four colours packed into three words, low three bytes of each in turn.
        store(destination + 3 * x, (a & 0xFFFFFF) | b << 24);
        store(destination + 3 * x + 4, (b >> 8 & 0xFFFF) | c << 16);
        store(destination + 3 * x + 8, (c >> 16 & 0xFF) | d << 8);
    }
    for (; x < width; ++x) {
        uint32_t c = blit::hicolor_lookup(load<uint16_t>(source + 2 * x));
        destination[3 * x] = static_cast<uint8_t>(c);
        destination[3 * x + 1] = static_cast<uint8_t>(c >> 8);
        destination[3 * x + 2] = static_cast<uint8_t>(c >> 16);
    }
}

// The lookup's colours come from the two channel orders; reading the order from the table
// itself keeps the shared entry serving both.
inline void hicolor_to_32_row(const uint8_t* source, uint8_t* destination, int32_t width) {
    int32_t x = 0;
#if defined(__SSE2__)
    const bool red_low = HICOLOR_LOOKUP[1] != 8;  // low[1]: blue in bits 3 or 19
    const __m128i zero = _mm_setzero_si128();
    const __m128i low5 = _mm_set1_epi32(0x1F), mid6 = _mm_set1_epi32(0x7E0),
                  top5 = _mm_set1_epi32(0xF800);
    for (; x + 8 <= width; x += 8) {
        __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + 2 * x));
        for (int half = 0; half < 2; ++half) {
            __m128i q = half ? _mm_unpackhi_epi16(p, zero) : _mm_unpacklo_epi16(p, zero);
            __m128i b = _mm_and_si128(q, low5), g = _mm_slli_epi32(_mm_and_si128(q, mid6), 5);
            __m128i r = _mm_and_si128(q, top5);
            __m128i out = red_low ? _mm_or_si128(_mm_or_si128(_mm_slli_epi32(b, 19), g),
                                                 _mm_srli_epi32(r, 8))
                                  : _mm_or_si128(_mm_or_si128(_mm_slli_epi32(b, 3), g),
                                                 _mm_slli_epi32(r, 8));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(destination + 4 * x + 16 * half), out);
        }
    }
#endif
    for (; x < width; ++x) {
        store(destination + 4 * x, blit::hicolor_lookup(load<uint16_t>(source + 2 * x)));
    }
}

template <int32_t Display, bool RedHigh>
void true_to_16bit_row(const uint8_t* source, uint8_t* destination, int32_t width) {
    int32_t x = 0;
#if defined(__SSE2__)
    const __m128i byte = _mm_set1_epi32(0xFF);
    constexpr int green_bits = Display == 16 ? 6 : 5, high_shift = Display == 16 ? 11 : 10;
    for (; x + 8 <= width; x += 8) {
        __m128i halves[2];
        for (int half = 0; half < 2; ++half) {
            __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + 4 * x + 16 * half));
            __m128i r = _mm_srli_epi32(_mm_and_si128(_mm_srli_epi32(p, 16), byte), 3);
            __m128i g = _mm_srli_epi32(_mm_and_si128(_mm_srli_epi32(p, 8), byte), 8 - green_bits);
            __m128i b = _mm_srli_epi32(_mm_and_si128(p, byte), 3);
            __m128i hi = RedHigh ? r : b, lo = RedHigh ? b : r;
            __m128i v = _mm_or_si128(_mm_or_si128(_mm_slli_epi32(hi, high_shift), _mm_slli_epi32(g, 5)), lo);
            // Sign-extend the 16-bit results so the saturating pack keeps them as they are.
            halves[half] = _mm_srai_epi32(_mm_slli_epi32(v, 16), 16);
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(destination + 2 * x),
                         _mm_packs_epi32(halves[0], halves[1]));
    }
#endif
    for (; x < width; ++x) {
        put_rgb<Display, RedHigh>(destination, x, blit::from_true(load<uint32_t>(source + 4 * x)));
    }
}

template <bool RedHigh>
void true_to_24_row(const uint8_t* source, uint8_t* destination, int32_t width) {
    for (int32_t x = 0; x < width; ++x) {
        blit::put_24<RedHigh>(destination + 3 * x, blit::from_true(load<uint32_t>(source + 4 * x)));
    }
}

inline void true_swap_row(const uint8_t* source, uint8_t* destination, int32_t width) {
    int32_t x = 0;
#if defined(__SSE2__)
    const __m128i green = _mm_set1_epi32(0xFF00), low = _mm_set1_epi32(0xFF);
    for (; x + 4 <= width; x += 4) {
        __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + 4 * x));
        __m128i out = _mm_or_si128(
            _mm_or_si128(_mm_slli_epi32(_mm_and_si128(p, low), 16), _mm_and_si128(p, green)),
            _mm_and_si128(_mm_srli_epi32(p, 16), low));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(destination + 4 * x), out);
    }
#endif
    for (; x < width; ++x) {
        store(destination + 4 * x, blit::true_swap(load<uint32_t>(source + 4 * x)));
    }
}

}  // namespace qx::fast
