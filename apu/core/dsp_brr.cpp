#include "core/dsp_brr.h"

#include <cstring>

namespace apu {

namespace {

// Which of the history's bits each filter reads: filter 0 none, filter 1
// the last sample, filters 2 and 3 both.
constexpr uint64_t kHistoryUsed[4] = {0, 0xFFFFull << 32, ~0ull << 32, ~0ull << 32};

}  // namespace

// Out of line: one copy instead of one per voice keeps the whole-period
// code within the instruction cache, and a group is decoded only every
// few samples. The samples come back by value so no pointer into the DSP
// escapes and its state can stay in registers across the period.
__attribute__((noinline)) uint64_t BrrGroupCache::decode(uint32_t group, int prev1, int prev2) {
    group |= variant_;
    const uint64_t history = uint64_t{static_cast<uint16_t>(prev1)} << 32 | uint64_t{static_cast<uint16_t>(prev2)} << 48;
    // Bit 24 marks a key in use, so an empty entry matches nothing.
    const uint64_t key = group | 1u << 24 | (history & kHistoryUsed[(group >> 2) & 3]);
    Entry& entry = entries_[(key * 0x9E3779B97F4A7C15ull) >> (64 - kBits)];
    if (entry.key == key) [[likely]] return entry.samples;
    int16_t samples[4];
    decode_brr_group(static_cast<uint8_t>(group), static_cast<uint8_t>(group >> 8),
                     static_cast<uint8_t>(group >> 16), prev1, prev2, samples, !(group & kBrrNoWrap));
    entry.key = key;
    std::memcpy(&entry.samples, samples, sizeof samples);
    return entry.samples;
}

void BrrGroupCache::decode_run(int16_t ring[24], int pos, const uint32_t groups[kRunGroups]) {
    const uint32_t history = uint32_t(uint16_t(ring[pos + 11])) | uint32_t(uint16_t(ring[pos + 10])) << 16;
    const uint32_t start = uint32_t(pos + 1) | variant_;
    uint64_t hash = history * 0x9E3779B97F4A7C15ull + start;
    for (int i = 0; i < kRunGroups; ++i) hash = (hash ^ groups[i]) * 0x9E3779B97F4A7C15ull;
    Run& run = runs_[hash >> (64 - kRunBits)];
    if (run.history == history && run.start == start &&
        !std::memcmp(run.groups, groups, sizeof run.groups)) [[likely]] {
        std::memcpy(ring, run.ring, sizeof run.ring);
        std::memcpy(ring + 12, run.ring, sizeof run.ring);
        return;
    }
    for (int i = 0; i < kRunGroups; ++i) {
        decode_into_ring(*this, ring, pos, groups[i]);
        pos = pos == 8 ? 0 : pos + 4;
    }
    std::memcpy(run.groups, groups, sizeof run.groups);
    run.history = history;
    run.start = start;
    std::memcpy(run.ring, ring, sizeof run.ring);
}

}  // namespace apu
