#pragma once
// Arithmetic, logic and flag helpers of the SPC700; included only by the
// files that instantiate the CPU.
#include "core/cpu.h"

namespace apu {

template <class Bus>
APU_CPU_INLINE uint8_t Cpu<Bus>::get_psw() const {
    return uint8_t((flag_n() ? flag::N : 0) | (v_ ? flag::V : 0) | (p_ ? flag::P : 0) | (b_ ? flag::B : 0) |
                   (h_ ? flag::H : 0) | (i_ ? flag::I : 0) | (flag_z() ? flag::Z : 0) | (c_ ? flag::C : 0));
}

template <class Bus>
APU_CPU_INLINE void Cpu<Bus>::set_psw(uint8_t psw) {
    nz_ = uint16_t((psw & flag::N ? 0x8000 : 0) | !(psw & flag::Z));
    v_ = psw & flag::V;
    p_ = psw & flag::P;
    b_ = psw & flag::B;
    h_ = psw & flag::H;
    i_ = psw & flag::I;
    c_ = psw & flag::C;
}

template <class Bus>
CpuRegisters Cpu<Bus>::registers() const {
    return CpuRegisters{pc_, a_, x_, y_, sp_, get_psw()};
}

template <class Bus>
void Cpu<Bus>::set_registers(const CpuRegisters& r) {
    pc_ = r.pc;
    a_ = r.a;
    x_ = r.x;
    y_ = r.y;
    sp_ = r.sp;
    set_psw(r.psw);
    loop_state_ = ~uint64_t(0);
}

template <class Bus>
APU_CPU_INLINE uint8_t Cpu<Bus>::adc(uint8_t a, uint8_t b) {
    const unsigned r = a + b + (c_ ? 1 : 0);
    v_ = ~(a ^ b) & (a ^ r) & 0x80;
    h_ = (a ^ b ^ r) & 0x10;
    c_ = r > 0xFF;
    set_nz(uint8_t(r));
    return uint8_t(r);
}

template <class Bus>
APU_CPU_INLINE void Cpu<Bus>::compare(uint8_t a, uint8_t b) {
    c_ = a >= b;
    set_nz(uint8_t(a - b));
}

template <class Bus>
template <int Op>
APU_CPU_INLINE uint8_t Cpu<Bus>::alu(uint8_t a, uint8_t b) {
    if constexpr (Op == Or) { set_nz(uint8_t(a | b)); return uint8_t(a | b); }
    if constexpr (Op == And) { set_nz(uint8_t(a & b)); return uint8_t(a & b); }
    if constexpr (Op == Eor) { set_nz(uint8_t(a ^ b)); return uint8_t(a ^ b); }
    if constexpr (Op == Cmp) { compare(a, b); return a; }
    if constexpr (Op == Adc) return adc(a, b);
    if constexpr (Op == Sbc) return adc(a, uint8_t(~b));
}

template <class Bus>
template <int Op>
APU_CPU_INLINE void Cpu<Bus>::alu_a(uint8_t b) {
    a_ = alu<Op>(a_, b);
}

// Read-modify-write of memory; a compare spends the write cycle idle.
template <class Bus>
template <int Op, class Address>
APU_CPU_INLINE void Cpu<Bus>::alu_mem(Address address, uint8_t b) {
    const uint8_t r = alu<Op>(read(address), b);
    if constexpr (Op == Cmp) idle();
    else write(address, r);
}

template <class Bus>
APU_CPU_INLINE uint8_t Cpu<Bus>::asl(uint8_t v) {
    c_ = v & 0x80;
    v = uint8_t(v << 1);
    set_nz(v);
    return v;
}

template <class Bus>
APU_CPU_INLINE uint8_t Cpu<Bus>::lsr(uint8_t v) {
    c_ = v & 1;
    v >>= 1;
    set_nz(v);
    return v;
}

template <class Bus>
APU_CPU_INLINE uint8_t Cpu<Bus>::rol(uint8_t v) {
    const bool carry = c_;
    c_ = v & 0x80;
    v = uint8_t(v << 1 | (carry ? 1 : 0));
    set_nz(v);
    return v;
}

template <class Bus>
APU_CPU_INLINE uint8_t Cpu<Bus>::ror(uint8_t v) {
    const bool carry = c_;
    c_ = v & 1;
    v = uint8_t(v >> 1 | (carry ? 0x80 : 0));
    set_nz(v);
    return v;
}

template <class Bus>
APU_CPU_INLINE void Cpu<Bus>::multiply() {
    dummy_read();
    for (int i = 0; i < 7; ++i) idle();
    const unsigned ya = unsigned(y_) * a_;
    a_ = uint8_t(ya);
    y_ = uint8_t(ya >> 8);
    set_nz(y_);
}

// The divider gives a 9-bit quotient; when it overflows the chip's
// shift-subtract loop produces these values rather than saturating.
template <class Bus>
APU_CPU_INLINE void Cpu<Bus>::divide() {
    dummy_read();
    for (int i = 0; i < 10; ++i) idle();
    const unsigned ya = unsigned(y_) << 8 | a_;
    const unsigned x = x_;
    h_ = (y_ & 0x0F) >= (x & 0x0F);
    v_ = y_ >= x;
    if (y_ < (x << 1)) {
        a_ = uint8_t(ya / x);
        y_ = uint8_t(ya % x);
    } else {
        const unsigned over = ya - (x << 9);
        a_ = uint8_t(255 - over / (256 - x));
        y_ = uint8_t(x + over % (256 - x));
    }
    set_nz(a_);
}

template <class Bus>
APU_CPU_INLINE void Cpu<Bus>::decimal_adjust_add() {
    dummy_read();
    idle();
    if (c_ || a_ > 0x99) {
        a_ = uint8_t(a_ + 0x60);
        c_ = true;
    }
    if (h_ || (a_ & 0x0F) > 9) a_ = uint8_t(a_ + 6);
    set_nz(a_);
}

template <class Bus>
APU_CPU_INLINE void Cpu<Bus>::decimal_adjust_sub() {
    dummy_read();
    idle();
    if (!c_ || a_ > 0x99) {
        a_ = uint8_t(a_ - 0x60);
        c_ = false;
    }
    if (!h_ || (a_ & 0x0F) > 9) a_ = uint8_t(a_ - 6);
    set_nz(a_);
}

// DECW, INCW, CMPW, ADDW, SUBW, MOVW on a direct-page word.
template <class Bus>
APU_CPU_INLINE void Cpu<Bus>::word_op(uint8_t opcode) {
    const uint8_t d = fetch();
    const DpAddress lo_addr = dp(d), hi_addr = dp(d + 1);
    switch (opcode) {
    case 0x1A: case 0x3A: {  // DECW, INCW
        const int delta = opcode == 0x3A ? 1 : -1;
        unsigned w = unsigned(read(lo_addr) + delta);
        write(lo_addr, uint8_t(w));
        w = (w + (unsigned(read(hi_addr)) << 8)) & 0xFFFF;
        write(hi_addr, uint8_t(w >> 8));
        set_nz16(w);
        break;
    }
    case 0x5A: {  // CMPW YA,dp
        const unsigned lo = read(lo_addr);
        const unsigned w = lo | unsigned(read(hi_addr)) << 8;
        const unsigned ya = unsigned(y_) << 8 | a_;
        const unsigned r = (ya - w) & 0xFFFF;
        c_ = ya >= w;
        set_nz16(r);
        break;
    }
    case 0x7A: case 0x9A: case 0xBA: {  // ADDW, SUBW, MOVW YA,dp
        const unsigned lo = read(lo_addr);
        idle();
        const unsigned w = lo | unsigned(read(hi_addr)) << 8;
        const unsigned ya = unsigned(y_) << 8 | a_;
        unsigned r = w;
        if (opcode == 0x7A) {
            r = ya + w;
            c_ = r > 0xFFFF;
            v_ = ~(ya ^ w) & (ya ^ r) & 0x8000;
            h_ = (ya ^ w ^ r) & 0x1000;
        } else if (opcode == 0x9A) {
            r = ya - w;
            c_ = ya >= w;
            v_ = (ya ^ w) & (ya ^ r) & 0x8000;
            h_ = !((ya ^ w ^ r) & 0x1000);
        }
        r &= 0xFFFF;
        a_ = uint8_t(r);
        y_ = uint8_t(r >> 8);
        set_nz16(r);
        break;
    }
    default:  // 0xDA MOVW dp,YA: the low byte is read first but unused
        read(lo_addr);
        write(lo_addr, a_);
        write(hi_addr, y_);
        break;
    }
}

// OR1, AND1, EOR1, MOV1, NOT1 on a bit of the first 8 KiB (address:13, bit:3).
template <class Bus>
APU_CPU_INLINE void Cpu<Bus>::bit_op(uint8_t opcode) {
    const uint16_t operand = fetch16();
    const uint16_t address = operand & 0x1FFF;
    const unsigned bit = operand >> 13;
    const uint8_t value = read(address);
    const bool set = (value >> bit) & 1;
    switch (opcode) {
    case 0x0A: c_ = c_ || set; idle(); break;
    case 0x2A: c_ = c_ || !set; idle(); break;
    case 0x4A: c_ = c_ && set; break;
    case 0x6A: c_ = c_ && !set; break;
    case 0x8A: c_ = c_ != set; idle(); break;
    case 0xAA: c_ = set; break;
    case 0xCA:
        idle();
        write(address, uint8_t(c_ ? value | (1u << bit) : value & ~(1u << bit)));
        break;
    default:  // 0xEA NOT1
        write(address, uint8_t(value ^ (1u << bit)));
        break;
    }
}

}  // namespace apu
