#pragma once
// The extended area's sample commands as the table the S-DSP plays through.
#include "core/dsp.h"
#include "script700/program.h"

namespace apu::script700 {

// The commands in their order: `m` mutes a source that is heard and
// unmutes one that is not, `c` makes a source play another's sample. The
// pitch shift `d` has no documented unit, so it changes nothing.
Dsp::SampleTable sample_table(const Program& program);

}  // namespace apu::script700
