#pragma once
#include <cstdint>

#include "core/dsp_gaussian.h"

namespace apu {

// The 8-tap echo filter over 15-bit history (newest at `newest`, taps run
// oldest first). The first seven products sum with 16-bit wraparound, only
// the last addition saturates.
inline int fir_filter(const int16_t history[8][2], int newest, int channel, const int8_t coef[8]) {
    int sum = 0;
    for (int tap = 0; tap < 7; ++tap) sum += (history[(newest + 1 + tap) & 7][channel] * coef[tap]) >> 6;
    sum = static_cast<int16_t>(sum);
    return clamp16(sum + ((history[newest][channel] * coef[7]) >> 6));
}

}  // namespace apu
