#pragma once
#include <cstdint>

#include "core/dsp_gaussian.h"

namespace apu {

// The 8-tap echo filter over 15-bit history, taps oldest first and `stride`
// entries apart. The first seven products sum with 16-bit wraparound, only
// the last addition saturates.
inline int fir_taps(const int16_t* oldest, int stride, const int8_t coef[8]) {
    int sum = 0;
    for (int tap = 0; tap < 7; ++tap) sum += (oldest[tap * stride] * coef[tap]) >> 6;
    sum = static_cast<int16_t>(sum);
    return clamp16(sum + ((oldest[7 * stride] * coef[7]) >> 6));
}

// The same over a ring of eight stereo entries, the newest at `newest`.
inline int fir_filter(const int16_t history[8][2], int newest, int channel, const int8_t coef[8]) {
    int16_t taps[8];
    for (int tap = 0; tap < 8; ++tap) taps[tap] = history[(newest + 1 + tap) & 7][channel];
    return fir_taps(taps, 1, coef);
}

}  // namespace apu
