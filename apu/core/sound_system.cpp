#include "core/sound_system.h"

#include <cstring>

namespace apu {

SoundSystem::SoundSystem() : cpu_(bus_) { reset(); }

void SoundSystem::reset() {
    std::memset(ram(), 0, 0x10000);
    bus_.dsp().reset();
    bus_.reset();
    CpuRegisters r;
    r.pc = uint16_t(kIplRom[0x3E] | kIplRom[0x3F] << 8);
    cpu_.set_registers(r);
    cpu_.set_halted(false);
    cpu_.set_cycle(0);
    target_cycle_ = 0;
}

void SoundSystem::render(int16_t* frames, size_t count) { advance(frames, count); }

void SoundSystem::skip(size_t count) { advance(nullptr, count); }

void SoundSystem::advance(int16_t* frames, size_t count) {
    // DSP clocks and CPU cycles both count from reset.
    const uint64_t end = (frames_rendered() + count) * 32;
    bus_.dsp().set_output(frames, frames ? count : 0);
    cpu_.run(end);
    bus_.sync_dsp(end);
    if (target_cycle_ < end) target_cycle_ = end;
}

void SoundSystem::run(uint32_t cycles) {
    target_cycle_ += cycles;
    cpu_.run(target_cycle_);
    bus_.sync_dsp(cpu_.cycle());
}

}  // namespace apu
