// The indexed converter's 64-pixel step, compiled for AVX-512 with byte permutes alone and
// called only where the processor has them.
#include "gfx/driver/blitter_fast.h"

#if QX_BLIT_SSE2
#include <immintrin.h>

namespace qx::blitter_detail {

namespace {

// _mm512_shuffle_i32x4 with every lane kept: the same instruction, without the undefined
// operand that this compiler's header warns about.
template <int Order>
[[gnu::target("avx512f")]] inline __m512i shuffle_lanes(__m512i a, __m512i b) {
    return _mm512_maskz_shuffle_i32x4(0xFFFF, a, b, Order);
}

}  // namespace

bool byte_permutes = __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vbmi");

[[gnu::target("avx512f,avx512bw,avx512vbmi")]] int32_t indexed_to_32_avx512(
    uint8_t* d, const uint8_t* s, int32_t width, const uint8_t (*planes)[256]) {
    // Each plane (one byte of every display pixel) is four registers; a two-register permute
    // looks up indexes 0-127 in one half and 128-255 in the other, and the index's top bit
    // picks between them.
    __m512i low[4][2], high[4][2];
    for (int k = 0; k < 4; ++k) {
        for (int half = 0; half < 2; ++half) {
            low[k][half] = _mm512_loadu_si512(planes[k] + 128 * half);
            high[k][half] = _mm512_loadu_si512(planes[k] + 128 * half + 64);
        }
    }
    int32_t i = 0;
    for (; i + 64 <= width; i += 64) {
        const __m512i index = _mm512_loadu_si512(s + i);
        const __mmask64 upper = _mm512_movepi8_mask(index);
        __m512i b[4];
        for (int k = 0; k < 4; ++k) {
            b[k] = _mm512_mask_blend_epi8(upper,
                                          _mm512_permutex2var_epi8(low[k][0], index, high[k][0]),
                                          _mm512_permutex2var_epi8(low[k][1], index, high[k][1]));
        }
        // Bytes to pixels within each 128-bit lane: pixels 0-3, 4-7, 8-11 and 12-15 of the
        // lane land in p[0..3].
        const __m512i b01l = _mm512_unpacklo_epi8(b[0], b[1]),
                      b01h = _mm512_unpackhi_epi8(b[0], b[1]);
        const __m512i b23l = _mm512_unpacklo_epi8(b[2], b[3]),
                      b23h = _mm512_unpackhi_epi8(b[2], b[3]);
        const __m512i p0 = _mm512_unpacklo_epi16(b01l, b23l),
                      p1 = _mm512_unpackhi_epi16(b01l, b23l);
        const __m512i p2 = _mm512_unpacklo_epi16(b01h, b23h),
                      p3 = _mm512_unpackhi_epi16(b01h, b23h);
        // Lane q of p0..p3 together are pixels 16q to 16q + 15.
        const __m512i t0 = shuffle_lanes<0x44>(p0, p1), t1 = shuffle_lanes<0xEE>(p0, p1);
        const __m512i t2 = shuffle_lanes<0x44>(p2, p3), t3 = shuffle_lanes<0xEE>(p2, p3);
        uint8_t* out = d + 4 * i;
        _mm512_storeu_si512(out, shuffle_lanes<0x88>(t0, t2));
        _mm512_storeu_si512(out + 64, shuffle_lanes<0xDD>(t0, t2));
        _mm512_storeu_si512(out + 128, shuffle_lanes<0x88>(t1, t3));
        _mm512_storeu_si512(out + 192, shuffle_lanes<0xDD>(t1, t3));
    }
    return i;
}

}  // namespace qx::blitter_detail
#endif
