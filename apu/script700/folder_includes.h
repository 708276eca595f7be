#pragma once
// Includes read from the folder a script came from, and from nowhere else.
#include <string>

#include "script700/tokens.h"

namespace apu::script700 {

// Names are taken relative to `folder` (empty: the current folder). Only a
// regular file that lies inside it once links are resolved is read, and
// only up to kMaxInclude bytes: an absolute name, a ".." part, a link out,
// a folder, device or FIFO, or a longer file is refused.
inline constexpr size_t kMaxInclude = size_t(1) << 20;
IncludeReader folder_includes(std::string folder);

}  // namespace apu::script700
