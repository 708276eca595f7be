#pragma once
// The core and a script run side by side: the core runs up to each moment
// the script waits for (a cycle, or a watched port access), the script acts
// there, and so on to the end of the span.
#include <cstdint>

#include "core/sound_system.h"
#include "script700/interpreter.h"

namespace apu::script700 {

// Runs `core` until it has produced `target` frames since it started, the
// script acting on the way. Frames go to `out` (two samples each) unless it
// is null; `skip` lets the core leave out work nobody hears (see
// SoundSystem::skip) between the script's moments.
void advance_with_script(Interpreter& script, SoundSystem& core, uint64_t target, int16_t* out, bool skip);

}  // namespace apu::script700
