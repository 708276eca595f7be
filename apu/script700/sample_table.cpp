#include "script700/sample_table.h"

namespace apu::script700 {

Dsp::SampleTable sample_table(const Program& program) {
    Dsp::SampleTable table = Dsp::SampleTable::identity();
    for (const SampleCommand& command : program.samples) {
        const int first = command.source == SampleCommand::kEverySource ? 0 : command.source;
        const int last = command.source == SampleCommand::kEverySource ? 255 : command.source;
        for (int s = first; s <= last; ++s) {
            if (command.op == 'm') table.muted.flip(size_t(s));
            if (command.op == 'c') table.source[s] = uint8_t(command.argument);
        }
    }
    return table;
}

}  // namespace apu::script700
