#include "core/dsp_envelope.h"

namespace apu {

namespace {

// Samples between events for each rate; every period is 1, 3 or 5 times a
// power of two.
constexpr uint16_t kPeriods[32] = {
    0,    2048, 1536, 1280, 1024, 768, 640, 512, 384, 320, 256,
    192,  160,  128,  96,   80,   64,  48,  40,  32,  24,  20,
    16,   12,   10,   8,    6,    5,   4,   3,   2,   1,
};

// Phase of each period family against the shared counter.
constexpr uint16_t phase_of(uint16_t period) {
    return period % 3 == 0 ? 1040 : period % 5 == 0 ? 536 : 0;
}

}  // namespace

bool rate_fires(int counter, int rate) {
    const uint16_t period = kPeriods[rate & 31];
    if (period == 0) return false;
    const unsigned x = static_cast<unsigned>(counter) + phase_of(period);
    // Periods are 1, 3 or 5 times a power of two: test the power of two with
    // a mask and the odd factor with a constant divisor.
    const unsigned odd = period % 3 == 0 ? 3 : period % 5 == 0 ? 5 : 1;
    const unsigned power = period / odd;
    if (x & (power - 1)) return false;
    const unsigned q = x / power;
    return odd == 3 ? q % 3 == 0 : odd == 5 ? q % 5 == 0 : true;
}

void step_envelope(Envelope& e, uint8_t adsr1, uint8_t data, int counter) {
    int level = e.level;
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
        } else {
            level -= ((level - 1) >> 8) + 1;
            rate = e.mode == EnvelopeMode::decay ? ((adsr1 >> 3) & 0x0E) + 0x10 : data & 0x1F;
        }
    } else if (!(data & 0x80)) {
        level = (data & 0x7F) * 16;  // direct gain
        rate = 31;
    } else {
        rate = data & 0x1F;
        switch ((data >> 5) & 3) {
            case 0: level -= 0x20; break;
            case 1: level -= ((level - 1) >> 8) + 1; break;
            case 2: level += 0x20; break;
            default: level += e.hidden < 0x600 ? 0x20 : 8; break;
        }
    }
    // The sustain boundary comes from whichever byte was read, so in GAIN mode
    // it is taken from GAIN's top bits.
    if (e.mode == EnvelopeMode::decay && (level >> 8) == (data >> 5)) e.mode = EnvelopeMode::sustain;
    e.hidden = level & 0x7FF;
    if (level < 0 || level > 0x7FF) {
        level = level < 0 ? 0 : 0x7FF;
        if (e.mode == EnvelopeMode::attack) e.mode = EnvelopeMode::decay;
    }
    if (rate_fires(counter, rate)) e.level = level;
}

}  // namespace apu
