#pragma once
#include <cstdint>

namespace apu {

// Global sample counter that paces envelopes and noise: it counts down once
// per sample and wraps after 0x7800 samples, a common multiple of all periods.
constexpr int kRateCounterWrap = 0x7800;

// True when an event of the given 5-bit rate (0 = never, 31 = every sample)
// falls on this counter value.
bool rate_fires(int counter, int rate);

enum class EnvelopeMode : uint8_t { release, attack, decay, sustain };

struct Envelope {
    int level = 0;     // 11-bit envelope, 0..0x7FF
    int hidden = 0;    // last computed level masked to 11 bits (bent increase)
    EnvelopeMode mode = EnvelopeMode::release;
};

// One sample of envelope processing. `data` is ADSR2 in ADSR mode and GAIN
// otherwise, as the hardware reads one or the other.
void step_envelope(Envelope& env, uint8_t adsr1, uint8_t data, int counter);

}  // namespace apu
