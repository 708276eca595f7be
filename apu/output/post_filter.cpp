#include "output/post_filter.h"

#include <cmath>

#include "output/dsp_options.h"

namespace apu::output {

namespace {

constexpr double kRate = 32000;
constexpr double kPi = 3.14159265358979323846;

// Coefficient formulas from the well-known audio-EQ biquad recipes, with
// a0 normalised to 1.
Biquad from(double b0, double b1, double b2, double a0, double a1, double a2) {
    Biquad q;
    q.b0 = float(b0 / a0);
    q.b1 = float(b1 / a0);
    q.b2 = float(b2 / a0);
    q.a1 = float(a1 / a0);
    q.a2 = float(a2 / a0);
    return q;
}

Biquad butterworth_low_pass(double hz) {
    const double w = 2 * kPi * hz / kRate, alpha = std::sin(w) / (2 * std::sqrt(0.5)), c = std::cos(w);
    return from((1 - c) / 2, 1 - c, (1 - c) / 2, 1 + alpha, -2 * c, 1 - alpha);
}

// First order, as a biquad with its second-order terms zero.
Biquad dc_blocker(double hz) {
    const double k = std::exp(-2 * kPi * hz / kRate);
    Biquad q;
    q.b0 = float((1 + k) / 2);
    q.b1 = float(-(1 + k) / 2);
    q.a1 = float(-k);
    return q;
}

Biquad low_shelf(double hz, double gain_db) {
    const double a = std::pow(10.0, gain_db / 40), w = 2 * kPi * hz / kRate, c = std::cos(w);
    const double alpha = std::sin(w) / 2 * std::sqrt(2.0);  // shelf slope 1
    const double root = 2 * std::sqrt(a) * alpha;
    return from(a * ((a + 1) - (a - 1) * c + root), 2 * a * ((a - 1) - (a + 1) * c),
                a * ((a + 1) - (a - 1) * c - root), (a + 1) + (a - 1) * c + root,
                -2 * ((a - 1) + (a + 1) * c), (a + 1) + (a - 1) * c - root);
}

}  // namespace

void Biquad::clear() {
    for (int c = 0; c < 2; ++c) x1[c] = x2[c] = y1[c] = y2[c] = 0;
}

void Biquad::process(float* frames, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        for (int c = 0; c < 2; ++c) {
            const float x = frames[2 * i + c];
            const float y = b0 * x + b1 * x1[c] + b2 * x2[c] - a1 * y1[c] - a2 * y2[c];
            x2[c] = x1[c];
            x1[c] = x;
            y2[c] = y1[c];
            y1[c] = y;
            frames[2 * i + c] = y;
        }
    }
}

void PostFilter::set_options(uint32_t options) {
    const bool analog = options & option::kAnalogFilter, bass = options & option::kBassBoost;
    if (analog == analog_ && bass == bass_) return;
    analog_ = analog;
    bass_ = bass;
    low_pass_ = butterworth_low_pass(12000);
    dc_block_ = dc_blocker(10);
    bass_shelf_ = low_shelf(150, 6);
}

void PostFilter::clear() {
    low_pass_.clear();
    dc_block_.clear();
    bass_shelf_.clear();
}

void PostFilter::process(float* frames, size_t count) {
    if (analog_) {
        dc_block_.process(frames, count);
        low_pass_.process(frames, count);
    }
    if (bass_) bass_shelf_.process(frames, count);
}

}  // namespace apu::output
