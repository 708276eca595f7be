#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <type_traits>

#include "core/cpu.h"
#include "core/dsp.h"
#include "core/system_bus.h"

namespace apu {

// Everything a sound system's future depends on, as one value: continuing
// from a restored state gives what continuing from the saved one gave.
// RAM stands apart so that states of one song can be stored as the pages
// that differ from its image.
struct CoreState {
    std::array<uint8_t, 0x10000> ram;
    CpuState cpu;
    BusState bus;
    DspState dsp;
    uint64_t run_target = 0;  // see SoundSystem::run

    // Memory held, for accounting.
    size_t bytes() const { return sizeof *this; }
};
static_assert(std::is_trivially_copyable_v<CoreState>);

// One complete, independent sound system: 64 KiB RAM, SPC700, timers, IPL
// ROM, the four ports and the S-DSP. Objects share nothing.
// It holds pointers into itself, so it is neither copied nor moved.
class SoundSystem {
public:
    static constexpr uint32_t kCpuHz = 1024000;

    SoundSystem();
    SoundSystem(const SoundSystem&) = delete;
    SoundSystem& operator=(const SoundSystem&) = delete;

    // Power-on state: RAM cleared, IPL ROM switched in, CPU at its reset vector.
    void reset();

    // Restores the state an SPC file image holds (see snapshot.cpp). Bytes
    // past the end of a short image count as zero; returns false when the
    // image did not hold the whole snapshot (0x10200 bytes).
    bool load_spc(const uint8_t* image, size_t size);

    // Runs until exactly `count` more stereo frames (left, right) have been
    // written to `frames`: the DSP stops at the end of the last one's sample
    // period. The CPU may end its last instruction a few cycles ahead, which
    // the next call takes up, so consecutive calls give one unbroken stream.
    void render(int16_t* frames, size_t count);
    // Advances exactly as render() would, without the frames, and faster:
    // work only the frames need is left out (see Dsp::set_unheard_until).
    void skip(size_t count);
    // Frames the DSP has produced since reset or load.
    uint64_t frames_rendered() const { return (bus_.dsp_cycle() + 3) / 32; }  // each at clock 28 of its period

    // The whole state (see CoreState). The settings below are not part of
    // it; restore() leaves them as they are.
    void save(CoreState& state) const;
    void restore(const CoreState& state);

    // Settings (see Dsp): voices left out of the mix, the DSP's view of
    // its registers, the interpolation, the BRR decoder's wrap.
    void set_mute_mask(uint8_t mask) { bus_.dsp().set_mute_mask(mask); }
    uint8_t mute_mask() const { return bus_.dsp().mute_mask(); }
    void set_register_view(RegisterView view, const void* context) { bus_.dsp().set_register_view(view, context); }
    void set_interpolator(Interpolator interpolator) { bus_.dsp().set_interpolator(interpolator); }
    void set_brr_wrap(bool wrap) { bus_.dsp().set_brr_wrap(wrap); }
    // Bytes held, the object and what it allocated.
    size_t memory_bytes() const { return sizeof *this + bus_.dsp().heap_bytes(); }

    // Advances by `cycles` CPU cycles. The last instruction may end a few
    // cycles past the target; the next call makes up for it, so over several
    // calls the cycle count is exact. The DSP is run up to the CPU at the end.
    void run(uint32_t cycles);

    uint64_t cycles() const { return cpu_.cycle(); }
    CpuRegisters registers() const { return cpu_.registers(); }
    // Also wakes a halted CPU: execution starts afresh at r.pc.
    void set_registers(const CpuRegisters& r) {
        cpu_.set_registers(r);
        cpu_.set_halted(false);
    }
    bool halted() const { return cpu_.halted(); }

    // RAM as the DSP sees it (under the ROM and the I/O registers too).
    uint8_t* ram() { return bus_.ram(); }
    const uint8_t* ram() const { return bus_.ram(); }
    // What the CPU would read at `address`, without side effects.
    uint8_t peek(uint16_t address) { return bus_.peek(address, cpu_.cycle()); }

    // The main CPU's side of the ports at 0xF4..0xF7.
    void write_port(int port, uint8_t value) {
        bus_.take_due_port_writes(cpu_.cycle());  // they came first
        bus_.set_input_port(port, value);
    }
    uint8_t read_port(int port) const { return bus_.output_port(port); }
    // The SPC700 reads `value` at the port from CPU cycle `cycle` on, also
    // within an instruction; a cycle already passed means now. Writes are
    // given in cycle order (see SystemBus::write_input_port_at).
    void write_port_at(int port, uint8_t value, uint64_t cycle) {
        bus_.write_input_port_at(port, value, cycle, cpu_.cycle());
    }

    // Runs until CPU cycle `cycle` (the last instruction may end past it, as
    // in run()) or until the SPC700 has accessed a port in `watch` (bit p:
    // reads of port p, bit 4 + p: writes), stopping after that instruction.
    // Returns whether an access stopped it, and which in `access`.
    bool run_until(uint64_t cycle, uint8_t watch, PortAccess* access);

    // Stereo frames are written to this buffer as the DSP runs in run().
    void set_output(int16_t* frames, size_t frame_capacity) { bus_.dsp().set_output(frames, frame_capacity); }
    size_t frames_written() const { return bus_.dsp().frames_written(); }

    Dsp& dsp() { return bus_.dsp(); }
    SystemBus& bus() { return bus_; }

private:
    void advance(int16_t* frames, size_t count);

    SystemBus bus_;  // holds the RAM and the DSP
    Cpu<SystemBus> cpu_;
    uint64_t target_cycle_ = 0;
    // skip(): the state each piece starts from; whether the song was found
    // to read OUTX, which a skip then works out in full; and whether it
    // turned echo writes on, which a skip then keeps the echo input for.
    std::unique_ptr<CoreState> piece_start_;
    bool reads_outx_ = false;
    bool turns_echo_on_ = false;
};

}  // namespace apu
