#pragma once
// The S-DSP written plainly, one clock at a time, for tests to hold the
// optimised apu::Dsp against. Each clock does what the schedule table
// (core/dsp_schedule.h) lists for it; nothing is cached, deferred or done
// ahead of its clock, and the registers the chip writes itself (ENVX,
// OUTX, ENDX) are stored when the chip writes them.
#include <cstdint>
#include <vector>

#include "core/dsp_schedule.h"

namespace apu_test {

class ReferenceDsp {
public:
    explicit ReferenceDsp(uint8_t* ram) : ram_(ram) { reset(); }

    void reset();
    // A snapshot's registers, taken as apu::Dsp::load_registers takes them.
    void load_registers(const uint8_t registers[128]);

    uint8_t read(uint8_t address) const { return registers_[address & 0x7F]; }
    void write(uint8_t address, uint8_t value);
    void run(uint64_t clocks);

    // Every stereo frame produced since reset (left, right).
    const std::vector<int16_t>& frames() const { return frames_; }
    // Position within the sample period (0..31).
    int clock_in_sample() const { return clock_; }

private:
    enum class Mode { release, attack, decay, sustain };
    struct Voice {
        int16_t ring[12] = {};   // the last 12 decoded samples (doubled 15-bit)
        int oldest = 0;          // where in the ring the oldest group starts
        int pitch_counter = 0;   // 15 bits: which sample (top 3) and how far past it (low 12)
        int step = 0;            // the pitch the last run worked out
        int brr_address = 0;     // current 9-byte block
        int brr_offset = 1;      // next data byte within the block
        int header = 0, data_byte = 0;
        int key_on_delay = 0;    // samples left of the start-up after a key-on
        int level = 0;           // envelope, 11 bits
        int hidden_level = 0;    // the last level worked out, applied or not
        Mode mode = Mode::release;
        int output = 0;
        int sounded_level = 0;   // the level the last sample was made with, which ENVX shows
        bool reached_end = false;  // shown in ENDX at the next mix
        // Latched at their clocks.
        int srcn = 0, pitch_low = 0, pitch_high = 0, adsr1 = 0, directory_word = 0;
    };

    void clock();
    void perform(const apu::schedule::Action& action);

    // Voice steps.
    void latch_srcn(Voice& v, int n);
    void read_directory(Voice& v, int n);
    void latch_pitch_high(Voice& v, int n);
    void read_header(Voice& v);
    void run_voice(Voice& v, int n);
    void begin_sample(Voice& v, int n);
    int voice_sample(const Voice& v, int n) const;
    int interpolate(const Voice& v) const;
    void step_envelope(Voice& v, int n);
    void decode_and_mix_left(Voice& v, int n);
    void decode_group(Voice& v);
    void mix_right(Voice& v, int n);
    void mix(const Voice& v, int n, int side);

    // Echo steps.
    void read_echo(int channel);
    void run_fir();
    void output_channel(int channel);
    void latch_voice_flags();
    void write_echo(int channel);
    void advance_echo_and_counter();
    void poll_key_on_off();
    void step_noise();

    bool rate_fires(int rate) const;
    int reg(int address) const { return registers_[address]; }
    int voice_reg(int n, int offset) const { return registers_[n * 16 + offset]; }

    uint8_t* ram_;
    uint8_t registers_[128] = {};
    Voice voices_[8];
    int clock_ = 0;
    int counter_ = 0;              // the global rate counter
    bool poll_next_sample_ = false;  // KON/KOFF are polled every other sample
    int kon_written_ = 0;          // KON as written since the last poll
    int kon_polled_ = 0, koff_polled_ = 0;
    int poll_unseen_ = 0;          // voices yet to act on the last poll
    int noise_ = 0x4000;
    int pmon_ = 0, non_ = 0, eon_ = 0, dir_ = 0, esa_ = 0;
    bool echo_writes_ = false;
    int sums_[2][2] = {};          // [main, echo][left, right]
    int out_[2] = {};
    int echo_offset_ = 0, echo_length_ = 0, echo_address_ = 0;
    int echo_history_[8][2] = {};  // the last eight echo samples read
    int history_newest_ = 0;
    int fir_out_[2] = {};
    int echo_in_[2] = {};
    std::vector<int16_t> frames_;
};

}  // namespace apu_test
