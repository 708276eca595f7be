#pragma once
#include <cstdint>

#include "core/dsp.h"
#include "core/ipl_rom.h"
#include "core/timers.h"

namespace apu {

// A write of the main CPU's to an input port that the SPC700 sees from a
// given cycle on.
struct PortWrite {
    uint64_t cycle = 0;
    uint8_t port = 0;
    uint8_t value = 0;
};

// An access of the SPC700's to a port: the cycle of the bus access, the
// port (0..3), the value read or written, and which.
struct PortAccess {
    uint64_t cycle = 0;
    uint8_t port = 0;
    uint8_t value = 0;
    bool write = false;
};

// The I/O state and the timers, saved and restored as one value.
struct BusState {
    static constexpr int kMaxPortWrites = 16;
    Timers timers_;
    uint64_t dsp_cycle_ = 0;
    bool ipl_enabled_ = true;
    uint8_t test_ = 0x0A;
    uint8_t control_ = 0x80;
    uint8_t dsp_address_ = 0;
    uint8_t port_in_[4] = {};
    uint8_t port_out_[4] = {};
    uint8_t aux_[2] = {};
    bool empty_timer_read_ = false;
    uint64_t run_limit_ = 0;
    uint8_t changed_ = 1;
    uint8_t timers_read_ = 0;
    // Writes to the input ports yet to take effect, in cycle order.
    PortWrite port_writes_[kMaxPortWrites] = {};
    int port_write_count_ = 0;
};

// The SPC700's view of its 64 KiB: RAM, the I/O registers at 0xF0..0xFF and
// the IPL ROM at 0xFFC0 while it is switched in. Every access is one CPU
// cycle and comes with its cycle number, so that timers and the DSP are
// brought up to date only when the CPU actually reaches them.
class SystemBus : private BusState {
public:
    SystemBus() = default;
    SystemBus(const SystemBus&) = delete;
    SystemBus& operator=(const SystemBus&) = delete;

    const BusState& state() const { return *this; }
    void set_state(const BusState& state) { static_cast<BusState&>(*this) = state; }

    // The 64 KiB of RAM lives here so the CPU reaches it at a fixed offset
    // from the bus, without loading a pointer on every access; the DSP,
    // which reads and writes it too, comes with it.
    uint8_t* ram() { return ram_; }
    const uint8_t* ram() const { return ram_; }
    Dsp& dsp() { return dsp_; }
    const Dsp& dsp() const { return dsp_; }

    void reset();

    __attribute__((always_inline)) uint8_t read(uint16_t address, uint64_t now) {
        // Code and most data lie between the I/O registers and the ROM: one test.
        if (uint16_t(address - 0x100) < kIplRomBase - 0x100) [[likely]] return ram_[address];
        if ((address & 0xFFF0) == 0x00F0) return read_io(address, now);
        if (address >= kIplRomBase && ipl_enabled_) return kIplRom[address - kIplRomBase];
        return ram_[address];
    }
    // The direct page and the stack hold no ROM: one test.
    __attribute__((always_inline)) uint8_t read_dp(uint16_t address, uint64_t now) {
        if (uint16_t(address - 0xF0) < 0x10) [[unlikely]] return read_io(address, now);
        return ram_[address];
    }
    __attribute__((always_inline)) void write(uint16_t address, uint8_t value, uint64_t now) {
        changed_ |= uint8_t(ram_[address] ^ value);
        ram_[address] = value;  // also under the ROM and the I/O registers
        if ((address & 0xFFF0) == 0x00F0) write_io(address, value, now);
    }
    void idle(uint64_t) {}

    // Set when a timer counter read found nothing, so the CPU may be in a
    // polling loop (see Cpu::skip_timer_poll).
    static constexpr bool kHasTimers = true;
    bool take_empty_timer_read() {
        const bool taken = empty_timer_read_;
        empty_timer_read_ = false;
        return taken;
    }
    // The CPU runs while its cycle count is below this; an empty timer read
    // lowers it to 0 so the CPU stops after that instruction.
    uint64_t run_limit() const { return run_limit_; }
    void set_run_limit(uint64_t cycle) { run_limit_ = cycle; }
    // Watching one iteration of a loop (see Cpu::skip_idle_loop): whether
    // it left RAM and the I/O state as they were and read only timers that
    // gave zero, and which timers it read.
    void watch_loop() { changed_ = 0; timers_read_ = 0; }
    bool loop_kept_state() const { return !changed_; }
    int loop_timers_read() const { return timers_read_; }
    // Runs the DSP up to the given cycle.
    void sync_dsp(uint64_t now) { sync_dsp_to(now); }
    // The cycle the DSP has run up to.
    uint64_t dsp_cycle() const { return dsp_cycle_; }

