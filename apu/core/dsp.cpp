#include "core/dsp.h"

#include <cstring>

namespace apu {

Dsp::Dsp(uint8_t* ram) : ram_(ram) {}

void Dsp::reset() { std::memset(registers_, 0, sizeof registers_); clock_in_sample_ = 0; }

void Dsp::load_registers(const uint8_t registers[128]) { std::memcpy(registers_, registers, sizeof registers_); }

uint8_t Dsp::read(uint8_t address) const { return registers_[address & 0x7F]; }

void Dsp::write(uint8_t address, uint8_t value) { registers_[address & 0x7F] = value; }

void Dsp::run(uint32_t clocks) {
    // Register file only for now: emit silence at the hardware's rate.
    clock_in_sample_ += clocks;
    while (clock_in_sample_ >= 32) {
        clock_in_sample_ -= 32;
        if (frames_written_ < output_capacity_) {
            output_[2 * frames_written_] = 0;
            output_[2 * frames_written_ + 1] = 0;
            ++frames_written_;
        }
    }
}

void Dsp::set_output(int16_t* frames, size_t frame_capacity) {
    output_ = frames;
    output_capacity_ = frame_capacity;
    frames_written_ = 0;
}

}  // namespace apu
