#pragma once
#include <cstdint>

#include "core/dsp_gaussian.h"

namespace apu {

namespace brr_detail {

// Four nibbles through one prediction filter; the filter is a template
// argument so each has its own straight loop.
template <int Filter>
inline void decode_group(int shift, int nibbles, int p1, int p2, int16_t out[4]) {
    for (int i = 0; i < 4; ++i) {
        const int n = static_cast<int16_t>(nibbles << (4 * i)) >> 12;  // signed, high nibble first
        int s = shift <= 12 ? (n << shift) >> 1 : (n >> 3) << 11;
        if (Filter == 1) s += p1 + (-p1 >> 4);
        if (Filter == 2) s += 2 * p1 + ((-3 * p1) >> 5) - p2 + (p2 >> 4);
        if (Filter == 3) s += 2 * p1 + ((-13 * p1) >> 6) - p2 + ((3 * p2) >> 4);
        // Saturate to 16 bits, then keep 15: values past 0x3FFF lose their sign.
        const int16_t stored = static_cast<int16_t>(clamp16(s) * 2);
        out[i] = stored;
        p2 = p1;
        p1 = stored >> 1;
    }
}

}  // namespace brr_detail

// Decodes the four nibbles of two BRR data bytes. `header` is the block's
// first byte (shift, filter, flags); prev1/prev2 are the last two decoded
// samples (doubled 15-bit). Writes four doubled 15-bit samples to `out`.
inline void decode_brr_group(uint8_t header, uint8_t byte0, uint8_t byte1, int prev1, int prev2,
                             int16_t out[4]) {
    const int shift = header >> 4;
    const int nibbles = (byte0 << 8) | byte1;
    const int p1 = prev1 >> 1, p2 = prev2 >> 1;  // filters work on 15-bit values
    switch ((header >> 2) & 3) {
        case 0: brr_detail::decode_group<0>(shift, nibbles, p1, p2, out); break;
        case 1: brr_detail::decode_group<1>(shift, nibbles, p1, p2, out); break;
        case 2: brr_detail::decode_group<2>(shift, nibbles, p1, p2, out); break;
        default: brr_detail::decode_group<3>(shift, nibbles, p1, p2, out); break;
    }
}

}  // namespace apu
