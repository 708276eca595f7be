#pragma once
// Small songs that each exercise one DSP feature: a few register writes by
// a trivial CPU program (so the CPU's timing hardly matters), then a loop.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <numbers>
#include <vector>

namespace apu_test {

class SongBuilder {
public:
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
    SongBuilder& write(uint8_t address, uint8_t value) {  // MOV $F2,#a / MOV $F3,#v
        program_.insert(program_.end(), {0x8F, address, 0xF2, 0x8F, value, 0xF3});
        return *this;
    }
    SongBuilder& copy(uint8_t from, uint8_t to) {  // MOV $F2,#from / MOV A,$F3 / MOV $F2,#to / MOV $F3,A
        program_.insert(program_.end(), {0x8F, from, 0xF2, 0xE4, 0xF3, 0x8F, to, 0xF2, 0xC4, 0xF3});
        return *this;
    }
    SongBuilder& code(std::initializer_list<uint8_t> bytes) {
        program_.insert(program_.end(), bytes);
        return *this;
    }
    SongBuilder& port_to_register(uint8_t port, uint8_t address) {  // MOV $F2,#a / MOV A,$F4+port / MOV $F3,A
        program_.insert(program_.end(), {0x8F, address, 0xF2, 0xE4, static_cast<uint8_t>(0xF4 + port), 0xC4, 0xF3});
        return *this;
    }
    SongBuilder& wait(uint8_t loops) {  // MOV X,#n / DEC X / BNE
        program_.insert(program_.end(), {0xCD, loops, 0x1D, 0xD0, 0xFD});
        return *this;
    }
    SongBuilder& wait_long(uint8_t loops) {  // MOV Y,#n / wait(255) / DEC Y / BNE: about 48 samples a loop
        program_.insert(program_.end(), {0x8D, loops, 0xCD, 0xFF, 0x1D, 0xD0, 0xFD, 0xDC, 0xD0, 0xF8});
        return *this;
    }
    // The program ends in a loop back to here (by default its end).
    SongBuilder& repeat_from_here() {
        loop_start_ = static_cast<int>(program_.size());
        return *this;
    }
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
        img[0x25] = 0x00;  // PC 0x0200
        img[0x26] = 0x02;
        img[0x2A] = 0x02;
        img[0x2B] = 0xEF;
        std::vector<uint8_t> ram = ram_;
        std::vector<uint8_t> code = program_;
        const int back = (loop_start_ < 0 ? static_cast<int>(code.size()) : loop_start_) - static_cast<int>(code.size()) - 2;
        code.insert(code.end(), {0x2F, static_cast<uint8_t>(back)});  // BRA
        std::copy(code.begin(), code.end(), ram.begin() + 0x200);
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
    uint32_t next() { return (seed_ = seed_ * 1103515245u + 12345u) >> 16; }

    std::vector<uint8_t> ram_;
    uint8_t dsp_[128];
    std::vector<uint8_t> program_;
    uint16_t sample_addr_ = 0x1000;
    int sources_ = 0;
    uint32_t seed_ = 7;
    int loop_start_ = -1;  // in program_
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
