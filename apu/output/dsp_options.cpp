#include "output/dsp_options.h"

namespace apu::output {

namespace {

enum : uint8_t {
    kVolL = 0x0, kVolR = 0x1, kPitchL = 0x2, kPitchH = 0x3, kAdsr1 = 0x5, kAdsr2 = 0x6, kFirCoef = 0xF,
    kMvolL = 0x0C, kMvolR = 0x1C, kEvolL = 0x2C, kEvolR = 0x3C, kPmon = 0x2D, kNon = 0x3D,
};

uint8_t magnitude(uint8_t value) {
    const int v = static_cast<int8_t>(value);
    return static_cast<uint8_t>(v == -128 ? 127 : v < 0 ? -v : v);
}

uint8_t negative(uint8_t value) { return static_cast<uint8_t>(-static_cast<int8_t>(magnitude(value))); }

}  // namespace

uint8_t register_as_seen(const void* options, uint8_t address, uint8_t value) {
    const uint32_t bits = *static_cast<const uint32_t*>(options);
    const uint8_t low = address & 0x0F;
    const bool volume = low == kVolL || low == kVolR || address == kMvolL || address == kMvolR ||
                        address == kEvolL || address == kEvolR;
    if (volume && (bits & option::kNoSurround)) value = magnitude(value);
    if (address == kEvolL || address == kEvolR) {
        if (bits & option::kNoEcho) return 0;
        if (bits & option::kSurroundEcho) return address == kEvolL ? magnitude(value) : negative(value);
    }
    if (address == kPmon && (bits & option::kNoPitchModulation)) return 0;
    if (address == kNon && (bits & option::kNoNoise)) return 0;
    if (bits & option::kNoPitchRead) {
        if (low == kPitchL) return 0x00;
        if (low == kPitchH) return 0x10;
    }
    if (bits & option::kNoEnvelope) {
        // Attack at its fastest, then held at the top: sustain level 7, no decay.
        if (low == kAdsr1) return 0x8F;
        if (low == kAdsr2) return 0xE0;
    }
    if (low == kFirCoef && (bits & option::kNoFirFilter)) return address == 0x7F ? 127 : 0;
    return value;
}

}  // namespace apu::output
