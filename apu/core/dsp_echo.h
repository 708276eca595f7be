#pragma once
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <cstdint>

#include "core/dsp_gaussian.h"

namespace apu {

// The 8-tap echo filter for both channels at once. `window` holds eight
// stereo entries of 15-bit history, oldest first (left, right, left, ...),
// except that the newest comes apart: it was read from RAM a moment ago,
// and loading it back with its neighbours while its store is still in
// flight would stall; its slot in `window` is not read. `coef` holds each
// tap's coefficient twice, in the same order. The first seven products sum
// with 16-bit wraparound, only the last addition saturates, and the result
// loses bit 0 (as the accurate model has it: the echo output and feedback
// both take the even value). One tap at a time: the portable form, and the
// reference of the other.
[[gnu::always_inline]] inline void fir_stereo_scalar(const int16_t window[16], int newest_left, int newest_right, const int16_t coef[16],
                              int out[2]) {
    for (int channel = 0; channel < 2; ++channel) {
        int sum = 0;
        for (int tap = 0; tap < 7; ++tap) sum += (window[2 * tap + channel] * coef[2 * tap + channel]) >> 6;
        const int newest = channel ? newest_right : newest_left;
        out[channel] = clamp16(static_cast<int16_t>(sum) + ((newest * coef[14 + channel]) >> 6)) & ~1;
    }
}

#if defined(__SSE2__)
// A product shifted by 6 can reach 32768, so the sums stay 32-bit.
[[gnu::always_inline]] inline void fir_stereo_sse2(const int16_t window[16], int newest_left, int newest_right, const int16_t coef[16],
                            int out[2]) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(window));
    __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(window + 8));
    b = _mm_insert_epi16(_mm_insert_epi16(b, newest_left, 6), newest_right, 7);
    const __m128i ca = _mm_loadu_si128(reinterpret_cast<const __m128i*>(coef));
    const __m128i cb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(coef + 8));
    const __m128i alo = _mm_mullo_epi16(a, ca), ahi = _mm_mulhi_epi16(a, ca);
    const __m128i blo = _mm_mullo_epi16(b, cb), bhi = _mm_mulhi_epi16(b, cb);
    const __m128i taps01 = _mm_srai_epi32(_mm_unpacklo_epi16(alo, ahi), 6);
    const __m128i taps23 = _mm_srai_epi32(_mm_unpackhi_epi16(alo, ahi), 6);
    const __m128i taps45 = _mm_srai_epi32(_mm_unpacklo_epi16(blo, bhi), 6);
    const __m128i taps67 = _mm_srai_epi32(_mm_unpackhi_epi16(blo, bhi), 6);
    __m128i sum = _mm_add_epi32(_mm_add_epi32(taps01, taps23), _mm_add_epi32(taps45, _mm_move_epi64(taps67)));
    sum = _mm_add_epi32(sum, _mm_unpackhi_epi64(sum, sum));  // lanes 0 and 1: taps 0..6, left and right
    const __m128i last = _mm_unpackhi_epi64(taps67, taps67);
    out[0] = clamp16(static_cast<int16_t>(_mm_cvtsi128_si32(sum)) + _mm_cvtsi128_si32(last)) & ~1;
    out[1] = clamp16(static_cast<int16_t>(_mm_cvtsi128_si32(_mm_srli_si128(sum, 4))) +
                     _mm_cvtsi128_si32(_mm_srli_si128(last, 4))) & ~1;
}
#endif

[[gnu::always_inline]] inline void fir_stereo(const int16_t window[16], int newest_left, int newest_right, const int16_t coef[16],
                       int out[2]) {
#if defined(__SSE2__)
    fir_stereo_sse2(window, newest_left, newest_right, coef, out);
#else
    fir_stereo_scalar(window, newest_left, newest_right, coef, out);
#endif
}

// One channel over a ring of eight stereo entries, the newest at `newest`.
inline int fir_filter(const int16_t history[8][2], int newest, int channel, const int8_t coef[8]) {
    int16_t window[16], doubled[16];
    for (int tap = 0; tap < 8; ++tap) {
        window[2 * tap] = history[(newest + 1 + tap) & 7][0];
        window[2 * tap + 1] = history[(newest + 1 + tap) & 7][1];
        doubled[2 * tap] = doubled[2 * tap + 1] = coef[tap];
    }
    int out[2];
    fir_stereo(window, window[14], window[15], doubled, out);
    return out[channel];
}

}  // namespace apu
