#include "core/system_bus.h"

#include <algorithm>

namespace apu {

void SystemBus::reset() { set_state(BusState{}); }

uint8_t SystemBus::read_io(uint16_t address, uint64_t now) {
    switch (address) {
    case 0xF2: return dsp_address_;
    case 0xF3:
        changed_ = 1;  // DSP state moves with time
        if (dsp_observer_) [[unlikely]] dsp_observer_(dsp_observer_context_, now, dsp_address_ & 0x7F, 0, false);
        sync_dsp_to(dsp_cycle_ + dsp_.clocks_before_access(dsp_address_, now - dsp_cycle_, false));
        return dsp_.read(dsp_address_ & 0x7F);
    case 0xF4: case 0xF5: case 0xF6: case 0xF7: {
        const int port = address - 0xF4;
        take_due_port_writes(now);
        port_accessed(port, port_in_[port], false, now);
        return port_in_[port];
    }
    case 0xF8: case 0xF9: return aux_[address - 0xF8];
    case 0xFD: case 0xFE: case 0xFF: {
        const uint8_t value = timers_.read_counter(address - 0xFD, now);
        timers_read_ |= uint8_t(1 << (address - 0xFD));
        if (!value) {
            empty_timer_read_ = true;
            run_limit_ = 0;
        } else {
            changed_ = 1;
        }
        return value;
    }
    default: return 0;  // TEST, CONTROL and the targets are write-only
    }
}

void SystemBus::write_io(uint16_t address, uint8_t value, uint64_t now) {
    changed_ = 1;
    switch (address) {
    case 0xF0: test_ = value; break;
    case 0xF1:
        take_due_port_writes(now);
        control_ = value;
        if (value & 0x10) port_in_[0] = port_in_[1] = 0;
        if (value & 0x20) port_in_[2] = port_in_[3] = 0;
        ipl_enabled_ = (value & 0x80) != 0;
        timers_.write_control(value, now);
        break;
    case 0xF2: dsp_address_ = value; break;
    case 0xF3:
        // The upper half of the address space mirrors the registers read-only.
        if (dsp_address_ < 0x80) {
            if (dsp_observer_) [[unlikely]] dsp_observer_(dsp_observer_context_, now, dsp_address_, value, true);
            const Dsp::WritePlan plan = dsp_.plan_write(dsp_address_, now - dsp_cycle_);
            sync_dsp_to(dsp_cycle_ + plan.clocks);
            if (plan.deferred) dsp_.write_deferred(dsp_address_, value);
            else dsp_.write(dsp_address_, value);
        }
        break;
    case 0xF4: case 0xF5: case 0xF6: case 0xF7:
        port_out_[address - 0xF4] = value;
        port_accessed(address - 0xF4, value, true, now);
        break;
    case 0xF8: case 0xF9: aux_[address - 0xF8] = value; break;
    case 0xFA: case 0xFB: case 0xFC: timers_.write_target(address - 0xFA, value, now); break;
    default: break;  // the counters ignore writes
    }
}

void SystemBus::write_input_port_at(int port, uint8_t value, uint64_t cycle, uint64_t now) {
    if (port_write_count_ == kMaxPortWrites) {
        port_in_[port_writes_[0].port] = port_writes_[0].value;
        std::copy(port_writes_ + 1, port_writes_ + port_write_count_--, port_writes_);
    }
    port_writes_[port_write_count_++] = {cycle, uint8_t(port & 3), value};
    take_due_port_writes(now);
}

void SystemBus::apply_port_writes(uint64_t now) {
    int taken = 0;
    for (; taken < port_write_count_ && port_writes_[taken].cycle <= now; ++taken)
        port_in_[port_writes_[taken].port] = port_writes_[taken].value;
    std::copy(port_writes_ + taken, port_writes_ + port_write_count_, port_writes_);
    port_write_count_ -= taken;
    changed_ = 1;  // an idle loop reading the port must not be taken for one
}

uint8_t SystemBus::peek(uint16_t address, uint64_t now) {
    if ((address & 0xFFF0) == 0x00F0) {
        if (address >= 0xFD) return timers_.peek_counter(address - 0xFD, now);
        if (address >= 0xF4 && address <= 0xF7) {  // unwatched
            take_due_port_writes(now);
            return port_in_[address - 0xF4];
        }
        if (address == 0xF3) {
            sync_dsp(now);
            return dsp_.read(dsp_address_ & 0x7F);
        }
        return read_io(address, now);
    }
    if (address >= kIplRomBase && ipl_enabled_) return kIplRom[address - kIplRomBase];
    return ram_[address];
}

void SystemBus::restore_io(uint8_t control, uint8_t dsp_address, const uint8_t ports[4], const uint8_t aux[2],
                           const uint8_t targets[3], const uint8_t counters[3], uint64_t now) {
    // Dumps leave arbitrary bytes at 0xF0; the song ran with timers and RAM
    // working, which is what the power-on value gives.
    test_ = 0x0A;
    control_ = control;
    ipl_enabled_ = (control & 0x80) != 0;
    dsp_address_ = dsp_address;
    for (int i = 0; i < 4; ++i) {
        port_in_[i] = ports[i];
        port_out_[i] = 0;
    }
    aux_[0] = aux[0];
    aux_[1] = aux[1];
    timers_.restart_prescaler(now);
    for (int i = 0; i < 3; ++i) timers_.restore(i, (control >> i) & 1, targets[i], counters[i], now);
}

}  // namespace apu
