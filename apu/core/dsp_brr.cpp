#include "core/dsp_brr.h"

#include "core/dsp_gaussian.h"

namespace apu {

void decode_brr_group(uint8_t header, uint8_t byte0, uint8_t byte1, int prev1, int prev2,
                      int16_t out[4]) {
    const int shift = header >> 4;
    const int filter = (header >> 2) & 3;
    const int nibbles = (byte0 << 8) | byte1;
    int p1 = prev1 >> 1, p2 = prev2 >> 1;  // filters work on 15-bit values
    for (int i = 0; i < 4; ++i) {
        int n = static_cast<int16_t>(nibbles << (4 * i)) >> 12;  // signed, high nibble first
        int s = shift <= 12 ? (n << shift) >> 1 : (n >> 3) << 11;
        switch (filter) {
            case 1: s += p1 + (-p1 >> 4); break;
            case 2: s += 2 * p1 + ((-3 * p1) >> 5) - p2 + (p2 >> 4); break;
            case 3: s += 2 * p1 + ((-13 * p1) >> 6) - p2 + ((3 * p2) >> 4); break;
            default: break;
        }
        // Saturate to 16 bits, then keep 15: values past 0x3FFF lose their sign.
        const int16_t stored = static_cast<int16_t>(clamp16(s) * 2);
        out[i] = stored;
        p2 = p1;
        p1 = stored >> 1;
    }
}

}  // namespace apu
