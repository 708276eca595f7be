#pragma once
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <type_traits>

#include "core/dsp_envelope.h"

namespace apu {

class BrrGroupCache;

// The DSP's state apart from RAM and the decoded-group cache:
// plain values without padding, saved and restored as one (see Dsp::save)
// and compared as bytes.
struct DspState {
    static constexpr int kPendingGroups = 16;  // a run (see BrrGroupCache::decode_run)
    struct Voice {
        int16_t buf[24] = {};        // 12 decoded samples (doubled 15-bit), stored twice
        int buf_pos = 0;             // slot of the oldest 4-sample group
        int interp_pos = 0;          // pitch counter, 0..0x7FFF
        int brr_addr = 0;            // current 9-byte block
        int brr_offset = 1;          // next data byte within the block
        int kon_delay = 0;           // samples left in the key-on start-up
        Envelope env;
        int output = 0;              // last output (doubled 15-bit), for PMON
        int step = 0;                // pitch step applied after decoding
        // Register values as latched at their cycle.
        // State is kept in ints: byte stores may alias anything and would
        // make the compiler reload every other member after them.
        int srcn = 0, pitch_low = 0, pitch_high = 0, adsr1 = 0;
        int dir_entry = 0;           // start or loop address read from DIR
        int dir_pointer = -1;        // where dir_entry is yet to be read from, or -1
        int brr_header = 0, brr_byte1 = 0;
        // ENVX/OUTX are worked out when read: the values before the last
        // run until their publishing cycles pass, or a CPU-written value
        // until its publishing cycle (a position, see position()). ENVX
        // shows the envelope level a run's sample was made with, before the
        // envelope's step.
        int prev_output = 0;
        int envx_cpu = 0, outx_cpu = 0;
        int16_t sounded_level = 0, prev_sounded_level = 0;
        int64_t envx_cpu_until = -1, outx_cpu_until = -1;
        int16_t ended = 0;           // reached a block with the end flag
        // Keyed on with a sample the sample table mutes (see set_sample_table).
        int16_t sample_muted = 0;
        // VOLL and VOLR as 32-bit lanes, for the main sums and again for
        // the echo sums; kept up to date as the registers are written.
        int16_t volume[8] = {};
        // While an interpolator is set (see set_interpolator), the last
        // two samples of the group last overwritten, oldest first.
        int16_t before[2] = {};
        // A silent voice's groups, kept undecoded until a key-on needs the
        // history they make (see queue_group); the last of them goes just
        // before buf_pos, and pending_reset is the last filter-0 one.
        uint32_t pending[kPendingGroups] = {};
        int pending_count = 0, pending_reset = -1;
    };

    uint8_t written_[128] = {};      // the registers as the CPU wrote them, which reads give
    uint8_t registers_[128] = {};    // and as the DSP uses them (see set_register_view)
    int64_t periods_ = 0;
    uint32_t clock_ = 0;
    uint32_t rate_fires_ = 0;        // rate_fire_mask(rate_counter_)
    uint64_t deferred_[2] = {};      // registers with a write waiting for the period's end
    uint8_t deferred_value_[128] = {};

    Voice voices_[8];
    int rate_counter_ = 0;
    int poll_sample_ = 0;            // KON/KOFF are polled every other sample
    int new_kon_ = 0;                // KON bits written since the last poll
    int kon_latched_ = 0;
    int koff_latched_ = 0;
    int poll_pending_ = 0;           // voices with a KON/KOFF bit yet to see the poll
    int starting_ = 0;               // voices with a key-on under way
    // Voices that may need more than the common path: poll_pending_,
    // starting_ and noise, as of the last poll; bits cleared since then
    // only send a voice the longer way.
    int unusual_ = 0;
    int endx_ = 0;
    int noise_ = 0x4000;
    int dir_ = 0, pmon_ = 0, non_ = 0, eon_ = 0;
    int esa_ = 0;
    int echo_write_enabled_ = 0;
    alignas(8) int16_t sums_[4] = {};  // main left, right, echo left, right
    int out_[2] = {};
    // Echo unit.
    int echo_offset_ = 0, echo_length_ = 0;
    int echo_addr_ = 0;
    int16_t fir_buf_[16][2] = {};    // ring of 8 stored twice, so the taps are contiguous
    int16_t fir_coef_[16] = {};      // each tap's coefficient twice, for both channels
    int fir_pos_ = 0;
    int fir_out_[2] = {};
    int echo_in_[2] = {};
};

static_assert(std::has_unique_object_representations_v<DspState>);

// What the DSP takes register `address` to hold when `value` was written.
using RegisterView = uint8_t (*)(const void* context, uint8_t address, uint8_t value);

// Interpolates at `fraction` (0..0xFFF) between samples[3] and samples[4]
// of eight consecutive decoded samples (doubled 15-bit, oldest first),
// within about the range of the Gaussian, which reads samples[2..5].
using Interpolator = int (*)(const int16_t samples[8], int fraction);

// The S-DSP as the rest of the sound system sees it: a register file reached
// through 0xF2/0xF3, clocked once per CPU cycle (32 clocks per 32 kHz sample),
// reading samples and the echo buffer from the shared 64 KiB RAM.
class Dsp : private DspState {
public:
    explicit Dsp(uint8_t* ram);
    ~Dsp();

