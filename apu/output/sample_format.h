#pragma once
#include <cstddef>
#include <cstdint>

namespace apu::output {

// What EmuAPU writes: interleaved frames of 1 or 2 channels, 8-bit unsigned
// (bias 128), 16-bit, 24-bit (3 bytes) or 32-bit signed, little-endian.
struct SampleFormat {
    uint32_t channels = 2;
    uint32_t bits = 16;
    uint32_t rate = 32000;

    static constexpr uint32_t kCoreRate = 32000;

    bool valid() const;
    size_t frame_bytes() const { return channels * (bits / 8); }
};

// Writes `count` stereo frames given in 16-bit scale (±32768 is full
// scale) in the format; mono is the mean of left and right. Values past the
// format's range clamp, or wrap when `wrap` is set. 32-bit output keeps the
// fraction: it is the value times 65536.
void write_frames(const float* stereo, size_t count, const SampleFormat& format, bool wrap, uint8_t* out);

}  // namespace apu::output
