#pragma once
#include <cstdint>

#include "sdk/snesapu_entry_points.h"

// Offsets and sizes of the SPC file layout.
namespace spc_layout {

inline constexpr char signature[] = "SNES-SPC700 Sound File Data ";
inline constexpr uint32_t signature_size = 28;
inline constexpr uint32_t snapshot_size = snesapu::kImageSize;  // also where the extended tag starts
inline constexpr uint32_t first_subchunk = 0x10208;
inline constexpr uint32_t min_extended_size = 0x1020C;  // chunk header and one sub-chunk header

}  // namespace spc_layout
