#include "core/dsp_brr.h"

#include <emmintrin.h>

#include <cstring>

namespace apu {

namespace {

// Which of the history's bits each filter reads: filter 0 none, filter 1
// the last sample, filters 2 and 3 both.
constexpr uint64_t kHistoryUsed[4] = {0, 0xFFFFull << 32, ~0ull << 32, ~0ull << 32};

// Bit 0 set for each of two 64-bit lanes that are equal.
inline int equal_lanes(__m128i a, __m128i b) {
    __m128i m = _mm_cmpeq_epi32(a, b);
    m = _mm_and_si128(m, _mm_shuffle_epi32(m, _MM_SHUFFLE(2, 3, 0, 1)));
    return _mm_movemask_pd(_mm_castsi128_pd(m));
}

}  // namespace

// Out of line: one copy instead of one per voice keeps the whole-period
// code within the instruction cache, and a group is decoded only every
// few samples. The samples come back by value so no pointer into the DSP
// escapes and its state can stay in registers across the period.
__attribute__((noinline)) uint64_t BrrGroupCache::decode(uint32_t group, int prev1, int prev2) {
    const uint64_t history = uint64_t{static_cast<uint16_t>(prev1)} << 32 | uint64_t{static_cast<uint16_t>(prev2)} << 48;
    // Bit 24 marks a key in use, so an empty slot matches nothing.
    const uint64_t key = group | 1u << 24 | (history & kHistoryUsed[(group >> 2) & 3]);
    Set& set = sets_[(key * 0x9E3779B97F4A7C15ull) >> (64 - kSetBits)];
    const __m128i wanted = _mm_set1_epi64x(static_cast<long long>(key));
    const int found = equal_lanes(_mm_load_si128(reinterpret_cast<const __m128i*>(set.key)), wanted) |
                      equal_lanes(_mm_load_si128(reinterpret_cast<const __m128i*>(set.key + 2)), wanted) << 2;
    if (found) [[likely]] return set.samples[__builtin_ctz(found)];

    int16_t samples[4];
    decode_brr_group(static_cast<uint8_t>(group), static_cast<uint8_t>(group >> 8),
                     static_cast<uint8_t>(group >> 16), prev1, prev2, samples);
    uint64_t packed;
    std::memcpy(&packed, samples, sizeof packed);
    for (int way = 3; way > 0; --way) {
        set.key[way] = set.key[way - 1];
        set.samples[way] = set.samples[way - 1];
    }
    set.key[0] = key;
    set.samples[0] = packed;
    return packed;
}

}  // namespace apu
