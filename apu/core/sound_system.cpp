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
    reads_outx_ = false;
    turns_echo_on_ = false;
}

void SoundSystem::save(CoreState& state) const {
    std::memcpy(state.ram.data(), ram(), state.ram.size());
    state.cpu = cpu_.state();
    state.bus = bus_.state();
    bus_.dsp().save(state.dsp);
    state.run_target = target_cycle_;
}

void SoundSystem::restore(const CoreState& state) {
    std::memcpy(ram(), state.ram.data(), state.ram.size());
    cpu_.set_state(state.cpu);
    bus_.set_state(state.bus);
    bus_.dsp().restore(state.dsp);
    target_cycle_ = state.run_target;
}

void SoundSystem::render(int16_t* frames, size_t count) { advance(frames, count); }

// In pieces, each saved before it runs: should the CPU have seen any of
// the work left out (an OUTX read, echo writes turned on), the piece runs
// again from the saved state, worked out in full. A song that did either
// once will again: one that read OUTX is skipped in full from then on, one
// that turned echo writes on keeps the echo input worked out.
void SoundSystem::skip(size_t count) {
    constexpr size_t kPiece = 16384;
    Dsp& dsp = bus_.dsp();
    while (count) {
        const size_t n = count < kPiece ? count : kPiece;
        count -= n;
        if (reads_outx_) {
            advance(nullptr, n);
            continue;
        }
        if (!piece_start_) piece_start_ = std::make_unique<CoreState>();
        save(*piece_start_);
        dsp.set_unheard_until(static_cast<int64_t>(frames_rendered() + n), turns_echo_on_);
        advance(nullptr, n);
        const Dsp::Exposure seen = dsp.exposure();
        dsp.set_unheard_until(0);
        if (seen.outx_read || seen.echo_turned_on) {
            if (seen.outx_read) reads_outx_ = true;
            if (seen.echo_turned_on) turns_echo_on_ = true;
            restore(*piece_start_);
            advance(nullptr, n);
        }
    }
}

void SoundSystem::advance(int16_t* frames, size_t count) {
    // DSP clocks and CPU cycles both count from reset.
    const uint64_t end = (frames_rendered() + count) * 32;
    bus_.dsp().set_output(frames, frames ? count : 0);
    cpu_.run(end);
    bus_.sync_dsp(end);
    if (target_cycle_ < end) target_cycle_ = end;
}

bool SoundSystem::run_until(uint64_t cycle, uint8_t watch, PortAccess* access) {
    bus_.watch_ports(watch);
    cpu_.run(cycle);
    const bool stopped = bus_.stopped();
    bus_.watch_ports(0);
    if (stopped && access) *access = bus_.stop_access();
    // run() goes on from where this one stopped, or from the cycle asked
    // for (making up for the last instruction's overrun, as it does).
    const uint64_t reached = stopped ? cpu_.cycle() : cycle;
    if (target_cycle_ < reached) target_cycle_ = reached;
    bus_.sync_dsp(cpu_.cycle());
    return stopped;
}

void SoundSystem::run(uint32_t cycles) {
    target_cycle_ += cycles;
    cpu_.run(target_cycle_);
    bus_.sync_dsp(cpu_.cycle());
}

}  // namespace apu
