#pragma once
// The SPC700 interpreter: one case per opcode. Included only by the files
// that instantiate the CPU for a bus.
#include "core/cpu.h"
#include "core/cpu_alu.h"

namespace apu {

template <class Bus>
APU_CPU_INLINE uint16_t Cpu<Bus>::addr_dp_x_ind() {
    const uint8_t d = uint8_t(fetch() + x_);
    idle();
    const uint8_t lo = read(dp(d));
    return uint16_t(lo | read(dp(d + 1)) << 8);
}

template <class Bus>
APU_CPU_INLINE uint16_t Cpu<Bus>::addr_dp_ind_y() {
    const uint8_t d = fetch();
    idle();
    const uint8_t lo = read(dp(d));
    const uint16_t base = uint16_t(lo | read(dp(d + 1)) << 8);
    return uint16_t(base + y_);
}

template <class Bus>
APU_CPU_INLINE void Cpu<Bus>::branch(bool taken) {
    const int8_t offset = int8_t(fetch());
    if (taken) {
        idle();
        idle();
        pc_ = uint16_t(pc_ + offset);
    }
}

template <class Bus>
APU_CPU_INLINE void Cpu<Bus>::call(uint16_t target, bool extra_wait) {
    push(uint8_t(pc_ >> 8));
    push(uint8_t(pc_));
    idle();
    if (extra_wait) idle();
    pc_ = target;
}

template <class Bus>
void Cpu<Bus>::step() {
    if (halted_) {
        idle();
        return;
    }
    execute(fetch());
}

template <class Bus>
void Cpu<Bus>::run(uint64_t end_cycle) {
    // RAM is written through byte pointers, which may alias any member, so
    // members would be reloaded after every store; a local copy whose
    // address never leaves this function keeps them in registers.
    Cpu local(bus_);
    local.set_state(*this);
    local.run_loop(end_cycle);
    set_state(local);
}

template <class Bus>
APU_CPU_INLINE void Cpu<Bus>::run_loop(uint64_t end_cycle) {
    // The caller may have changed ports or RAM since the last call.
    loop_state_ = ~uint64_t(0);
    // The loop tests only the bus's run limit: SLEEP and STOP lower it to
    // end the run, and so does an empty timer read, after which a polling
    // loop may be skipped before going on.
    while (!halted_ && cycle_ < end_cycle) {
        bus_.set_run_limit(end_cycle);
        while (cycle_ < bus_.run_limit()) execute(fetch());
        if constexpr (requires { Bus::kHasTimers; }) {
            if (bus_.stopped()) break;  // a watched port access
            if (bus_.take_empty_timer_read() && !halted_ && cycle_ < end_cycle) {
                const uint64_t before = cycle_;
                skip_timer_poll(end_cycle);
                skip_idle_loop(end_cycle, cycle_ == before);
            }
        }
    }
    if (halted_ && cycle_ < end_cycle) cycle_ = end_cycle;  // a halted CPU only lets time pass
}

// A loop of a load from a timer counter and BEQ back to it only spins until
// the counter turns nonzero. Right after such a load read zero, the whole
// iterations that would read zero again are skipped at once: they leave
// every register and flag as they are and only let time pass.
template <class Bus>
APU_CPU_INLINE void Cpu<Bus>::skip_timer_poll(uint64_t end_cycle) {
    if constexpr (requires { Bus::kHasTimers; }) {
        if (pc_ < 0x0100 || pc_ >= 0xFFB0) return;
        if (bus_.peek(pc_, cycle_) != 0xF0 || !flag_z()) return;
        const int offset = int8_t(bus_.peek(uint16_t(pc_ + 1), cycle_));
        const uint16_t load = uint16_t(pc_ + 2 + offset);
        const uint8_t op = bus_.peek(load, cycle_);
        uint8_t counter;
        int load_cycles;
        if ((op == 0xE4 || op == 0xEB || op == 0xF8) && offset == -4 && !p_) {
            counter = bus_.peek(uint16_t(load + 1), cycle_);
            load_cycles = 3;
        } else if ((op == 0xE5 || op == 0xEC || op == 0xE9) && offset == -5 &&
                   bus_.peek(uint16_t(load + 2), cycle_) == 0) {
            counter = bus_.peek(uint16_t(load + 1), cycle_);
            load_cycles = 4;
        } else {
            return;
        }
        if (counter < 0xFD) return;
        const uint64_t now = cycle_;
        const uint64_t period = 4 + load_cycles;             // taken BEQ, then the load
        const uint64_t first_read = now + 4 + load_cycles - 1;  // the load's last cycle
        const uint64_t ready = bus_.timers().next_output(counter - 0xFD, first_read);
        if (ready <= first_read) return;
        uint64_t skip = (ready - first_read + period - 1) / period;
        const uint64_t fit = (end_cycle - now) / period;
        if (skip > fit) skip = fit;
        cycle_ = now + skip * period;
    }
}

// Any other loop that comes back to the same empty timer read with every
// register as it was, having changed no RAM and no I/O state and read only
// timers that gave zero, repeats itself exactly until one of those timers
// turns nonzero: those whole iterations are skipped at once.
template <class Bus>
APU_CPU_INLINE void Cpu<Bus>::skip_idle_loop(uint64_t end_cycle, bool may_skip) {
    if constexpr (requires { Bus::kHasTimers; }) {
        const uint64_t state = pc_ | uint64_t(a_) << 16 | uint64_t(x_) << 24 | uint64_t(y_) << 32 |
                               uint64_t(sp_) << 40 | uint64_t(get_psw()) << 48;
        const uint64_t now = cycle_;
        if (may_skip && state == loop_state_ && now > loop_cycle_ && bus_.loop_kept_state()) {
            const uint64_t period = now - loop_cycle_;
            // A port the loop may read changes with a waiting write.
            uint64_t ready = bus_.next_port_write();
            for (int t = 0; t < 3; ++t) {
                if (!(bus_.loop_timers_read() >> t & 1)) continue;
                const uint64_t r = bus_.timers().next_output(t, now);
                if (r < ready) ready = r;
            }
            // Every read of an iteration ending by `ready` still gives zero.
            if (ready > now && end_cycle > now) {
                uint64_t skip = (ready - now) / period;
                const uint64_t fit = (end_cycle - now) / period;
                if (skip > fit) skip = fit;
                cycle_ = now + skip * period;
            }
        }
        loop_state_ = state;
        loop_cycle_ = cycle_;
        bus_.watch_loop();
    }
}

// The six ALU operations share one layout in rows 0x00..0xBF; Op is the row pair.
#define APU_ALU_ROWS(base, Op)                                                              \
    case base + 0x04: alu_a<Op>(read(addr_dp())); break;                                    \
    case base + 0x05: alu_a<Op>(read(addr_abs())); break;                                   \
    case base + 0x06: alu_a<Op>(read(addr_ind_x())); break;                                 \
    case base + 0x07: alu_a<Op>(read(addr_dp_x_ind())); break;                              \
    case base + 0x08: alu_a<Op>(fetch()); break;                                            \
    case base + 0x09: { const uint8_t s = read(addr_dp()); alu_mem<Op>(addr_dp(), s); break; } \
    case base + 0x14: alu_a<Op>(read(addr_dp_x())); break;                                  \
    case base + 0x15: alu_a<Op>(read(addr_abs_x())); break;                                 \
    case base + 0x16: alu_a<Op>(read(addr_abs_y())); break;                                 \
    case base + 0x17: alu_a<Op>(read(addr_dp_ind_y())); break;                              \
    case base + 0x18: { const uint8_t imm = fetch(); alu_mem<Op>(addr_dp(), imm); break; }  \
    case base + 0x19: { dummy_read(); const uint8_t s = read(dp(y_)); alu_mem<Op>(dp(x_), s); break; }

// Shifts, rotates, INC and DEC: memory and register forms.
#define APU_RMW_ROWS(base_dp, base_abs, base_reg, fn, reg)                   \
    case base_dp: modify(addr_dp(), [this](uint8_t v) { return fn(v); }); break;          \
    case base_dp + 0x10: modify(addr_dp_x(), [this](uint8_t v) { return fn(v); }); break; \
    case base_abs: modify(addr_abs(), [this](uint8_t v) { return fn(v); }); break;        \
    case base_reg: dummy_read(); reg = fn(reg); break;

template <class Bus>
APU_CPU_INLINE void Cpu<Bus>::execute(uint8_t opcode) {
    switch (opcode) {
    APU_ALU_ROWS(0x00, Or)
    APU_ALU_ROWS(0x20, And)
    APU_ALU_ROWS(0x40, Eor)
    APU_ALU_ROWS(0x60, Cmp)
    APU_ALU_ROWS(0x80, Adc)
    APU_ALU_ROWS(0xA0, Sbc)

    APU_RMW_ROWS(0x0B, 0x0C, 0x1C, asl, a_)
    APU_RMW_ROWS(0x2B, 0x2C, 0x3C, rol, a_)
    APU_RMW_ROWS(0x4B, 0x4C, 0x5C, lsr, a_)
    APU_RMW_ROWS(0x6B, 0x6C, 0x7C, ror, a_)
    APU_RMW_ROWS(0x8B, 0x8C, 0x9C, dec, a_)
    APU_RMW_ROWS(0xAB, 0xAC, 0xBC, inc, a_)
    case 0x1D: dummy_read(); x_ = dec(x_); break;
    case 0x3D: dummy_read(); x_ = inc(x_); break;
    case 0xDC: dummy_read(); y_ = dec(y_); break;
    case 0xFC: dummy_read(); y_ = inc(y_); break;

    // Flag instructions and NOP.
    case 0x00: dummy_read(); break;
    case 0x20: dummy_read(); p_ = false; break;
    case 0x40: dummy_read(); p_ = true; break;
    case 0x60: dummy_read(); c_ = false; break;
    case 0x80: dummy_read(); c_ = true; break;
    case 0xA0: dummy_read(); idle(); i_ = true; break;
    case 0xC0: dummy_read(); idle(); i_ = false; break;
    case 0xE0: dummy_read(); v_ = false; h_ = false; break;
    case 0xED: dummy_read(); idle(); c_ = !c_; break;

    // Conditional branches.
    case 0x10: branch(!flag_n()); break;
    case 0x30: branch(flag_n()); break;
    case 0x50: branch(!v_); break;
    case 0x70: branch(v_); break;
    case 0x90: branch(!c_); break;
    case 0xB0: branch(c_); break;
    case 0xD0: branch(!flag_z()); break;
    case 0xF0: branch(flag_z()); break;
    case 0x2F: branch(true); break;

    // TCALL n, SET1/CLR1 dp.b, BBS/BBC dp.b,rel.
    case 0x01: case 0x11: case 0x21: case 0x31: case 0x41: case 0x51: case 0x61: case 0x71:
    case 0x81: case 0x91: case 0xA1: case 0xB1: case 0xC1: case 0xD1: case 0xE1: case 0xF1: {
        dummy_read();
        idle();
        const uint16_t vector = uint16_t(0xFFDE - 2 * (opcode >> 4));
        call(pc_, false);
        const uint8_t lo = read(vector);
        pc_ = uint16_t(lo | read(uint16_t(vector + 1)) << 8);
        break;
    }
    case 0x02: case 0x12: case 0x22: case 0x32: case 0x42: case 0x52: case 0x62: case 0x72:
    case 0x82: case 0x92: case 0xA2: case 0xB2: case 0xC2: case 0xD2: case 0xE2: case 0xF2: {
        const uint8_t mask = uint8_t(1u << (opcode >> 5));
        if (opcode & 0x10) modify(addr_dp(), [mask](uint8_t v) { return uint8_t(v & ~mask); });
        else modify(addr_dp(), [mask](uint8_t v) { return uint8_t(v | mask); });
        break;
    }
    case 0x03: case 0x13: case 0x23: case 0x33: case 0x43: case 0x53: case 0x63: case 0x73:
    case 0x83: case 0x93: case 0xA3: case 0xB3: case 0xC3: case 0xD3: case 0xE3: case 0xF3: {
        const uint8_t v = read(addr_dp());
        idle();
        const bool set = (v >> (opcode >> 5)) & 1;
        branch((opcode & 0x10) ? !set : set);
        break;
    }

    // Bit operations on absolute bits, word operations.
    case 0x0A: case 0x2A: case 0x4A: case 0x6A: case 0x8A: case 0xAA: case 0xCA: case 0xEA: bit_op(opcode); break;
    case 0x1A: case 0x3A: case 0x5A: case 0x7A: case 0x9A: case 0xBA: case 0xDA: word_op(opcode); break;

    // TSET1 / TCLR1 abs: flags as CMP A,mem; the operand is read twice.
    case 0x0E: case 0x4E: {
        const uint16_t address = addr_abs();
        const uint8_t v = read(address);
        read(address);
        set_nz(uint8_t(a_ - v));
        write(address, opcode == 0x0E ? uint8_t(v | a_) : uint8_t(v & ~a_));
        break;
    }

    // Compares with X and Y.
    case 0xC8: compare(x_, fetch()); break;
    case 0x3E: compare(x_, read(addr_dp())); break;
    case 0x1E: compare(x_, read(addr_abs())); break;
    case 0xAD: compare(y_, fetch()); break;
    case 0x7E: compare(y_, read(addr_dp())); break;
    case 0x5E: compare(y_, read(addr_abs())); break;

    // Loads.
    case 0xE8: a_ = fetch(); set_nz(a_); break;
    case 0xE4: a_ = read(addr_dp()); set_nz(a_); break;
    case 0xF4: a_ = read(addr_dp_x()); set_nz(a_); break;
    case 0xE5: a_ = read(addr_abs()); set_nz(a_); break;
    case 0xF5: a_ = read(addr_abs_x()); set_nz(a_); break;
    case 0xF6: a_ = read(addr_abs_y()); set_nz(a_); break;
    case 0xE6: a_ = read(addr_ind_x()); set_nz(a_); break;
    case 0xE7: a_ = read(addr_dp_x_ind()); set_nz(a_); break;
    case 0xF7: a_ = read(addr_dp_ind_y()); set_nz(a_); break;
    case 0xBF: dummy_read(); a_ = read(dp(x_)); idle(); ++x_; set_nz(a_); break;
    case 0xCD: x_ = fetch(); set_nz(x_); break;
    case 0xF8: x_ = read(addr_dp()); set_nz(x_); break;
    case 0xF9: x_ = read(addr_dp_y()); set_nz(x_); break;
    case 0xE9: x_ = read(addr_abs()); set_nz(x_); break;
    case 0x8D: y_ = fetch(); set_nz(y_); break;
    case 0xEB: y_ = read(addr_dp()); set_nz(y_); break;
    case 0xFB: y_ = read(addr_dp_x()); set_nz(y_); break;
    case 0xEC: y_ = read(addr_abs()); set_nz(y_); break;

    // Stores: the chip reads the destination before writing it.
    case 0xC4: store(addr_dp(), a_); break;
    case 0xD4: store(addr_dp_x(), a_); break;
    case 0xC5: store(addr_abs(), a_); break;
    case 0xD5: store(addr_abs_x(), a_); break;
    case 0xD6: store(addr_abs_y(), a_); break;
    case 0xC6: store(addr_ind_x(), a_); break;
    case 0xC7: store(addr_dp_x_ind(), a_); break;
    case 0xD7: {
        const uint8_t d = fetch();
        const uint8_t lo = read(dp(d));
        const uint16_t base = uint16_t(lo | read(dp(d + 1)) << 8);
        idle();
        store(uint16_t(base + y_), a_);
        break;
    }
    case 0xAF: dummy_read(); idle(); write(dp(x_), a_); ++x_; break;
    case 0xD8: store(addr_dp(), x_); break;
    case 0xD9: store(addr_dp_y(), x_); break;
    case 0xC9: store(addr_abs(), x_); break;
    case 0xCB: store(addr_dp(), y_); break;
    case 0xDB: store(addr_dp_x(), y_); break;
    case 0xCC: store(addr_abs(), y_); break;
    case 0x8F: { const uint8_t imm = fetch(); store(addr_dp(), imm); break; }
    case 0xFA: { const uint8_t s = read(addr_dp()); write(addr_dp(), s); break; }

    // Register transfers.
    case 0x7D: dummy_read(); a_ = x_; set_nz(a_); break;
    case 0xDD: dummy_read(); a_ = y_; set_nz(a_); break;
    case 0x5D: dummy_read(); x_ = a_; set_nz(x_); break;
    case 0xFD: dummy_read(); y_ = a_; set_nz(y_); break;
    case 0x9D: dummy_read(); x_ = sp_; set_nz(x_); break;
    case 0xBD: dummy_read(); sp_ = x_; break;

    // Stack.
    case 0x0D: dummy_read(); push(get_psw()); idle(); break;
    case 0x2D: dummy_read(); push(a_); idle(); break;
    case 0x4D: dummy_read(); push(x_); idle(); break;
    case 0x6D: dummy_read(); push(y_); idle(); break;
    case 0x8E: dummy_read(); idle(); set_psw(pop()); break;
    case 0xAE: dummy_read(); idle(); a_ = pop(); break;
    case 0xCE: dummy_read(); idle(); x_ = pop(); break;
    case 0xEE: dummy_read(); idle(); y_ = pop(); break;

    // Jumps, calls and returns.
    case 0x5F: pc_ = addr_abs(); break;
    case 0x1F: {
        const uint16_t address = addr_abs_x();
        const uint8_t lo = read(address);
        pc_ = uint16_t(lo | read(uint16_t(address + 1)) << 8);
        break;
    }
    case 0x3F: { const uint16_t target = addr_abs(); idle(); call(target, true); break; }
    case 0x4F: { const uint8_t page = fetch(); idle(); call(uint16_t(0xFF00 | page), false); break; }
    case 0x0F: {
        dummy_read();
        push(uint8_t(pc_ >> 8));
        push(uint8_t(pc_));
        push(get_psw());
        idle();
        const uint8_t lo = read(0xFFDE);
        pc_ = uint16_t(lo | read(0xFFDF) << 8);
        b_ = true;
        i_ = false;
        break;
    }
    case 0x6F: {
        dummy_read();
        idle();
        const uint8_t lo = pop();
        pc_ = uint16_t(lo | pop() << 8);
        break;
    }
    case 0x7F: {
        dummy_read();
        idle();
        set_psw(pop());
        const uint8_t lo = pop();
        pc_ = uint16_t(lo | pop() << 8);
        break;
    }

    // Compare-and-branch, decrement-and-branch.
    case 0x2E: { const uint8_t v = read(addr_dp()); idle(); branch(v != a_); break; }
    case 0xDE: { const uint8_t v = read(addr_dp_x()); idle(); branch(v != a_); break; }
    case 0x6E: {
        const uint16_t address = addr_dp();
        const uint8_t v = uint8_t(read(address) - 1);
        write(address, v);
        branch(v != 0);
        break;
    }
    case 0xFE: dummy_read(); idle(); --y_; branch(y_ != 0); break;

    // Multiply, divide, nibble swap, decimal adjust.
    case 0xCF: multiply(); break;
    case 0x9E: divide(); break;
    case 0x9F: dummy_read(); idle(); idle(); idle(); a_ = uint8_t(a_ >> 4 | a_ << 4); set_nz(a_); break;
    case 0xDF: decimal_adjust_add(); break;
    case 0xBE: decimal_adjust_sub(); break;

    // SLEEP, STOP.
    case 0xEF: case 0xFF: dummy_read(); idle(); halted_ = true; bus_.set_run_limit(0); break;
    }
}

#undef APU_ALU_ROWS
#undef APU_RMW_ROWS

}  // namespace apu
