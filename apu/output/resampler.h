#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace apu::output {

// Band-limited conversion of the core's 32 kHz stereo to another rate.
//
// One linear-phase low-pass filter does the work at every rate: flat within
// +-0.0065 dB up to 90 % of the lower of the two Nyquist frequencies, at
// least 129 dB down from 110 % of it on (16 kHz is that Nyquist from 32 kHz
// up, half the output rate below). Between the two lies the transition band,
// where images of content near 16 kHz (or aliases near the output's Nyquist)
// are only partly removed.
//
// The delay is compensated: output frame n is the input at time n / rate,
// so the output is aligned with the input frame n * 32000 / rate. To make
// frame n the filter reads input up to about half its length ahead, so the
// first call asks for that much more input than frames * 32000 / rate.
//
// Position is kept as a whole fraction of the two rates, never as floating
// time, so the state is fully set by how many frames were produced since
// reset() and the last history() input frames: skip() then process() gives
// the same bits as process() all along. Before the first input the history
// is silence.
//
// Rates whose phase count (rate / gcd(rate, 32000)) makes an exact table too
// big (e.g. 44101 Hz) blend two adjacent rows of a finer table; they meet
// the same figures at about twice the cost.
class Resampler {
public:
    static constexpr uint32_t kInputRate = 32000;
    static constexpr uint32_t kMinRate = 8000;
    static constexpr uint32_t kMaxRate = 192000;

    // Throws std::invalid_argument outside kMinRate..kMaxRate.
    explicit Resampler(uint32_t output_rate);

    uint32_t output_rate() const { return output_rate_; }

    // Input frames (interleaved stereo float, 16-bit scale) that process()
    // needs to produce exactly the next `frames` output frames.
    size_t input_for(size_t frames) const;

    // Reads input_for(frames) input frames and writes `frames` output frames
    // (interleaved stereo float).
    void process(const float* input, float* output, size_t frames);

    // Input frames whose values still reach later output.
    size_t history() const { return taps_; }

    // Moves on by `frames` output frames as process() would, without making
    // them. `tail` holds the last min(history(), input_for(frames)) of the
    // input frames process() would have read.
    void skip(const float* tail, size_t frames);

    // As constructed: silent history, position 0.
    void reset();

    // Filter taps per output frame, and whether the table holds every phase
    // exactly (otherwise adjacent rows are blended).
    int taps() const { return taps_; }
    bool exact_phases() const { return exact_; }
    // Bytes this instance holds (tables and buffers).
    size_t memory_bytes() const;

private:
    float* lane(int channel, int shift);
    void append(const float* input, size_t frames);
    void keep_history();
    template <int Taps, bool Blend>
    void render(float* output, size_t frames);

    uint32_t output_rate_;
    uint32_t up_;          // output frames per period of the two rates
    uint32_t down_;        // input frames per such period
    uint32_t down_whole_;  // down_ / up_ and down_ % up_: each output's step
    uint32_t down_rest_;
    int taps_;
    bool exact_;
    uint32_t rows_;                      // table rows per input frame: up_ when exact
    uint32_t slot_of_phase_ = 0;         // where an exact phase's row lies, per unit of phase
    std::vector<float> table_storage_;  // rows of taps_ coefficients, oldest input first

    // Position of the next output frame: its phase (phase_ / up_ of an input
    // frame past its base input), and where its first tap lies in the buffer.
    uint32_t phase_ = 0;
    size_t first_tap_ = 0;
    // Input per channel: the last taps_ frames read, then those of this call,
    // in four shifted lanes each.
    std::vector<float> buffer_;
    size_t stride_ = 0;
    size_t filled_ = 0;
};

}  // namespace apu::output
