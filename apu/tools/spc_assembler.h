#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace apu::example {

// Just enough of an SPC700 assembler to write a small sound driver in C++:
// each call emits one instruction; labels may be used before they are
// defined and are resolved by finish().
class Assembler {
public:
    explicit Assembler(uint16_t origin) : origin_(origin) {}

    uint16_t here() const { return uint16_t(origin_ + code_.size()); }
    void label(const std::string& name);
    uint16_t address_of(const std::string& name) const;

    void byte(uint8_t value) { code_.push_back(value); }
    void word(uint16_t value) { byte(uint8_t(value)); byte(uint8_t(value >> 8)); }

    void clrp() { byte(0x20); }
    void nop() { byte(0x00); }
    void mov_a_imm(uint8_t v) { byte(0xE8); byte(v); }
    void mov_x_imm(uint8_t v) { byte(0xCD); byte(v); }
    void mov_y_imm(uint8_t v) { byte(0x8D); byte(v); }
    void mov_sp_x() { byte(0xBD); }
    void mov_a_dp(uint8_t d) { byte(0xE4); byte(d); }
    void mov_dp_a(uint8_t d) { byte(0xC4); byte(d); }
    void mov_dp_imm(uint8_t d, uint8_t v) { byte(0x8F); byte(v); byte(d); }
    void mov_x_dp(uint8_t d) { byte(0xF8); byte(d); }
    void mov_a_abs_x(const std::string& table) { byte(0xF5); fixup_abs(table); }
    void cmp_a_imm(uint8_t v) { byte(0x68); byte(v); }
    void inc_x() { byte(0x3D); }
    void dec_x() { byte(0x1D); }
    void dec_y() { byte(0xDC); }
    void mul_ya() { byte(0xCF); }
    void inc_dp(uint8_t d) { byte(0xAB); byte(d); }
    void dec_dp(uint8_t d) { byte(0x8B); byte(d); }
    void beq(const std::string& target) { byte(0xF0); fixup_rel(target); }
    void bne(const std::string& target) { byte(0xD0); fixup_rel(target); }
    void bra(const std::string& target) { byte(0x2F); fixup_rel(target); }
    void call(const std::string& target) { byte(0x3F); fixup_abs(target); }
    void ret() { byte(0x6F); }

    // DSP register writes through 0xF2/0xF3.
    void dsp_write(uint8_t reg, uint8_t value) { mov_dp_imm(0xF2, reg); mov_dp_imm(0xF3, value); }
    void dsp_write_a(uint8_t reg) { mov_dp_imm(0xF2, reg); mov_dp_a(0xF3); }

    // The program with every label reference filled in; throws
    // std::runtime_error for an unknown label or a branch out of reach.
    std::vector<uint8_t> finish() const;

private:
    void fixup_rel(const std::string& target);
    void fixup_abs(const std::string& target);

    struct Fixup {
        size_t offset;
        std::string target;
        bool relative;
    };
    uint16_t origin_;
    std::vector<uint8_t> code_;
    std::map<std::string, uint16_t> labels_;
    std::vector<Fixup> fixups_;
};

}  // namespace apu::example
