// Runs arbitrary scripts that parse beside a small SPC700 program that
// talks through the ports, for 10 ms with a save and restore half way:
// no script may crash, hang or stop the frames coming.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

#include "script700/parser.h"
#include "script700/script_timeline.h"

namespace {

// The core every script starts from, built once: making a sound system
// costs more than a script's whole run, so each input restores this state.
struct Start {
    apu::SoundSystem core;
    apu::CoreState state;

    Start() {
        // loop: MOV A,$F4 ; INC A ; MOV $F5,A ; MOV $F4,A ; MOV A,$F6 ; BRA loop
        const uint8_t code[] = {0xE4, 0xF4, 0xBC, 0xC4, 0xF5, 0xC4, 0xF4, 0xE4, 0xF6, 0x2F, 0xF5};
        std::memcpy(core.ram() + 0x200, code, sizeof code);
        apu::CpuRegisters r;
        r.pc = 0x200;
        r.sp = 0xEF;
        core.set_registers(r);
        core.save(state);
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    apu::script700::Program program;
    apu::script700::ParseError error;
    if (!apu::script700::parse(std::string_view(reinterpret_cast<const char*>(data), size), nullptr, program, error))
        return 0;
    static Start start;
    apu::SoundSystem& core = start.core;
    core.restore(start.state);

    apu::script700::Interpreter script;
    script.load(std::move(program));
    script.restart(core);
    int16_t frames[2 * 160];
    apu::script700::advance_with_script(script, core, 160, frames, false);
    const std::vector<uint8_t> saved = script.save();
    if (!script.restore(saved)) std::abort();
    apu::script700::advance_with_script(script, core, 320, nullptr, true);
    if (core.frames_rendered() != 320) std::abort();
    return 0;
}
