#pragma once
#include <cstdint>

// The interpreter is one function with its dispatch loop (see cpu_exec.h);
// its small helpers are forced inline so the large body keeps them inline.
#define APU_CPU_INLINE inline __attribute__((always_inline))

namespace apu {

struct CpuRegisters {
    uint16_t pc = 0;
    uint8_t a = 0;
    uint8_t x = 0;
    uint8_t y = 0;
    uint8_t sp = 0;
    uint8_t psw = 0;  // N V P B H I Z C, bit 7 to bit 0
};

// An address in the direct page or the stack (0x000..0x1FF): reads there
// need only look out for the I/O registers, never for the ROM.
struct DpAddress {
    uint16_t value;
    operator uint16_t() const { return value; }
};

namespace flag {
inline constexpr uint8_t N = 0x80, V = 0x40, P = 0x20, B = 0x10, H = 0x08, I = 0x04, Z = 0x02, C = 0x01;
}

// The CPU's state, saved and restored as one value (see Cpu::state).
struct CpuState {
    uint16_t pc_ = 0;
    uint8_t a_ = 0, x_ = 0, y_ = 0, sp_ = 0;
    // Most instructions set N and Z from one byte, which is stored as is:
    // N is bit 7 (or 15), Z is a zero low byte. 0x8000 holds both at once.
    uint16_t nz_ = 1;
    bool v_ = false, p_ = false, b_ = false, h_ = false, i_ = false, c_ = false;
    bool halted_ = false;
    uint64_t cycle_ = 0;
    uint64_t loop_state_ = ~uint64_t(0);  // registers at the last empty timer read
    uint64_t loop_cycle_ = 0;
};

// The SPC700. Every bus access and internal cycle goes through Bus (read,
// read_dp for the direct page and the stack, write, idle: one CPU cycle
// each, told the cycle it falls on) in the order the chip performs them.
// Bus also holds the cycle a run stops at (run_limit). The CPU keeps the
// cycle count: while running, it and the registers live in a local copy
// (see run()).
// Bus is a template parameter so the production memory map is inlined into
// the interpreter; a flat recording bus is used to check the CPU alone.
// Instantiated for SystemBus and FlatBus (cpu_system.cpp, cpu_flat.cpp).
template <class Bus>
class Cpu : private CpuState {
public:
    explicit Cpu(Bus& bus) : bus_(bus) {}

    const CpuState& state() const { return *this; }
    void set_state(const CpuState& state) { static_cast<CpuState&>(*this) = state; }

    CpuRegisters registers() const;
    void set_registers(const CpuRegisters& r);

    // SLEEP and STOP halt the CPU until reset; nothing on this chip wakes it.
    bool halted() const { return halted_; }
    void set_halted(bool halted) { halted_ = halted; }

    // Cycles run since reset.
    uint64_t cycle() const { return cycle_; }
    void set_cycle(uint64_t cycle) { cycle_ = cycle; }

    // Executes one instruction (a halted CPU idles one cycle).
    void step();
    // Executes instructions until the cycle count reaches end_cycle; the last
    // instruction may run past it.
    void run(uint64_t end_cycle);

private:
    enum AluOp { Or, And, Eor, Cmp, Adc, Sbc };

    // Bus cycles.
    APU_CPU_INLINE uint8_t fetch() { return bus_.read(pc_++, cycle_++); }
    APU_CPU_INLINE uint16_t fetch16() {
        const uint8_t lo = fetch();
        return uint16_t(lo | fetch() << 8);
    }
    APU_CPU_INLINE void dummy_read() { bus_.read(pc_, cycle_++); }
    APU_CPU_INLINE void idle() { bus_.idle(cycle_++); }
    APU_CPU_INLINE uint8_t read(uint16_t address) { return bus_.read(address, cycle_++); }
    APU_CPU_INLINE uint8_t read(DpAddress address) { return bus_.read_dp(address, cycle_++); }
    APU_CPU_INLINE void write(uint16_t address, uint8_t value) { bus_.write(address, value, cycle_++); }
    APU_CPU_INLINE DpAddress dp(unsigned offset) const { return {uint16_t((p_ ? 0x100 : 0) | (offset & 0xFF))}; }
    APU_CPU_INLINE void push(uint8_t value) { write(uint16_t(0x100 | sp_--), value); }
    APU_CPU_INLINE uint8_t pop() { return read(DpAddress{uint16_t(0x100 | ++sp_)}); }

    // Effective addresses, with the cycles the chip spends forming them.
    APU_CPU_INLINE DpAddress addr_dp() { return dp(fetch()); }
    APU_CPU_INLINE DpAddress addr_dp_x() { const uint8_t d = fetch(); idle(); return dp(d + x_); }
    APU_CPU_INLINE DpAddress addr_dp_y() { const uint8_t d = fetch(); idle(); return dp(d + y_); }
    APU_CPU_INLINE uint16_t addr_abs() { return fetch16(); }
    APU_CPU_INLINE uint16_t addr_abs_x() { const uint16_t w = fetch16(); idle(); return uint16_t(w + x_); }
    APU_CPU_INLINE uint16_t addr_abs_y() { const uint16_t w = fetch16(); idle(); return uint16_t(w + y_); }
    APU_CPU_INLINE DpAddress addr_ind_x() { dummy_read(); return dp(x_); }
    uint16_t addr_dp_x_ind();   // [dp+X]
    uint16_t addr_dp_ind_y();   // [dp]+Y, as used by loads

    // Flags and ALU (cpu_alu.h).
    // N and Z are kept as the value they come from (see nz_).
    APU_CPU_INLINE void set_nz(uint8_t v) { nz_ = v; }
    APU_CPU_INLINE void set_nz16(unsigned w) { nz_ = uint16_t((w & 0x8000) | (w != 0)); }
    APU_CPU_INLINE bool flag_n() const { return nz_ & 0x8080; }
    APU_CPU_INLINE bool flag_z() const { return !uint8_t(nz_); }
    uint8_t get_psw() const;
    void set_psw(uint8_t psw);
    template <int Op> uint8_t alu(uint8_t a, uint8_t b);
    template <int Op> void alu_a(uint8_t b);
    template <int Op, class Address> void alu_mem(Address address, uint8_t b);
    uint8_t adc(uint8_t a, uint8_t b);
    void compare(uint8_t a, uint8_t b);
    uint8_t asl(uint8_t v);
    uint8_t lsr(uint8_t v);
    uint8_t rol(uint8_t v);
    uint8_t ror(uint8_t v);
    APU_CPU_INLINE uint8_t inc(uint8_t v) { set_nz(uint8_t(v + 1)); return uint8_t(v + 1); }
    APU_CPU_INLINE uint8_t dec(uint8_t v) { set_nz(uint8_t(v - 1)); return uint8_t(v - 1); }
    template <class Address, class F> APU_CPU_INLINE void modify(Address address, F f) {
        write(address, f(read(address)));
    }
    template <class Address> APU_CPU_INLINE void store(Address address, uint8_t v) {
        read(address);
        write(address, v);
    }
    void branch(bool taken);
    void call(uint16_t target, bool extra_wait);
    void word_op(uint8_t opcode);
    void bit_op(uint8_t opcode);
    void multiply();
    void divide();
    void decimal_adjust_add();
    void decimal_adjust_sub();
    void execute(uint8_t opcode);
    void run_loop(uint64_t end_cycle);
    void skip_timer_poll(uint64_t end_cycle);
    void skip_idle_loop(uint64_t end_cycle, bool may_skip);

    Bus& bus_;
};

}  // namespace apu
