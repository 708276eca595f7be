#pragma once
#include <cstddef>
#include <cstdint>

namespace apu::output {

// A second-order IIR section for stereo frames, direct form I in float.
struct Biquad {
    float b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
    float x1[2] = {}, x2[2] = {}, y1[2] = {}, y2[2] = {};

    void clear();
    void process(float* frames, size_t count);
};

// The filters that the analog-output and bass-boost options add at the
// core's 32 kHz, before resampling.
class PostFilter {
public:
    // `options`: the DSP option bits; only the two filter bits matter.
    void set_options(uint32_t options);
    bool active() const { return analog_ || bass_; }
    void clear();
    void process(float* frames, size_t count);

private:
    bool analog_ = false, bass_ = false;
    Biquad low_pass_, dc_block_, bass_shelf_;
};

}  // namespace apu::output
