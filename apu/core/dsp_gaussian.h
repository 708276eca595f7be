#pragma once
#include <emmintrin.h>

#include <cstdint>

namespace apu {

struct GaussTables {
    uint16_t rom[512];
    // Per fraction, the four weights from the oldest sample to the newest,
    // so one lookup finds them all.
    alignas(8) int16_t rows[256][4];
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
// last addition saturates; the result keeps bit 0 clear. With weights of at
// most 1305 every product fits 16 bits after its shift, so all four are
// formed side by side.
inline int gaussian_interpolate(const int16_t* s, int index) {
    const __m128i samples = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(s));
    const __m128i weights = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(kGaussTables.rows[index]));
    const __m128i wide = _mm_unpacklo_epi16(_mm_mullo_epi16(samples, weights), _mm_mulhi_epi16(samples, weights));
    const __m128i p = _mm_packs_epi32(_mm_srai_epi32(wide, 11), wide);  // p0..p3 in the low four lanes
    __m128i sum = _mm_add_epi16(p, _mm_srli_epi64(p, 16));
    sum = _mm_add_epi16(sum, _mm_srli_epi64(p, 32));
    sum = _mm_adds_epi16(sum, _mm_srli_epi64(p, 48));
    return static_cast<int16_t>(_mm_cvtsi128_si32(sum)) & ~1;
}

}  // namespace apu
