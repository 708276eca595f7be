#pragma once
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

// clamp16(a + b) for a and b already in 16-bit range: the overflow flag of
// a 16-bit add finds the rare saturation.
inline int add_sat16(int a, int b) {
    int16_t sum;
    if (__builtin_add_overflow(static_cast<int16_t>(a), static_cast<int16_t>(b), &sum)) [[unlikely]]
        return b < 0 ? -0x8000 : 0x7FFF;
    return sum;
}

// 4-point interpolation of doubled 15-bit samples (oldest first) at the
// 8-bit fraction `index`. The first three products wrap at 16 bits, only the
// last addition saturates; the result keeps bit 0 clear.
inline int gaussian_interpolate(const int16_t* s, int index) {
    const int16_t* w = kGaussTables.rows[index];
    int out = (w[0] * s[0]) >> 11;
    out += (w[1] * s[1]) >> 11;
    out += (w[2] * s[2]) >> 11;
    return add_sat16(static_cast<int16_t>(out), (w[3] * s[3]) >> 11) & ~1;
}

}  // namespace apu
