// The converters' AVX2 steps, compiled for AVX2 alone and called only where the processor
// has it.
#include "gfx/driver/blitter_fast.h"

#if QX_BLIT_SSE2
#include <immintrin.h>

namespace qx::blitter_detail {

bool wide_vectors = __builtin_cpu_supports("avx2");

[[gnu::target("avx2")]] int32_t swap_red_blue_avx2(uint8_t* d, const uint8_t* s, int32_t width) {
    // Bytes B, G, R, X of each pixel become R, G, B, 0 (an index with its top bit set
    // gives 0).
    constexpr char Z = -128;
    const __m256i order = _mm256_setr_epi8(2, 1, 0, Z, 6, 5, 4, Z, 10, 9, 8, Z, 14, 13, 12, Z, 2, 1,
                                           0, Z, 6, 5, 4, Z, 10, 9, 8, Z, 14, 13, 12, Z);
    int32_t i = 0;
    for (; i + 8 <= width; i += 8) {
        const __m256i pixels = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + 4 * i));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + 4 * i),
                            _mm256_shuffle_epi8(pixels, order));
    }
    return i;
}

}  // namespace qx::blitter_detail
#endif
