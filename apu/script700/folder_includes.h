#pragma once
// Includes read from the folder a script came from, and from nowhere else.
#include <string>

#include "script700/tokens.h"

namespace apu::script700 {

// Names are taken relative to `folder`; a name that is absolute or climbs
// out of it (a ".." part) is refused, and so is a file past kMaxInclude.
inline constexpr size_t kMaxInclude = size_t(1) << 20;
IncludeReader folder_includes(std::string folder);

}  // namespace apu::script700
