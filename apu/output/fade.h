#pragma once
#include <cstddef>
#include <cstdint>

namespace apu::output {

// The song's end: full level until `song` ticks, then a raised-cosine fade
// (no step and no corner, so no click) to exact silence at song + fade
// ticks, silence after. Without a length set, full level throughout.
class Fade {
public:
    void clear() { set_ = false; }
    void set(uint64_t song_ticks, uint64_t fade_ticks);

    // Gain of a frame at `ticks` since the song began.
    float gain(double ticks) const;
    // Multiplies `count` stereo frames, the first at `first_ticks` and each
    // `step` ticks after the one before.
    void apply(float* frames, size_t count, double first_ticks, double step) const;

private:
    bool set_ = false;
    double song_ = 0, fade_ = 0;
};

}  // namespace apu::output
