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

    // The dot products use SSE2, or with `best` AVX2 and fused multiply-adds
    // on processors that have them (exact tables only). The two round
    // differently; each is deterministic.
    enum class Instructions { sse2, best };

    // Throws std::invalid_argument outside kMinRate..kMaxRate.
    explicit Resampler(uint32_t output_rate, Instructions instructions = Instructions::best);

    uint32_t output_rate() const { return output_rate_; }

    // Input frames (interleaved stereo float, 16-bit scale) that process()
    // needs to produce exactly the next `frames` output frames.
    size_t input_for(size_t frames) const;

    // Reads input_for(frames) input frames and writes `frames` output frames
    // (interleaved stereo float).
    void process(const float* input, float* output, size_t frames);
    // The same from 16-bit input, as the core makes it.
    void process(const int16_t* input, float* output, size_t frames);

    // Input frames whose values still reach later output, with up to 7
    // before them that keep the buffer's alignment.
    size_t history() const { return static_cast<size_t>(taps_) + 7; }

    // Moves on by `frames` output frames as process() would, without making
    // them. `tail` holds the last min(history(), input_for(frames)) of the
    // input frames process() would have read.
    void skip(const float* tail, size_t frames);

    // As constructed: silent history, position 0.
    void reset();

    // Filter taps per output frame.
    int taps() const { return taps_; }
    bool wide() const { return wide_; }
    // Bytes this instance holds (tables and buffers).
    size_t memory_bytes() const;

    // What the render loops share: the buffer's lanes, the step from one
    // output to the next, and where the next output lies (see phase_ and
    // first_tap_; slot: its row in an exact table).
    struct Lanes {
        const float* left[4];
        const float* right[4];
    };
    struct Steps {
        uint32_t up, whole, rest;
    };
    struct Cursor {
        size_t first;
        uint32_t phase, slot;
    };
    static void advance(Cursor& at, const Steps& steps) {
        at.first += steps.whole;
        at.phase += steps.rest;
        if (at.phase >= steps.up) {
            at.phase -= steps.up;
            ++at.first;
        }
        if (++at.slot == steps.up) at.slot = 0;
    }

private:
    float* lane(int channel, int shift);
    Lanes read_lanes();
    Cursor cursor() const;
    void render_exact(float* output, size_t frames);
    // The table: rows of taps_ coefficients with kRowGap zeros before each
    // and after the last, which the wide path reads as taps outside a row.
    static constexpr size_t kRowGap = 8;
    size_t row_stride() const { return static_cast<size_t>(taps_) + kRowGap; }
    float* rows();
    template <class Sample>
    void run(const Sample* input, float* output, size_t frames);
    template <class Sample>
    void append(const Sample* input, size_t frames);
    void keep_history();
    // Moves each lane's entries from `count` on, `kept` of them, to its start.
    void drop_oldest(size_t count, size_t kept);
    template <int Taps, bool Blend>
    void render(float* output, size_t frames);

    uint32_t output_rate_;
    uint32_t up_;          // output frames per period of the two rates
    uint32_t down_;        // input frames per such period
    uint32_t down_whole_;  // down_ / up_ and down_ % up_: each output's step
    uint32_t down_rest_;
    int taps_;
    bool exact_;
    bool wide_ = false;
    uint32_t rows_;                      // table rows per input frame: up_ when exact
    uint32_t slot_of_phase_ = 0;         // where an exact phase's row lies, per unit of phase
    std::vector<float> table_storage_;  // see rows(); coefficients oldest input first

    // Position of the next output frame: its phase (phase_ / up_ of an input
    // frame past its base input), and where its first tap lies in the buffer.
    uint32_t phase_ = 0;
    size_t first_tap_ = 0;
    // Input per channel: the last taps_ frames read, then those of this call,
    // in shifts_ shifted lanes each (see lane()).
    std::vector<float> buffer_;
    size_t stride_ = 0;
    int shifts_ = 4;  // shifted lanes kept per channel
    size_t filled_ = 0;
};

}  // namespace apu::output
