#pragma once
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "core/dsp_gaussian.h"

namespace apu {

namespace brr_detail {

// Each 4-bit sample (as stored, 0..15) at each shift, before the filter;
// shifts past 12 leave only the sign.
struct ScaledNibbles {
    int16_t value[16][16];
};
constexpr ScaledNibbles make_scaled_nibbles() {
    ScaledNibbles t{};
    for (int shift = 0; shift < 16; ++shift)
        for (int raw = 0; raw < 16; ++raw) {
            const int n = raw < 8 ? raw : raw - 16;
            t.value[shift][raw] = static_cast<int16_t>(shift <= 12 ? (n * (1 << shift)) >> 1 : (n >> 3) * 2048);
        }
    return t;
}
inline constexpr ScaledNibbles kScaledNibbles = make_scaled_nibbles();

// Four nibbles through one prediction filter; the filter is a template
// argument so each has its own straight loop.
template <int Filter, bool Wrap>
inline void decode_group(const int16_t* scaled, int nibbles, int p1, int p2, int16_t out[4]) {
    for (int i = 0; i < 4; ++i) {
        // Each sample waits for the one before, so the terms of the older
        // sample and the nibble are summed first, off that chain.
        int s = scaled[(nibbles >> (12 - 4 * i)) & 0xF];  // high nibble first
        if (Filter == 1) s += p1 + (-p1 >> 4);
        if (Filter == 2) s = (s - p2 + (p2 >> 4)) + (2 * p1 + ((-3 * p1) >> 5));
        if (Filter == 3) s = (s - p2 + ((3 * p2) >> 4)) + (2 * p1 + ((-13 * p1) >> 6));
        // Saturate to 16 bits, then keep 15: values past 0x3FFF lose their
        // sign. Without the wrap, saturate to 15 bits.
        const int16_t stored = static_cast<int16_t>((Wrap ? clamp16(s) : std::clamp(s, -0x4000, 0x3FFF)) * 2);
        out[i] = stored;
        p2 = p1;
        p1 = stored >> 1;
    }
}

}  // namespace brr_detail

namespace brr_detail {

template <bool Wrap>
inline void decode_filtered(uint8_t header, int nibbles, int p1, int p2, int16_t out[4]) {
    const int16_t* scaled = kScaledNibbles.value[header >> 4];
    switch ((header >> 2) & 3) {
        case 0: decode_group<0, Wrap>(scaled, nibbles, p1, p2, out); break;
        case 1: decode_group<1, Wrap>(scaled, nibbles, p1, p2, out); break;
        case 2: decode_group<2, Wrap>(scaled, nibbles, p1, p2, out); break;
        default: decode_group<3, Wrap>(scaled, nibbles, p1, p2, out); break;
    }
}

}  // namespace brr_detail

// Decodes the four nibbles of two BRR data bytes. `header` is the block's
// first byte (shift, filter, flags); prev1/prev2 are the last two decoded
// samples (doubled 15-bit). Writes four doubled 15-bit samples to `out`.
// `wrap` false decodes without the hardware's 15-bit wrap.
inline void decode_brr_group(uint8_t header, uint8_t byte0, uint8_t byte1, int prev1, int prev2,
                             int16_t out[4], bool wrap = true) {
    const int nibbles = (byte0 << 8) | byte1;
    const int p1 = prev1 >> 1, p2 = prev2 >> 1;  // filters work on 15-bit values
    if (wrap) brr_detail::decode_filtered<true>(header, nibbles, p1, p2, out);
    else brr_detail::decode_filtered<false>(header, nibbles, p1, p2, out);
}

// In a group word (see BrrGroupCache), decoding without the wrap.
inline constexpr uint32_t kBrrNoWrap = 1u << 25;

// Decoded groups by their inputs: the header and two data bytes (lowest
// first, in `group`), the decoder (see set_variant) and the history the
// filter reads. A song's samples
// are played over and over, mostly from the same history, so most groups
// are found here rather than decoded again. Found or decoded, the result is
// the same, so the cache needs no clearing. Each group has one place, by a
// hash of its inputs, and replaces what was there. The four samples come back
// packed, first in the low bits.
class BrrGroupCache {
public:
    uint64_t decode(uint32_t group, int prev1, int prev2);
    // kBrrNoWrap or 0: which decoder the groups not given one use.
    void set_variant(uint32_t variant) { variant_ = variant; }

    // kRunGroups groups decoded in a row into a voice's ring (see
    // decode_into_ring) from slot `pos` on. A silent voice that loops its
    // sample decodes the same runs from the same history again and again,
    // so whole runs are kept too, by their groups, history and slot.
    static constexpr int kRunGroups = 16;
    void decode_run(int16_t ring[24], int pos, const uint32_t groups[kRunGroups]);

private:
    struct Entry {
        uint64_t key = 0;
        uint64_t samples = 0;
    };
    static constexpr int kBits = 15;  // 32,768 groups, 512 KiB
    Entry entries_[1 << kBits];
    struct Run {
        uint32_t groups[kRunGroups] = {};
        uint32_t history = 0;
        uint32_t start = 0;  // slot + 1 and the decoder; 0 in an empty entry
        int16_t ring[12] = {};
    };
    static constexpr int kRunBits = 11;  // 2,048 runs, 192 KiB
    Run runs_[1 << kRunBits];
    uint32_t variant_ = 0;
};

// Decodes a group into a voice's ring of 12 samples stored twice over, at
// `pos` (0, 4 or 8), after the history that ends just before it.
inline __attribute__((always_inline)) void decode_into_ring(BrrGroupCache& cache, int16_t ring[24], int pos,
                                                            uint32_t group) {
    int16_t* at = ring + pos;
    const uint64_t samples = cache.decode(group, at[11], at[10]);
    // Both copies, so interpolation reads the ring contiguously.
    std::memcpy(at, &samples, sizeof samples);
    std::memcpy(at + 12, &samples, sizeof samples);
}

}  // namespace apu
