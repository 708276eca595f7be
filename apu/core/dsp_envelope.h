#pragma once
#include <cstdint>

namespace apu {

// Global sample counter that paces envelopes and noise: it counts down once
// per sample and wraps after 0x7800 samples, a common multiple of all periods.
constexpr int kRateCounterWrap = 0x7800;
// A snapshot holds no counter phase; the accurate model starts it at 0,
// so its first sample counts down to 0x77FF.
constexpr int kRateCounterAfterLoad = 0;

// Samples between events for each 5-bit rate (0: never).
constexpr uint16_t kRatePeriods[32] = {
    0,    2048, 1536, 1280, 1024, 768, 640, 512, 384, 320, 256,
    192,  160,  128,  96,   80,   64,  48,  40,  32,  24,  20,
    16,   12,   10,   8,    6,    5,   4,   3,   2,   1,
};
// Periods with a factor of 3 or 5 are offset against the counter: an event
// falls where (counter + phase) is a multiple of the period.
constexpr uint16_t rate_phase(uint16_t period) { return period % 3 == 0 ? 1040 : period % 5 == 0 ? 536 : 0; }

// How an event of each 5-bit rate lines up with the counter: every period is
// 1, 3 or 5 times a power of two, so a rate fires when (counter + phase) has
// the power's low bits clear and the quotient is a multiple of the odd
// factor (tested by multiplying with its inverse modulo 2^32).
struct RateCheck {
    uint32_t mask;      // power of two - 1
    uint32_t inverse;   // of the odd factor (0 when it is 1)
    uint32_t limit;     // largest product of a multiple
    uint16_t phase;
    uint8_t shift;      // log2 of the power of two
};
extern const RateCheck kRateChecks[32];

// True when an event of the given 5-bit rate (0 = never, 31 = every sample)
// falls on this counter value.
inline bool rate_fires(int counter, int rate) {
    const RateCheck& r = kRateChecks[rate & 31];
    const uint32_t x = static_cast<uint32_t>(counter) + r.phase;
    return (x & r.mask) == 0 && (x >> r.shift) * r.inverse <= r.limit;
}

// Bit r set when rate r fires at this counter value; one computation per
// sample replaces a check per voice. A family's period divides x exactly
// when its odd factor does and x has at least as many trailing zeros.
extern const uint32_t kRateFamilyMasks[3][17];
inline uint32_t rate_fire_mask(int counter) {
    const uint32_t x1 = static_cast<uint32_t>(counter), x3 = x1 + 1040, x5 = x1 + 536;
    // Masks rather than branches: a test that passes every third or fifth
    // sample, with a whole period in between, defeats branch prediction.
    const uint32_t by3 = 0u - static_cast<uint32_t>(x3 * 0xAAAAAAABu <= 0x55555555u);
    const uint32_t by5 = 0u - static_cast<uint32_t>(x5 * 0xCCCCCCCDu <= 0x33333333u);
    return kRateFamilyMasks[0][__builtin_ctz(x1 | 0x10000)] |
           (kRateFamilyMasks[1][__builtin_ctz(x3 | 0x10000)] & by3) |
           (kRateFamilyMasks[2][__builtin_ctz(x5 | 0x10000)] & by5);
}

enum class EnvelopeMode : int { release, attack, decay, sustain };

struct Envelope {
    int level = 0;     // 11-bit envelope, 0..0x7FF
    int hidden = 0;    // last computed level masked to 11 bits (bent increase)
    EnvelopeMode mode = EnvelopeMode::release;
};

// A decay ends at the sustain level, which comes from whichever byte was
// read: in GAIN mode it is taken from GAIN's top bits.
inline void end_decay_at_sustain(Envelope& e, int level, int data) {
    if (e.mode == EnvelopeMode::decay && (level >> 8) == (data >> 5)) e.mode = EnvelopeMode::sustain;
}

// One sample of envelope processing. `data` is ADSR2 in ADSR mode and GAIN
// otherwise, as the hardware reads one or the other; `fires` is
// rate_fire_mask() of this sample.
inline void step_envelope_masked(Envelope& e, int adsr1, int data, uint32_t fires) {
    int level = e.level;
    if (e.mode == EnvelopeMode::sustain && (adsr1 & 0x80)) [[likely]] {
        // A held note: an exponential decrease, which stays within 0..0x7FF.
        level -= ((level - 1) >> 8) + 1;
        e.hidden = level;
        e.level = (fires >> (data & 0x1F)) & 1 ? level : e.level;
        return;
    }
    if (e.mode == EnvelopeMode::release) {
        // Release ignores the rate settings: -8 every sample.
        level -= 8;
        e.level = level < 0 ? 0 : level;
        return;
    }
    int rate;
    if (adsr1 & 0x80) {
        if (e.mode == EnvelopeMode::attack) {
            rate = (adsr1 & 0x0F) * 2 + 1;
            level += rate < 31 ? 0x20 : 0x400;
        } else {  // decay: sustain went the short way above
            level -= ((level - 1) >> 8) + 1;
            rate = ((adsr1 >> 3) & 0x0E) + 0x10;
        }
    } else if (!(data & 0x80)) {
        // Direct gain: due every sample and always within range.
        level = (data & 0x7F) * 16;
        end_decay_at_sustain(e, level, data);
        e.level = e.hidden = level;
        return;
    } else {
        rate = data & 0x1F;
        switch ((data >> 5) & 3) {
            case 0: level -= 0x20; break;
            case 1: level -= ((level - 1) >> 8) + 1; break;
            case 2: level += 0x20; break;
            default: level += e.hidden < 0x600 ? 0x20 : 8; break;
        }
    }
    end_decay_at_sustain(e, level, data);
    e.hidden = level & 0x7FF;
    if (level < 0 || level > 0x7FF) {
        level = level < 0 ? 0 : 0x7FF;
        if (e.mode == EnvelopeMode::attack) e.mode = EnvelopeMode::decay;
    }
    // Whether the rate fires follows no pattern a branch predictor learns.
    e.level = (fires >> rate) & 1 ? level : e.level;
}

inline void step_envelope(Envelope& e, uint8_t adsr1, uint8_t data, int counter) {
    step_envelope_masked(e, adsr1, data, rate_fire_mask(counter));
}

}  // namespace apu
