#include "core/dsp_brr.h"

#include <cstring>

namespace apu {

// Out of line: one copy instead of one per voice keeps the whole-period
// code within the instruction cache, and a group is decoded only every
// few samples. The group comes back by value so no pointer into the DSP
// escapes and its state can stay in registers across the period.
__attribute__((noinline)) uint64_t decode_brr_group_packed(uint32_t group, int prev1, int prev2) {
    int16_t samples[4];
    decode_brr_group(static_cast<uint8_t>(group), static_cast<uint8_t>(group >> 8),
                     static_cast<uint8_t>(group >> 16), prev1, prev2, samples);
    uint64_t packed;
    std::memcpy(&packed, samples, sizeof packed);
    return packed;
}

}  // namespace apu
