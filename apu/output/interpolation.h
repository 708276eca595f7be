#pragma once
#include <cstdint>

#include "core/dsp.h"

namespace apu::output {

// Interpolation formulas a voice can use instead of the hardware's.
//
// samples[0..7] are a voice's decoded samples (even values, -32768..32766)
// at positions -2..+5 from the oldest of the four the hardware reads
// (samples[2..5]); the point lies `fraction` / 4096 of the way from
// samples[3] to samples[4]. Each returns a value in the 16-bit range.
//
// Modes: 0 none (samples[3]), 1 linear (samples[3] to [4]), 2 cubic
// (Catmull-Rom over samples[2..5]), 4 sinc (8 taps over samples[0..7],
// Kaiser-windowed, cut off at the source's Nyquist frequency),
// 7 Gaussian (the hardware's curve over samples[2..5] at the full 12-bit
// fraction, summed without wrapping and saturated once).
// Mode 3 is the hardware's own Gaussian, which the core computes itself, so
// it gets nullptr, as does every mode not listed.
Interpolator interpolator_for(int mode);

}  // namespace apu::output
