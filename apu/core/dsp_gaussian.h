#pragma once
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <cstdint>

namespace apu {

struct GaussTables {
    uint16_t rom[512];
    // Per fraction, the four weights from the oldest sample to the newest,
    // so one lookup finds them all: times 32, so that the high half of a
    // 16-bit product is the product shifted right by 11, and, as weights
    // from 1024 up no longer fit 16 bits then, which ones wrapped.
    struct Row {
        int16_t scaled[4];
        int16_t wrapped[4];  // -1 where the scaled weight lost 65536
    };
    alignas(16) Row rows[256];
};
extern const GaussTables kGaussTables;
extern const uint16_t (&kGaussTable)[512];

// Saturation is rare, so the common case is one compare.
inline int clamp16(int x) {
    if (static_cast<int16_t>(x) != x) [[unlikely]] x = (x >> 31) ^ 0x7FFF;
    return x;
}

// 4-point interpolation of doubled 15-bit samples (oldest first) at the
// 8-bit fraction `index`. The first three products wrap at 16 bits, only the
// last addition saturates; the result keeps bit 0 clear. One product at a
// time: the portable form, and the reference of the other.
[[gnu::always_inline]] inline int gaussian_interpolate_scalar(const int16_t* s, int index) {
    const int first3 = static_cast<int16_t>(((kGaussTable[255 - index] * s[0]) >> 11) +
                                            ((kGaussTable[511 - index] * s[1]) >> 11) +
                                            ((kGaussTable[256 + index] * s[2]) >> 11));
    return clamp16(first3 + ((kGaussTable[index] * s[3]) >> 11)) & ~1;
}

#if defined(__SSE2__)
// Each product shifted right by 11 fits 16 bits, so all four are formed
// side by side as the high halves of products with the weights times 32;
// where such a weight wrapped, the high half is short by the sample itself.
[[gnu::always_inline]] inline int gaussian_interpolate_sse2(const int16_t* s, int index) {
    const GaussTables::Row& row = kGaussTables.rows[index];
    const __m128i samples = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(s));
    const __m128i high = _mm_mulhi_epi16(samples, _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row.scaled)));
    const __m128i wrapped = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row.wrapped));
    const __m128i p = _mm_add_epi16(high, _mm_and_si128(samples, wrapped));  // p0..p3
    __m128i sum = _mm_add_epi16(p, _mm_shufflelo_epi16(p, _MM_SHUFFLE(1, 1, 1, 1)));
    sum = _mm_add_epi16(sum, _mm_shufflelo_epi16(p, _MM_SHUFFLE(2, 2, 2, 2)));
    sum = _mm_adds_epi16(sum, _mm_shufflelo_epi16(p, _MM_SHUFFLE(3, 3, 3, 3)));
    return static_cast<int16_t>(_mm_cvtsi128_si32(sum)) & ~1;
}
#endif

[[gnu::always_inline]] inline int gaussian_interpolate(const int16_t* s, int index) {
#if defined(__SSE2__)
    return gaussian_interpolate_sse2(s, index);
#else
    return gaussian_interpolate_scalar(s, index);
#endif
}

}  // namespace apu
