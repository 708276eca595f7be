#pragma once
#include <cstdint>

namespace apu {

// Decodes the four nibbles of two BRR data bytes. `header` is the block's
// first byte (shift, filter, flags); prev1/prev2 are the last two decoded
// samples (doubled 15-bit). Writes four doubled 15-bit samples to `out`.
void decode_brr_group(uint8_t header, uint8_t byte0, uint8_t byte1, int prev1, int prev2,
                      int16_t out[4]);

}  // namespace apu
