#pragma once
// Small songs that each exercise one DSP feature: a few register writes by
// a trivial CPU program (so the CPU's timing hardly matters), then a loop.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <string>
#include <vector>

#include "tools/spc_assembler.h"

namespace apu_test {

class SongBuilder {
public:
    static constexpr uint16_t kProgramStart = 0x0200;

    SongBuilder() : ram_(0x10000, 0), dsp_{} {
        dsp_[0x0C] = dsp_[0x1C] = 0x7F;        // main volume
        dsp_[0x5D] = 0x08;                     // directory at 0x0800
        dsp_[0x6C] = 0x20;                     // echo writes off
        dsp_[0x6D] = 0xC0;
        const uint8_t voice0[] = {0x50, 0x30, 0x34, 0x12, 0x00, 0xFA, 0x8A};
        for (size_t i = 0; i < sizeof voice0; ++i) dsp_[i] = voice0[i];
        add_sample(noise_blocks(40, 3), 10);   // source 0: all four filters
        add_sample(sine_blocks(8), 0);         // source 1
        add_sample(noise_blocks(3, 1), 0);     // source 2: ends without loop
    }
    SongBuilder& reg(uint8_t address, uint8_t value) {
        dsp_[address] = value;
        return *this;
    }
    SongBuilder& write(uint8_t address, uint8_t value) {
        program_.dsp_write(address, value);
        return *this;
    }
    SongBuilder& copy(uint8_t from, uint8_t to) {
        program_.mov_dp_imm(0xF2, from);
        program_.mov_a_dp(0xF3);
        program_.dsp_write_a(to);
        return *this;
    }
    SongBuilder& port_to_register(uint8_t port, uint8_t address) {
        program_.mov_dp_imm(0xF2, address);
        program_.mov_a_dp(static_cast<uint8_t>(0xF4 + port));
        program_.mov_dp_a(0xF3);
        return *this;
    }
    SongBuilder& wait(uint8_t loops) {
        const std::string loop = next_label();
        program_.mov_x_imm(loops);
        program_.label(loop);
        program_.dec_x();
        program_.bne(loop);
        return *this;
    }
    SongBuilder& wait_long(uint8_t loops) {  // about 48 samples a loop
        const std::string loop = next_label();
        program_.mov_y_imm(loops);
        program_.label(loop);
        wait(255);
        program_.dec_y();
        program_.bne(loop);
        return *this;
    }
    // The program ends in a loop back to here (by default its end).
    SongBuilder& repeat_from_here() {
        program_.label("repeat");
        repeats_ = true;
        return *this;
    }
    // For code the other calls do not write; it runs from kProgramStart.
    apu::example::Assembler& program() { return program_; }
    // The next source number's sample: BRR blocks, looping at `loop_block`.
    SongBuilder& add_sample(const std::vector<uint8_t>& blocks, int loop_block) {
        const uint16_t entry = static_cast<uint16_t>(0x800 + 4 * sources_++);
        const uint16_t loop = static_cast<uint16_t>(sample_addr_ + 9 * loop_block);
        ram_[entry] = static_cast<uint8_t>(sample_addr_);
        ram_[entry + 1] = static_cast<uint8_t>(sample_addr_ >> 8);
        ram_[entry + 2] = static_cast<uint8_t>(loop);
        ram_[entry + 3] = static_cast<uint8_t>(loop >> 8);
        std::copy(blocks.begin(), blocks.end(), ram_.begin() + sample_addr_);
        sample_addr_ = static_cast<uint16_t>(sample_addr_ + blocks.size() + 16);
        return *this;
    }
    std::vector<uint8_t> image() const {
        std::vector<uint8_t> img(0x10200, 0);
        const char signature[] = "SNES-SPC700 Sound File Data v0.30";
        std::copy(signature, signature + 33, img.begin());
        img[0x21] = img[0x22] = 26;
        img[0x23] = 27;
        img[0x24] = 30;
        img[0x25] = static_cast<uint8_t>(kProgramStart);
        img[0x26] = static_cast<uint8_t>(kProgramStart >> 8);
        img[0x2A] = 0x02;
        img[0x2B] = 0xEF;
        std::vector<uint8_t> ram = ram_;
        apu::example::Assembler program = program_;
        if (!repeats_) program.label("repeat");
        program.bra("repeat");
        const std::vector<uint8_t> code = program.finish();
        std::copy(code.begin(), code.end(), ram.begin() + kProgramStart);
        std::copy(ram.begin(), ram.end(), img.begin() + 0x100);
        std::copy(dsp_, dsp_ + 128, img.begin() + 0x10100);
        return img;
    }

private:
    std::vector<uint8_t> noise_blocks(int count, int end_code) {
        std::vector<uint8_t> out;
        for (int b = 0; b < count; ++b) {
            out.push_back(static_cast<uint8_t>(((8 + next() % 4) << 4) | ((b % 4) << 2) | (b == count - 1 ? end_code : 0)));
            for (int i = 0; i < 8; ++i) out.push_back(static_cast<uint8_t>(next()));
        }
        return out;
    }
    static std::vector<uint8_t> sine_blocks(int count) {
        std::vector<uint8_t> out;
        int k = 0;
        for (int b = 0; b < count; ++b) {
            out.push_back(static_cast<uint8_t>(0xB0 | (b == count - 1 ? 3 : 0)));
            for (int i = 0; i < 8; ++i, k += 2) {
                const int hi = static_cast<int>(std::lround(6 * std::sin(2 * std::numbers::pi * k / 32))) & 15;
                const int lo = static_cast<int>(std::lround(6 * std::sin(2 * std::numbers::pi * (k + 1) / 32))) & 15;
                out.push_back(static_cast<uint8_t>(hi << 4 | lo));
            }
        }
        return out;
    }
    std::string next_label() { return "loop" + std::to_string(labels_++); }
    uint32_t next() { return (seed_ = seed_ * 1103515245u + 12345u) >> 16; }

    std::vector<uint8_t> ram_;
    uint8_t dsp_[128];
    apu::example::Assembler program_{kProgramStart};
    uint16_t sample_addr_ = 0x1000;
    int sources_ = 0;
    uint32_t seed_ = 7;
    int labels_ = 0;
    bool repeats_ = false;
};

// Voice 0 sounds into the echo, whose writes are on, and modulates voice
// 1's pitch; after a while the program sets voice 0's left volume to
// `later_left`.
inline SongBuilder echo_and_modulation(uint8_t left, uint8_t right, uint8_t later_left) {
    SongBuilder song;
    song.reg(0x00, left).reg(0x01, right)
        .reg(0x6C, 0).reg(0x4D, 1).reg(0x7D, 2).reg(0x6D, 0x40).reg(0x0D, 0x40).reg(0x0F, 0x7F)
        .reg(0x2C, 0x40).reg(0x3C, 0x40)
        .reg(0x14, 1).reg(0x13, 0x08).reg(0x15, 0xFF).reg(0x16, 0xE0).reg(0x10, 0x60).reg(0x11, 0x60)
        .reg(0x2D, 0x02)
        .write(0x4C, 3).wait(255).wait(255).wait(255).write(0x00, later_left);
    return song;
}

}  // namespace apu_test