    void reset();
    // Restores the 128 registers of a snapshot without side effects.
    void load_registers(const uint8_t registers[128]);

    uint8_t read(uint8_t address) const;          // address 0x00..0x7F
    void write(uint8_t address, uint8_t value);   // address 0x00..0x7F

    // Advances by the given number of CPU clocks.
    void run(uint32_t clocks);

    // The whole state but RAM. The settings below are not part of it and
    // stay as they are.
    void save(DspState& state) const;
    void restore(const DspState& state);

    // Frames before number `frame` (counted from reset) will not be heard:
    // whole sample periods that produce them leave out the final output,
    // and a voice's interpolation when nothing else uses its output (the
    // echo sums while echo writes are on, the next voice's pitch
    // modulation, the next frame when that is heard). The last of them is
    // worked out whole, so the state after it is as exact as ever.
    // 0 hears every frame. With `echo_may_turn_on`, the echo input is
    // worked out while echo writes are off too, so that turning them on is
    // no exposure.
    void set_unheard_until(int64_t frame, bool echo_may_turn_on = false);
    // Whether the CPU, since the last set_unheard_until(), may have seen
    // work left out: it read an OUTX register, or turned echo writes on
    // while outputs they would have used were left out.
    struct Exposure {
        bool outx_read;
        bool echo_turned_on;
    };
    Exposure exposure() const { return {outx_read_, echo_turned_on_}; }

    // Bit n set leaves voice n out of the main and echo sums; it runs on
    // as ever otherwise (envelope, decoding, ENDX, OUTX, ENVX, its output
    // as the next voice's pitch modulation).
    void set_mute_mask(uint8_t mask);
    uint8_t mute_mask() const { return static_cast<uint8_t>(mute_mask_); }
    // What a listener may change of the song's samples: a voice finds the
    // directory entry of `source[SRCN]` in place of SRCN's, and one keyed
    // on while `muted[SRCN]` mixes as a muted voice until its next key-on.
    // Voices already sounding take the table's mute at once.
    struct SampleTable {
        uint8_t source[256];
        std::bitset<256> muted;
        static SampleTable identity();
    };
    void set_sample_table(const SampleTable& table);
    // Every register value the DSP uses passes through `view` (null: none),
    // taken when the register is written (by the CPU, at the end of a
    // period for a deferred write, from a snapshot) and again for all of
    // them when a view is set or removed. Reads still give what was written.
    void set_register_view(RegisterView view, const void* context);
    // Voices interpolate through `interpolator` (null: the hardware's
    // Gaussian) wherever they interpolate, and the result is clamped to
    // 16 bits with bit 0 cleared. Noise is not interpolated.
    void set_interpolator(Interpolator interpolator);
    // Whether decoded samples past 15 bits lose their sign, as on the
    // hardware (true), or saturate (false).
    void set_brr_wrap(bool wrap);
    // Bytes held outside the object (the decoded-group cache).
    size_t heap_bytes() const;

    // Stereo frames (left, right) are appended here while running; when the
    // buffer is full further samples are dropped.
    void set_output(int16_t* frames, size_t frame_capacity);
    size_t frames_written() const { return frames_written_; }

    // Position within the 32-clock sample period (0..31).
    uint32_t clock_in_sample() const { return clock_; }

    // How many of the `behind` clocks the DSP is short of the CPU it must
    // run before the CPU writes (cpu_write) or reads the register: only
    // those that touch it matter, as other accesses commute with them.
    // When nothing touches it between the start of the access's period and
    // the access, the DSP stops at that start, so whole periods stay whole.
    uint64_t clocks_before_access(uint8_t address, uint64_t behind, bool cpu_write) const {
        const uint32_t touched = (cpu_write ? kWriteSync : kReadSync)[address & 0x7F];
        if (!touched || !behind) return 0;
        const uint32_t into = static_cast<uint32_t>((clock_ + behind) & 31);  // the access's clock
        if (!(touched & ((1u << into) - 1))) return behind > into ? behind - into : 0;
        if (behind >= 32) return behind;
        const uint32_t span = (1u << behind) - 1;
        return (touched & (span << clock_ | span >> ((32 - clock_) & 31))) ? behind : 0;
    }

