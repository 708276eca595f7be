#pragma once
#include <cstddef>
#include <cstdint>

namespace apu {

// The S-DSP as the rest of the sound system sees it: a register file reached
// through 0xF2/0xF3, clocked once per CPU cycle (32 clocks per 32 kHz sample),
// reading samples and the echo buffer from the shared 64 KiB RAM.
class Dsp {
public:
    explicit Dsp(uint8_t* ram);

    void reset();
    // Restores the 128 registers of a snapshot without side effects.
    void load_registers(const uint8_t registers[128]);

    uint8_t read(uint8_t address) const;          // address 0x00..0x7F
    void write(uint8_t address, uint8_t value);   // address 0x00..0x7F

    // Advances by the given number of CPU clocks.
    void run(uint32_t clocks);

    // Stereo frames (left, right) are appended here while running; when the
    // buffer is full further samples are dropped.
    void set_output(int16_t* frames, size_t frame_capacity);
    size_t frames_written() const { return frames_written_; }

private:
    uint8_t* ram_;
    uint8_t registers_[128] = {};
    int16_t* output_ = nullptr;
    size_t output_capacity_ = 0;
    size_t frames_written_ = 0;
    uint32_t clock_in_sample_ = 0;
};

}  // namespace apu