    // What the CPU would read at cycle `now`, without side effects (counters
    // not cleared).
    uint8_t peek(uint16_t address, uint64_t now);

    // The main-CPU side of the four ports: what the SPC700 reads at 0xF4+i,
    // and what it last wrote there.
    void set_input_port(int port, uint8_t value) { port_in_[port & 3] = value; }
    uint8_t input_port(int port) const { return port_in_[port & 3]; }
    uint8_t output_port(int port) const { return port_out_[port & 3]; }
    // The input port reads `value` from CPU cycle `cycle` on. Writes are
    // given in cycle order; those whose cycle has passed take effect at once
    // (see take_due_port_writes), and with kMaxPortWrites waiting the
    // earliest does.
    void write_input_port_at(int port, uint8_t value, uint64_t cycle, uint64_t now);
    // Makes the waiting writes due by cycle `now` take effect.
    void take_due_port_writes(uint64_t now) {
        if (port_write_count_ && port_writes_[0].cycle <= now) apply_port_writes(now);
    }
    // The earliest cycle a waiting write takes effect at, or UINT64_MAX.
    uint64_t next_port_write() const { return port_write_count_ ? port_writes_[0].cycle : UINT64_MAX; }

    // Accesses to watched ports (bit p: reads of port p, bit 4 + p: writes)
    // end the run after the instruction that made one: stopped() turns true
    // and the run limit drops to 0. The first such access is kept.
    void watch_ports(uint8_t mask) { watched_ = mask; stopped_ = false; }
    bool stopped() const { return stopped_; }
    const PortAccess& stop_access() const { return stop_access_; }

    // Sees each CPU access to a DSP register through 0xF3 before the DSP
    // does: the cycle, the register (0x00..0x7F), the value written (0 for
    // a read) and which; it may bring the DSP up to that cycle first
    // (sync_dsp). For tests that hold the DSP against another model; not
    // part of the state. Null: none.
    using DspAccessObserver = void (*)(void* context, uint64_t cycle, uint8_t address, uint8_t value, bool write);
    void observe_dsp_accesses(DspAccessObserver observer, void* context) {
        dsp_observer_ = observer;
        dsp_observer_context_ = context;
    }

    uint8_t test() const { return test_; }
    uint8_t control() const { return control_; }
    uint8_t dsp_address() const { return dsp_address_; }
    bool ipl_enabled() const { return ipl_enabled_; }
    uint8_t aux(int index) const { return aux_[index & 1]; }
    Timers& timers() { return timers_; }

    // Snapshot restore: sets the registers as a dump left them, without the
    // one-shot effects of writing them (port clears, timer restarts).
    void restore_io(uint8_t control, uint8_t dsp_address, const uint8_t ports[4], const uint8_t aux[2],
                    const uint8_t targets[3], const uint8_t counters[3], uint64_t now);

private:
    void sync_dsp_to(uint64_t cycle) {
        if (cycle > dsp_cycle_) {
            dsp_.run(uint32_t(cycle - dsp_cycle_));
            dsp_cycle_ = cycle;
        }
    }
    uint8_t read_io(uint16_t address, uint64_t now);
    void write_io(uint16_t address, uint8_t value, uint64_t now);
    void apply_port_writes(uint64_t now);
    void port_accessed(int port, uint8_t value, bool write, uint64_t now) {
        if (!(watched_ >> (port + (write ? 4 : 0)) & 1) || stopped_) return;
        stop_access_ = {now, uint8_t(port), value, write};
        stopped_ = true;
        run_limit_ = 0;
    }

    uint8_t ram_[0x10000] = {};
    Dsp dsp_{ram_};
    // A run's watch (see watch_ports), not part of the state.
    uint8_t watched_ = 0;
    bool stopped_ = false;
    PortAccess stop_access_;
    DspAccessObserver dsp_observer_ = nullptr;
    void* dsp_observer_context_ = nullptr;
};

}  // namespace apu
