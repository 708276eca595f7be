#pragma once
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <cstdint>

namespace apu {

// Which of a voice's sums a mix adds to: bit 0 the left side (main and
// echo), bit 1 the right.
enum : int { kMixLeft = 1, kMixRight = 2, kMixBoth = 3 };

inline int saturate16(int x) { return x < -32768 ? -32768 : x > 32767 ? 32767 : x; }

// Adds a voice's output times its volumes to the sums (main left, right,
// echo left, right), each product shifted right by 7 and every addition
// saturating at 16 bits; the echo sums only when the voice feeds the echo.
// `volume` holds VOLL, 0, VOLR, 0, then the same again for the echo.
// One lane at a time: the portable form, and the reference of the other.
[[gnu::always_inline]] inline void mix_voice_scalar(int16_t sums[4], const int16_t volume[8], int output, bool echo, int sides) {
    for (int lane = 0; lane < (echo ? 4 : 2); ++lane)
        if ((sides >> (lane & 1)) & 1)
            sums[lane] = static_cast<int16_t>(saturate16(sums[lane] + saturate16((output * volume[2 * lane]) >> 7)));
}

#if defined(__SSE2__)
// The same in 16-bit lanes. `sums` is 8-byte aligned.
[[gnu::always_inline]] inline void mix_voice_sse2(int16_t sums[4], const int16_t volume[8], int output, bool echo, int sides) {
    const __m128i* lanes = reinterpret_cast<const __m128i*>(volume);
    // Without echo only the main pair is loaded and the echo lanes are zero.
    __m128i v = echo ? _mm_loadu_si128(lanes) : _mm_loadl_epi64(lanes);
    if (sides != kMixBoth) v = _mm_and_si128(v, _mm_set1_epi64x(sides == kMixLeft ? 0xFFFFFFFF : ~0xFFFFFFFFull));
    // The output in each 32-bit lane: the volumes' upper halves are zero, so
    // each product is the output's low half times the volume.
    const __m128i out = _mm_shuffle_epi32(_mm_cvtsi32_si128(output), 0);
    const __m128i shifted = _mm_srai_epi32(_mm_madd_epi16(out, v), 7);
    const __m128i amp = _mm_packs_epi32(shifted, shifted);
    const __m128i s = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(sums));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(sums), _mm_adds_epi16(s, amp));
}
#endif

[[gnu::always_inline]] inline void mix_voice(int16_t sums[4], const int16_t volume[8], int output, bool echo, int sides) {
#if defined(__SSE2__)
    mix_voice_sse2(sums, volume, output, echo, sides);
#else
    mix_voice_scalar(sums, volume, output, echo, sides);
#endif
}

}  // namespace apu