    // How a CPU write `behind` clocks ahead is carried out: the clocks the
    // DSP runs first, and whether the write then waits for the end of that
    // period (write_deferred). A register the DSP uses once per period,
    // written after that use, would otherwise split the period only to keep
    // the old value for the use; waiting for the period's end does the same
    // and lets the period run whole.
    struct WritePlan {
        uint64_t clocks;
        bool deferred;
    };
    WritePlan plan_write(uint8_t address, uint64_t behind) const {
        address &= 0x7F;
        const uint32_t into = static_cast<uint32_t>((clock_ + behind) & 31);  // the write's clock
        if (behind && kDeferrable[address] && (kWriteSync[address] & ((1u << into) - 1)))
            return {behind > into ? behind - into : 0, true};  // to the start of the write's period
        return {clocks_before_access(address, behind, true), false};
    }
    // Reads of the register see the value at once; the DSP sees it from the
    // next period on.
    void write_deferred(uint8_t address, uint8_t value) {
        address &= 0x7F;
        deferred_value_[address] = value;
        deferred_[address >> 6] |= deferred_bit(address);
    }

private:
    // Per register, the cycles of the period at which the DSP reads or
    // writes it (kWriteSync) or writes it (kReadSync).
    static const uint32_t* const kWriteSync;
    static const uint32_t* const kReadSync;
    // Registers whose writes may wait for the period's end (see plan_write).
    static const bool* const kDeferrable;

    // The work of clock C of the period, as the schedule gives it
    // (dsp_schedule.h), and of its action I; Full when the whole period
    // runs at once, with no CPU access in between; Quiet when its frame
    // goes unheard (see set_unheard_until).
    template <bool Full, bool Quiet, int C> void clock();
    template <bool Full, bool Quiet, int C, int I> void action();
    template <bool Quiet> void full_period();  // clocks 0..31 without counting them
    // Voice stages; see the schedule.
    template <bool Full> void voice_srcn(Voice& v, int n);
    template <bool Full> int srcn_of(const Voice& v, int n) const;
    int dir_address(int srcn, bool start) const;
    int ram_word(int address) const;    // little-endian word at an even address
    template <bool Full> void voice_dir(Voice& v, int n);
    int dir_entry(Voice& v);
    template <bool Full> int entry_for(Voice& v, int n, bool start);
    template <bool Full> void voice_pitch_high(Voice& v, int n);
    template <bool Full> void voice_header(Voice& v, int n);
    template <bool Full, bool Quiet = false> void voice_run(Voice& v, int n);
    bool output_used(int n) const;
    void start_key_on(Voice& v, int bit);
    int interpolate(const Voice& v) const;
    int hooked_interpolation(const Voice& v) const;
    void silence_on_end_or_reset(Voice& v) const;
    template <bool Full> void voice_decode_mix_left(Voice& v, int n);
    void queue_group(Voice& v, uint32_t group);
    void decode_pending(Voice& v);
    template <bool Full> void voice_mix_right(Voice& v, int n);
    // A whole period mixes both sides of a voice at once (see dsp_mix.h).
    void mix(const Voice& v, int n, int sides);
    // In a whole period nothing reads the sums or changes what mixing reads
    // between a run and the next cycle, except for voice 0, which runs at
    // the period's end: voices 1..7 mix as soon as their output is known.
    template <bool Full> static constexpr bool mix_early(int n) { return Full && n != 0; }
    // The volume lanes of voice n from its registers and the mute mask.
    void set_volumes(int n);
    void set_fir_coefficient(int tap);
    void apply_settings();
    // Clocks run since reset.
    int64_t position() const { return periods_ * 32 + clock_; }
    // ENVX or OUTX (`delay` 3 or 4 cycles after the voice's run) as read now.
    int published(int n, int delay, int now, int before) const;
    // Echo stages.
    void echo_read(int channel);
    template <bool Quiet = false> void echo_output(int channel);
    bool echo_may_write() const;
    bool echo_input_needed() const;  // unheard: echo_may_write() or may turn on
    void echo_write(int channel);
    void echo_read_both();
    void echo_write_both();
    void sample_boundary();
    void apply_deferred_writes();
    static uint64_t deferred_bit(int address) { return uint64_t(1) << (address & 63); }

    uint8_t* ram_;
    int16_t* output_ = nullptr;
    size_t output_capacity_ = 0;
    size_t frames_written_ = 0;
    std::unique_ptr<BrrGroupCache> brr_cache_;    // shared by the voices, which often play the same samples
    // Settings.
    int mute_mask_ = 0;
    SampleTable samples_ = SampleTable::identity();
    RegisterView view_ = nullptr;
    const void* view_context_ = nullptr;
    Interpolator interpolator_ = nullptr;
    int hooked_ = 0;                 // voices that go the longer way for the interpolator
    // Unheard frames (see set_unheard_until).
    int64_t quiet_until_ = 0;        // periods before this one run Quiet
    int heard_next_ = 0;             // bit 0: the next period is heard
    mutable bool outx_read_ = false;
    bool echo_turned_on_ = false;
    bool echo_may_turn_on_ = false;
};

}  // namespace apu
