#pragma once
#include <cstdint>

namespace apu::output {

// The DSP option bits; what each does is tabled in apu/api/snesapu.h.
namespace option {
inline constexpr uint32_t kAnalogFilter = 0x1;
inline constexpr uint32_t kOldBrrDecoder = 0x2;
inline constexpr uint32_t kSurroundEcho = 0x4;
inline constexpr uint32_t kReverseStereo = 0x8;
inline constexpr uint32_t kNoEcho = 0x10;
inline constexpr uint32_t kNoPitchModulation = 0x20;
inline constexpr uint32_t kNoPitchRead = 0x40;
inline constexpr uint32_t kNoFirFilter = 0x80;
inline constexpr uint32_t kBassBoost = 0x100;
inline constexpr uint32_t kNoEnvelope = 0x200;
inline constexpr uint32_t kNoNoise = 0x400;
inline constexpr uint32_t kEchoMemoryMap = 0x800;
inline constexpr uint32_t kNoSurround = 0x1000;
inline constexpr uint32_t kNoVolumeSafe = 0x80000000;

// Bits that change what the DSP computes through its register view.
inline constexpr uint32_t kRegisterViewBits = kSurroundEcho | kNoEcho | kNoPitchModulation | kNoPitchRead |
                                              kNoFirFilter | kNoEnvelope | kNoNoise | kNoSurround;
// Bits that change the emulated state (RAM, registers, voices) and not
// only what is heard afterwards.
inline constexpr uint32_t kStateBits = kRegisterViewBits | kOldBrrDecoder;
}  // namespace option

// The value the DSP computes with for a register the CPU wrote, under the
// option bits at `options` (a uint32_t). A core register view.
uint8_t register_as_seen(const void* options, uint8_t address, uint8_t value);

}  // namespace apu::output
