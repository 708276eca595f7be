#include "output/fade.h"

#include <cmath>

namespace apu::output {

void Fade::set(uint64_t song_ticks, uint64_t fade_ticks) {
    set_ = true;
    song_ = double(song_ticks);
    fade_ = double(fade_ticks);
}

float Fade::gain(double ticks) const {
    if (!set_ || ticks < song_) return 1.0f;
    const double into = ticks - song_;
    if (into >= fade_) return 0.0f;
    return float(0.5 + 0.5 * std::cos(3.14159265358979323846 * into / fade_));
}

void Fade::apply(float* frames, size_t count, double first_ticks, double step) const {
    if (!set_ || first_ticks + step * double(count) <= song_) return;  // all before the fade
    for (size_t i = 0; i < count; ++i) {
        const float g = gain(first_ticks + step * double(i));
        frames[2 * i] *= g;
        frames[2 * i + 1] *= g;
    }
}

}  // namespace apu::output
