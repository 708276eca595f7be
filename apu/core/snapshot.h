#pragma once
#include <cstddef>
#include <cstdint>

#include "sdk/snesapu_entry_points.h"

namespace apu::spc {

// Offsets of the snapshot inside an SPC file image.
inline constexpr size_t kPc = 0x25, kA = 0x27, kX = 0x28, kY = 0x29, kPsw = 0x2A, kSp = 0x2B;
inline constexpr size_t kRam = 0x100;
inline constexpr size_t kDspRegisters = 0x10100;
inline constexpr size_t kExtraRam = 0x101C0;  // the RAM under the IPL ROM
inline constexpr size_t kSnapshotSize = snesapu::kImageSize;

}  // namespace apu::spc
