#include "core/dsp.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "core/dsp_brr.h"
#include "core/dsp_echo.h"
#include "core/dsp_gaussian.h"
#include "core/dsp_mix.h"
#include "core/dsp_schedule.h"

namespace apu {

namespace {

#define APU_ALWAYS_INLINE inline __attribute__((always_inline))
#define APU_ALWAYS_INLINE_LAMBDA __attribute__((always_inline))

using namespace schedule;

// The clock of voice n's run, and how many clocks later its ENVX and OUTX
// show the result.
constexpr int run_cycle(int n) { return clock_of(Step::voice_run, n); }
static_assert(DspState::kPendingGroups == BrrGroupCache::kRunGroups);  // a full queue is a run
constexpr int kEnvxDelay = clocks_after_run(Step::voice_envx, 0);
constexpr int kOutxDelay = clocks_after_run(Step::voice_outx, 0);
static_assert([] {
    for (int n = 0; n < 8; ++n)
        if (clocks_after_run(Step::voice_envx, n) != kEnvxDelay || clocks_after_run(Step::voice_outx, n) != kOutxDelay)
            return false;
    return true;
}());

}  // namespace

const uint32_t* const Dsp::kWriteSync = kSync.use;
const uint32_t* const Dsp::kReadSync = kSync.update;
const bool* const Dsp::kDeferrable = kSync.deferrable;

Dsp::Dsp(uint8_t* ram)
    : ram_(ram), brr_cache_(std::make_unique<BrrGroupCache>()) {
    reset();
}

Dsp::~Dsp() = default;

size_t Dsp::heap_bytes() const { return sizeof(BrrGroupCache); }

void Dsp::reset() {
    static_cast<DspState&>(*this) = DspState{};
    written_[kFlg] = kFlgReset | kFlgMute | kFlgEchoOff;
    rate_fires_ = rate_fire_mask(0);
    poll_sample_ = true;  // the first poll falls on the second sample
    apply_settings();
}

void Dsp::load_registers(const uint8_t registers[128]) {
    reset();
    std::memcpy(written_, registers, sizeof written_);
    apply_settings();
    // Latches take the snapshot's values so the first samples already use
    // them; voices restart silent, decoding from address 0, since their
    // decoder state is not saved.
    for (int n = 0; n < 8; ++n) {
        Voice& v = voices_[n];
        const uint8_t* r = registers_ + n * 16;
        v.srcn = r[kSrcn];
        v.pitch_low = r[kPitchL];
        v.pitch_high = r[kPitchH];
        v.adsr1 = r[kAdsr1];
    }
    dir_ = registers_[kDir];
    pmon_ = registers_[kPmon];
    non_ = registers_[kNon];
    unusual_ = non_ | hooked_;
    eon_ = registers_[kEon];
    esa_ = registers_[kEsa];
    echo_write_enabled_ = !(registers_[kFlg] & kFlgEchoOff);
    echo_addr_ = esa_ << 8;
    for (int n = 0; n < 8; ++n) {
        write(static_cast<uint8_t>(n * 16 + kEnvx), written_[n * 16 + kEnvx]);
        write(static_cast<uint8_t>(n * 16 + kOutx), written_[n * 16 + kOutx]);
    }
    endx_ = written_[kEndx];
    koff_latched_ = registers_[kKoff];
    // A KON value in the snapshot is a write the DSP has yet to act on.
    new_kon_ = registers_[kKon];
    rate_counter_ = kRateCounterAfterLoad;
    rate_fires_ = rate_fire_mask(rate_counter_);
}

uint8_t Dsp::read(uint8_t address) const {
    address &= 0x7F;
    // The registers the DSP itself writes live in its own state.
    if ((address & 0x0F) == kEnvx || (address & 0x0F) == kOutx) {
        const int n = address >> 4;
        const Voice& v = voices_[n];
        if ((address & 0x0F) == kEnvx)
            return static_cast<uint8_t>(v.envx_cpu_until >= position() ? v.envx_cpu
                                        : published(n, kEnvxDelay, v.sounded_level, v.prev_sounded_level) >> 4);
        if (quiet_until_) outx_read_ = true;
        return static_cast<uint8_t>(v.outx_cpu_until >= position() ? v.outx_cpu
                                    : published(n, kOutxDelay, v.output, v.prev_output) >> 8);
    }
    if (address == kEndx) return static_cast<uint8_t>(endx_);
    if (deferred_[address >> 6] & deferred_bit(address)) return deferred_value_[address];
    return written_[address];
}

void Dsp::write(uint8_t address, uint8_t value) {
    address &= 0x7F;
    if (address == kEndx) {
        endx_ = 0;  // any write acknowledges all end flags
        return;
    }
    written_[address] = value;
    const uint8_t used = view_ ? view_(view_context_, address, value) : value;
    if (address == kFlg && quiet_until_ && !echo_may_turn_on_ && (registers_[kFlg] & ~used & kFlgEchoOff))
        echo_turned_on_ = true;
    registers_[address] = used;
    deferred_[address >> 6] &= ~deferred_bit(address);  // replaces a write still waiting
    if ((address & 0x0F) <= kVolR) set_volumes(address >> 4);
    if ((address & 0x0F) == kFirCoef) set_fir_coefficient(address >> 4);
    // Kept until the DSP next publishes its own value, `delay` cycles after
    // the voice's run.
    if ((address & 0x0F) == kEnvx || (address & 0x0F) == kOutx) {
        const int n = address >> 4;
        Voice& v = voices_[n];
        const int delay = (address & 0x0F) == kEnvx ? kEnvxDelay : kOutxDelay;
        const int publish = (run_cycle(n) + delay) & 31;
        const int64_t until = position() + ((publish - static_cast<int>(clock_)) & 31);
        if (delay == kEnvxDelay) {
            v.envx_cpu = value;
            v.envx_cpu_until = until;
        } else {
            v.outx_cpu = value;
            v.outx_cpu_until = until;
        }
    }
    if (address == kKon) new_kon_ = used;
}

void Dsp::set_fir_coefficient(int tap) {
    fir_coef_[2 * tap] = fir_coef_[2 * tap + 1] = static_cast<int8_t>(registers_[tap * 16 + kFirCoef]);
}

void Dsp::set_register_view(RegisterView view, const void* context) {
    view_ = view;
    view_context_ = context;
    apply_settings();
}

// What the DSP takes from the written registers and the settings; the
// one-shot effects of writes (KON, ENDX, ENVX, OUTX) are not repeated.
void Dsp::apply_settings() {
    for (int a = 0; a < 128; ++a)
        registers_[a] = view_ ? view_(view_context_, static_cast<uint8_t>(a), written_[a]) : written_[a];
    for (int n = 0; n < 8; ++n) {
        set_volumes(n);
        set_fir_coefficient(n);
    }
}

int Dsp::published(int n, int delay, int now, int before) const {
    // Between the run and the publishing cycle the register still shows the
    // value from before the run.
    const int since_run = (static_cast<int>(clock_) - run_cycle(n) - 1) & 31;
    return since_run < delay ? before : now;
}

void Dsp::set_unheard_until(int64_t frame, bool echo_may_turn_on) {
    quiet_until_ = frame > 0 ? frame - 1 : 0;
    outx_read_ = echo_turned_on_ = false;
    echo_may_turn_on_ = echo_may_turn_on;
}

void Dsp::set_output(int16_t* frames, size_t frame_capacity) {
    output_ = frames;
    output_capacity_ = frame_capacity;
    frames_written_ = 0;
}


// ---------------------------------------------------------------------------
// Voice stages, at the clocks the schedule gives them (dsp_schedule.h):
// voice n (1..7) works at clocks 3n-2 .. 3n+3 of the period; voice 0's
// early stages fall at the end of the previous period (18, 22, 23, 26, 31)
// and the rest at 0..3.

// In a whole period the CPU cannot write a register between the cycle that
// latches it and the cycle that uses it, so the latches are skipped and the
// registers read where they are used. Only voice 1's SRCN latch (cycle 21)
// is used in the next period, and voice 0's directory word after it.

template <bool Full>
APU_ALWAYS_INLINE void Dsp::voice_srcn(Voice& v, int n) {
    if (!Full || n == 1) v.srcn = registers_[n * 16 + kSrcn];
}

template <bool Full>
APU_ALWAYS_INLINE int Dsp::srcn_of(const Voice& v, int n) const {
    return Full && n != 1 ? registers_[n * 16 + kSrcn] : v.srcn;
}

APU_ALWAYS_INLINE int Dsp::dir_address(int srcn, bool start) const {
    return ((dir_ << 8) + samples_.source[srcn] * 4 + (start ? 0 : 2)) & 0xFFFF;
}

APU_ALWAYS_INLINE int Dsp::ram_word(int address) const {
    // Directory entries are even, so the second byte never wraps past 0xFFFF.
    return ram_[address] | ram_[address + 1] << 8;
}

template <bool Full>
APU_ALWAYS_INLINE void Dsp::voice_dir(Voice& v, int n) {
    // In a whole period voices 1..7 find their directory word where they use
    // it: DIR and their SRCN stay as they were here until then.
    if (Full && n != 0) return;
    const uint8_t* r = registers_ + n * 16;
    if (!Full) {
        v.pitch_low = r[kPitchL];
        v.adsr1 = r[kAdsr1];
    }
    // Each sample reads one directory word: the start address while a key-on
    // is beginning, otherwise the loop address.
    const int entry = dir_address(srcn_of<Full>(v, n), v.kon_delay == 5);
    // The word is needed only at a key-on or a block end, so voices 1..7
    // read it then: nothing writes RAM between here and their last use in
    // the period, and run() reads it before returning the CPU the bus.
    // Voice 0 uses it after the echo writes, so it reads it now.
    v.dir_pointer = entry;
    if (n == 0) dir_entry(v);
}

APU_ALWAYS_INLINE int Dsp::dir_entry(Voice& v) {
    if (v.dir_pointer >= 0) {
        v.dir_entry = ram_word(v.dir_pointer);
        v.dir_pointer = -1;
    }
    return v.dir_entry;
}

template <bool Full>
APU_ALWAYS_INLINE void Dsp::voice_pitch_high(Voice& v, int n) {
    if (!Full) v.pitch_high = registers_[n * 16 + kPitchH];
}

// The directory word a voice uses at its run (start) or at a block end (loop).
template <bool Full>
APU_ALWAYS_INLINE int Dsp::entry_for(Voice& v, int n, bool start) {
    if (Full && n != 0) {
        return ram_word(dir_address(srcn_of<Full>(v, n), start));
    }
    return dir_entry(v);
}

// Voices 1..7 decode in the next cycle, so in a whole period, where RAM
// cannot change in between, they read the first data byte only when they
// decode. Voice 0 decodes after the echo writes and reads it now.
template <bool Full>
APU_ALWAYS_INLINE void Dsp::voice_header(Voice& v, int n) {
    v.brr_header = ram_[v.brr_addr];
    if (!Full || n == 0) v.brr_byte1 = ram_[(v.brr_addr + v.brr_offset) & 0xFFFF];
}

template <bool Full, bool Quiet>
APU_ALWAYS_INLINE void Dsp::voice_run(Voice& v, int n) {
    const int bit = 1 << n;
    const uint8_t* r = registers_ + n * 16;
    const int pitch_low = Full ? r[kPitchL] : v.pitch_low;
    const int pitch_high = Full ? r[kPitchH] : v.pitch_high;
    const int adsr1 = Full ? r[kAdsr1] : v.adsr1;

    // ENVX/OUTX show the values from before a run until a few cycles after
    // it; in a whole period that falls within the period for voices 1..7,
    // where the CPU cannot read.
    if (!Full || n == 0) {
        v.prev_sounded_level = v.sounded_level;
        v.prev_output = v.output;
    }
    // The two bytes are adjacent, so this is one 16-bit load.
    int pitch = (pitch_low | pitch_high << 8) & 0x3FFF;
    // The counter stops at 0x7FFF, which only a modulated pitch can pass:
    // the step is cut short here, as the counter cannot move until then.
    if (n > 0 && (pmon_ & bit)) {
        pitch += ((voices_[n - 1].output >> 5) * pitch) >> 10;
        pitch = std::min(pitch, 0x7FFF - (v.interp_pos & 0x3FFF));
    }
    v.step = pitch;
    // ADSR2 in ADSR mode, GAIN otherwise.
    const auto env_data = [&] { return (adsr1 & 0x80) ? r[kAdsr2] : r[kGain]; };

    if (!(unusual_ & bit)) [[likely]] {
        // Most samples: no key-on under way, no KON or KOFF to act on and
        // no noise. A silent voice runs on as well: it decodes, moves its
        // pitch counter and sets ENDX, and its next key-on starts from the
        // history it decoded.
        v.sounded_level = v.env.level;
        if (v.env.level) [[likely]] {
            if (!Quiet || output_used(n)) {
                v.output = ((interpolate(v) * v.env.level) >> 11) & ~1;
                if (mix_early<Full>(n)) mix(v, n, kMixBoth);
            } else {
                v.output = 0;
            }
        } else {
            v.output = 0;
        }
        silence_on_end_or_reset(v);
        step_envelope_masked(v.env, adsr1, env_data(), rate_fires_);
        return;
    }

    if (v.kon_delay) {
        if (v.kon_delay == 5) {
            if (v.pending_count) decode_pending(v);  // before the ring restarts
            v.brr_addr = entry_for<Full>(v, n, true);
            v.brr_offset = 1;
            v.buf_pos = 0;
            v.brr_header = 0;  // the header read before the restart is stale
            endx_ &= ~bit;
            if (samples_.muted[srcn_of<Full>(v, n)] != bool(v.sample_muted)) [[unlikely]] {
                v.sample_muted = !v.sample_muted;
                set_volumes(n);
            }
        }
        v.env.level = 0;
        v.env.hidden = 0;
        // The counter is held so that the decoder fetches the first three
        // groups during the start-up and playback begins at position 0.
        if (--v.kon_delay == 0) starting_ &= ~bit;
        v.interp_pos = (v.kon_delay & 3) ? 0x4000 : 0;
        v.step = 0;
    }

    // A silent envelope makes the product zero whatever the sample is.
    int sample = 0;
    if (v.env.level == 0 || (Quiet && !output_used(n))) {
    } else if (non_ & bit) {
        sample = static_cast<int16_t>(noise_ << 1);
    } else if (interpolator_) [[unlikely]] {
        sample = hooked_interpolation(v);
    } else {
        sample = interpolate(v);
    }
    v.output = ((sample * v.env.level) >> 11) & ~1;
    v.sounded_level = v.env.level;
    if (mix_early<Full>(n) && v.output) mix(v, n, kMixBoth);
    silence_on_end_or_reset(v);
    if (poll_pending_ & bit) {
        poll_pending_ &= ~bit;
        if (koff_latched_ & bit) v.env.mode = EnvelopeMode::release;
        if (kon_latched_ & bit) start_key_on(v, bit);
    }
    if (!v.kon_delay) step_envelope_masked(v.env, adsr1, env_data(), rate_fires_);
}

// Unheard, a voice's output still counts where the CPU or RAM can see it:
// in the echo sums (see echo_input_needed), as the next voice's pitch
// modulation, and for voice 0, which runs at the period's end, in the next
// frame when that is heard. Partial periods, which mix what voice 0 left,
// go by the same rules. The latches read are the ones those uses take.
APU_ALWAYS_INLINE bool Dsp::output_used(int n) const {
    const int echo = echo_input_needed() ? eon_ : 0;
    return ((echo | pmon_ >> 1 | heard_next_) >> n) & 1;
}

APU_ALWAYS_INLINE void Dsp::start_key_on(Voice& v, int bit) {
    v.kon_delay = 5;
    starting_ |= bit;
    v.env.mode = EnvelopeMode::attack;
}

APU_ALWAYS_INLINE int Dsp::interpolate(const Voice& v) const {
    return gaussian_interpolate(v.buf + v.buf_pos + (v.interp_pos >> 12), (v.interp_pos >> 4) & 0xFF);
}

// The hook sees eight samples around the Gaussian's four, oldest first:
// the two decoded before the ring's oldest come from `before`; past the
// newest, which a pitch near the top can reach, the newest is repeated.
int Dsp::hooked_interpolation(const Voice& v) const {
    const int16_t* ring = v.buf + v.buf_pos;
    const int first = (v.interp_pos >> 12) - 2;
    int16_t samples[8];
    for (int i = 0; i < 8; ++i) {
        const int at = first + i;
        samples[i] = at < 0 ? v.before[at + 2] : ring[at < 11 ? at : 11];
    }
    return clamp16(interpolator_(samples, v.interp_pos & 0xFFF)) & ~1;
}

void Dsp::set_brr_wrap(bool wrap) {
    for (Voice& v : voices_) decode_pending(v);  // with the decoder they were queued under
    brr_cache_->set_variant(wrap ? 0 : kBrrNoWrap);
}

void Dsp::set_interpolator(Interpolator interpolator) {
    interpolator_ = interpolator;
    hooked_ = interpolator ? 0xFF : 0;
    unusual_ |= hooked_;
}

// Soft reset and a block that ends without looping silence at once.
APU_ALWAYS_INLINE void Dsp::silence_on_end_or_reset(Voice& v) const {
    if ((v.brr_header & 3) == 1 || (registers_[kFlg] & kFlgReset)) [[unlikely]] {
        v.env.mode = EnvelopeMode::release;
        v.env.level = 0;
    }
}

template <bool Full>
APU_ALWAYS_INLINE void Dsp::voice_decode_mix_left(Voice& v, int n) {
    if (v.interp_pos >= 0x4000) [[unlikely]] {
        const int byte1 = Full && n != 0 ? ram_[(v.brr_addr + v.brr_offset) & 0xFFFF] : v.brr_byte1;
        const int byte2 = ram_[(v.brr_addr + v.brr_offset + 1) & 0xFFFF];
        const uint32_t group = static_cast<uint32_t>(v.brr_header | byte1 << 8 | byte2 << 16);
        if (!v.env.level && v.env.mode == EnvelopeMode::release && !v.kon_delay) {
            queue_group(v, group);
        } else {
            if (v.pending_count) [[unlikely]] decode_pending(v);
            if (interpolator_) [[unlikely]] std::memcpy(v.before, v.buf + v.buf_pos + 2, sizeof v.before);
            decode_into_ring(*brr_cache_, v.buf, v.buf_pos, group);
        }
        v.buf_pos = v.buf_pos == 8 ? 0 : v.buf_pos + 4;
        v.brr_offset += 2;
        if (v.brr_offset >= 9) {
            v.brr_addr = (v.brr_addr + 9) & 0xFFFF;
            if (v.brr_header & 1) {
                v.brr_addr = entry_for<Full>(v, n, false);
                // The ENDX bit shows a cycle later, which only a CPU access
                // between the two can tell.
                if (Full) endx_ |= 1 << n;
                else v.ended = true;
            }
            v.brr_offset = 1;
        }
    }
    v.interp_pos = (v.interp_pos & 0x3FFF) + v.step;

    // Silent voices leave the sums as they are. In a whole period nothing
    // can change the right volume before the next cycle, so both sides are
    // mixed at once; voices 1..7 have been mixed when they ran (see
    // mix_early).
    if (!v.output || mix_early<Full>(n)) return;
    mix(v, n, Full ? kMixBoth : kMixLeft);
}

// A silent voice's ring is read only by the key-on that ends its silence,
// which decodes its queued groups first. Groups before a filter-0 group
// with two more after it are left out: the three fill the ring, and from
// the filter-0 one on, no group reads the history before it. A full queue
// is decoded at once.
void Dsp::queue_group(Voice& v, uint32_t group) {
    if (v.pending_count == kPendingGroups) decode_pending(v);
    if (!v.pending_count) v.pending_reset = -1;
    if (!((group >> 2) & 3)) v.pending_reset = v.pending_count;
    v.pending[v.pending_count++] = group;
    if (v.pending_reset > 0 && v.pending_count - v.pending_reset == 3) {
        for (int i = 0; i < 3; ++i) v.pending[i] = v.pending[v.pending_reset + i];
        v.pending_count = 3;
        v.pending_reset = 0;
    }
}

// They go just before buf_pos.
void Dsp::decode_pending(Voice& v) {
    int pos = (v.buf_pos + 4 * (kPendingGroups * 3 - v.pending_count)) % 12;
    if (v.pending_count == kPendingGroups) {
        brr_cache_->decode_run(v.buf, pos, v.pending);
        v.pending_count = 0;
        return;
    }
    for (int i = 0; i < v.pending_count; ++i) {
        decode_into_ring(*brr_cache_, v.buf, pos, v.pending[i]);
        pos = pos == 8 ? 0 : pos + 4;
    }
    v.pending_count = 0;
}

APU_ALWAYS_INLINE void Dsp::mix(const Voice& v, int n, int sides) {
    mix_voice(sums_, v.volume, v.output, eon_ & (1u << n), sides);
}

// A muted voice mixes with zero volumes, so the sums stay as they were.
void Dsp::set_volumes(int n) {
    int16_t* volume = voices_[n].volume;
    const bool muted = ((mute_mask_ >> n) & 1) || voices_[n].sample_muted;
    volume[0] = volume[4] = muted ? 0 : static_cast<int8_t>(registers_[n * 16 + kVolL]);
    volume[2] = volume[6] = muted ? 0 : static_cast<int8_t>(registers_[n * 16 + kVolR]);
}

void Dsp::set_mute_mask(uint8_t mask) {
    mute_mask_ = mask;
    apply_settings();
}

Dsp::SampleTable Dsp::SampleTable::identity() {
    SampleTable table;
    for (int i = 0; i < 256; ++i) table.source[i] = uint8_t(i);
    return table;
}

void Dsp::set_sample_table(const SampleTable& table) {
    samples_ = table;
    for (int n = 0; n < 8; ++n) voices_[n].sample_muted = samples_.muted[registers_[n * 16 + kSrcn]];
    apply_settings();
}

void Dsp::save(DspState& state) const { state = *this; }

void Dsp::restore(const DspState& state) {
    static_cast<DspState&>(*this) = state;
    unusual_ |= hooked_;
    apply_settings();
}

template <bool Full>
APU_ALWAYS_INLINE void Dsp::voice_mix_right(Voice& v, int n) {
    if (!Full && v.output) mix(v, n, kMixRight);
    if (!Full && v.ended) {
        endx_ |= 1 << n;
        v.ended = 0;
    }
}

// ---------------------------------------------------------------------------
// Echo unit.

APU_ALWAYS_INLINE void Dsp::echo_read(int channel) {
    const int a = (echo_addr_ + channel * 2) & 0xFFFF;
    const int16_t s = static_cast<int16_t>(ram_[a] | ram_[(a + 1) & 0xFFFF] << 8);
    // The ring's second copy is written once the filter has run.
    fir_buf_[fir_pos_][channel] = static_cast<int16_t>(s >> 1);
}

// In a whole period nothing comes between the two channels' accesses, so
// each pair is one access: the address is a multiple of 4 below 0x10000.
APU_ALWAYS_INLINE void Dsp::echo_read_both() {
    uint32_t pair;
    std::memcpy(&pair, ram_ + echo_addr_, sizeof pair);
    fir_buf_[fir_pos_][0] = static_cast<int16_t>(static_cast<int16_t>(pair) >> 1);
    fir_buf_[fir_pos_][1] = static_cast<int16_t>(static_cast<int16_t>(pair >> 16) >> 1);
}

APU_ALWAYS_INLINE void Dsp::echo_write_both() {
    if (!echo_write_enabled_) return;
    const uint32_t pair = static_cast<uint16_t>(echo_in_[0]) | static_cast<uint32_t>(echo_in_[1]) << 16;
    std::memcpy(ram_ + echo_addr_, &pair, sizeof pair);
}

template <bool Quiet>
APU_ALWAYS_INLINE void Dsp::echo_output(int channel) {
    const int efb = static_cast<int8_t>(registers_[kEfb]);
    const int fir = fir_out_[channel];
    if (!Quiet) {
        const int mvol = static_cast<int8_t>(registers_[channel ? kMvolR : kMvolL]);
        const int evol = static_cast<int8_t>(registers_[channel ? kEvolR : kEvolL]);
        int out = clamp16(((sums_[channel] * mvol) >> 7) + ((fir * evol) >> 7));
        if (registers_[kFlg] & kFlgMute) out = 0;
        out_[channel] = out;
    }
    echo_in_[channel] = clamp16(sums_[2 + channel] + ((fir * efb) >> 7)) & ~1;
    sums_[channel] = sums_[2 + channel] = 0;
}

// Whether this period's echo writes may store what the echo sums hold: on
// as latched, or turned on by FLG before the latch.
APU_ALWAYS_INLINE bool Dsp::echo_may_write() const {
    return echo_write_enabled_ || !(registers_[kFlg] & kFlgEchoOff);
}

APU_ALWAYS_INLINE bool Dsp::echo_input_needed() const { return echo_may_turn_on_ || echo_may_write(); }

APU_ALWAYS_INLINE void Dsp::echo_write(int channel) {
    if (!echo_write_enabled_) return;
    const int a = (echo_addr_ + channel * 2) & 0xFFFF;
    ram_[a] = static_cast<uint8_t>(echo_in_[channel]);
    ram_[(a + 1) & 0xFFFF] = static_cast<uint8_t>(echo_in_[channel] >> 8);
}

APU_ALWAYS_INLINE void Dsp::sample_boundary() {
    if (frames_written_ < output_capacity_) {
        output_[2 * frames_written_] = static_cast<int16_t>(out_[0]);
        output_[2 * frames_written_ + 1] = static_cast<int16_t>(out_[1]);
        ++frames_written_;
    }
}

// ---------------------------------------------------------------------------
// The schedule's actions (see dsp_schedule.h).

template <bool Full, bool Quiet, int C, int I>
APU_ALWAYS_INLINE void Dsp::action() {
    constexpr Action a = kPeriod[C].actions[I];
    constexpr int n = a.voice;
    Voice& v = voices_[n];
    if constexpr (a.step == Step::voice_srcn) {
        voice_srcn<Full>(v, n);
    } else if constexpr (a.step == Step::voice_dir) {
        voice_dir<Full>(v, n);
    } else if constexpr (a.step == Step::voice_pitch_high) {
        voice_pitch_high<Full>(v, n);
    } else if constexpr (a.step == Step::voice_header) {
        voice_header<Full>(v, n);
    } else if constexpr (a.step == Step::voice_run) {
        voice_run<Full, Quiet>(v, n);
    } else if constexpr (a.step == Step::voice_mix_left) {
        voice_decode_mix_left<Full>(v, n);
    } else if constexpr (a.step == Step::voice_mix_right) {
        voice_mix_right<Full>(v, n);
    } else if constexpr (a.step == Step::echo_address) {
        echo_addr_ = ((esa_ << 8) + echo_offset_) & 0xFFFF;
    } else if constexpr (a.step == Step::echo_read_left) {
        if (Full) echo_read_both();
        else echo_read(0);
    } else if constexpr (a.step == Step::echo_read_right) {
        if (!Full) echo_read(1);
    } else if constexpr (a.step == Step::echo_fir) {
        const int16_t* newest = fir_buf_[fir_pos_];
        // Unheard, the filter matters only for what echo writes store,
        // through the feedback. (In a whole period EFB stays as it is
        // until its use.)
        if (!Quiet || (echo_input_needed() && registers_[kEfb]))
            fir_stereo(fir_buf_[fir_pos_ + 1], newest[0], newest[1], fir_coef_, fir_out_);
        fir_buf_[fir_pos_ + 8][0] = newest[0];
        fir_buf_[fir_pos_ + 8][1] = newest[1];
        fir_pos_ = (fir_pos_ + 1) & 7;
    } else if constexpr (a.step == Step::echo_output_left) {
        echo_output<Quiet>(0);
    } else if constexpr (a.step == Step::echo_output_right) {
        echo_output<Quiet>(1);
        pmon_ = registers_[kPmon];
        if (!Quiet) sample_boundary();
    } else if constexpr (a.step == Step::latch_voice_flags) {
        non_ = registers_[kNon];
        eon_ = registers_[kEon];
        dir_ = registers_[kDir];
        echo_write_enabled_ = !(registers_[kFlg] & kFlgEchoOff);
    } else if constexpr (a.step == Step::echo_write_left) {
        if (!Full) echo_write(0);
        if (echo_offset_ == 0) echo_length_ = (registers_[kEdl] & 0x0F) * 0x800;
        echo_offset_ += 4;
        if (echo_offset_ >= echo_length_) echo_offset_ = 0;
        esa_ = registers_[kEsa];
        rate_counter_ = (rate_counter_ == 0 ? kRateCounterWrap : rate_counter_) - 1;
        rate_fires_ = rate_fire_mask(rate_counter_);
    } else if constexpr (a.step == Step::echo_write_right) {
        if (Full) echo_write_both();
        else echo_write(1);
        if ((rate_fires_ >> (registers_[kFlg] & 0x1F)) & 1) {
            const int feedback = (noise_ << 13) ^ (noise_ << 14);
            noise_ = (feedback & 0x4000) ^ (noise_ >> 1);
        }
        poll_sample_ = !poll_sample_;
        // Selected with a mask: a branch taken every other sample, a
        // period apart, is mispredicted.
        const int poll = -poll_sample_;
        kon_latched_ = (new_kon_ & poll) | (kon_latched_ & ~poll);
        new_kon_ &= ~poll;
        koff_latched_ = (registers_[kKoff] & poll) | (koff_latched_ & ~poll);
        // Voices without either bit have nothing to act on.
        poll_pending_ = ((kon_latched_ | koff_latched_) & poll) | (poll_pending_ & ~poll);
        unusual_ = poll_pending_ | non_ | starting_ | hooked_;
    }
    // voice_envx, voice_outx: the registers are worked out when read (see
    // published()).
}

template <bool Full, bool Quiet, int C>
APU_ALWAYS_INLINE void Dsp::clock() {
    [this]<int... I>(std::integer_sequence<int, I...>) APU_ALWAYS_INLINE_LAMBDA {
        (this->template action<Full, Quiet, C, I>(), ...);
    }(std::make_integer_sequence<int, kActionsPerClock>{});
}

// A whole period, the common case (the CPU seldom touches the DSP mid-
// period): the same schedule with no clocks to count, and no entry points
// in between, so values stay in registers from one cycle to the next.
template <bool Quiet>
void Dsp::full_period() {
    [this]<int... C>(std::integer_sequence<int, C...>) APU_ALWAYS_INLINE_LAMBDA {
        (this->template clock<true, Quiet, C>(), ...);
    }(std::make_integer_sequence<int, 32>{});
}

void Dsp::apply_deferred_writes() {
    for (int half = 0; half < 2; ++half) {
        for (uint64_t bits = deferred_[half]; bits; bits &= bits - 1) {
            const int address = half * 64 + __builtin_ctzll(bits);
            write(static_cast<uint8_t>(address), deferred_value_[address]);
        }
        deferred_[half] = 0;
    }
}

void Dsp::run(uint32_t clocks) {
    // Whole periods run unrolled with every cycle's work known at compile
    // time; the rare partial ones (around CPU accesses) clock by clock.
    while (clocks) {
        uint32_t n = 32 - clock_;
        if (n > clocks) n = clocks;
        clocks -= n;
        const uint32_t start = clock_;
        const int64_t period = periods_;
        clock_ = (clock_ + n) & 31;
        periods_ += clock_ == 0;
        if (n == 32) {
            // Partial periods are rare and always worked out whole: what
            // they mix of a voice left out earlier goes unheard, or was not
            // left out (see output_used).
            if (period < quiet_until_) [[unlikely]] {
                heard_next_ = period + 1 >= quiet_until_;
                full_period<true>();
            } else {
                full_period<false>();
            }
            if (deferred_[0] | deferred_[1]) apply_deferred_writes();
            continue;
        }
        switch (start) {
#define APU_DSP_CLOCK(c) case c: clock<false, false, c>(); if (--n == 0) break; [[fallthrough]];
        APU_DSP_CLOCK(0) APU_DSP_CLOCK(1) APU_DSP_CLOCK(2) APU_DSP_CLOCK(3) APU_DSP_CLOCK(4) APU_DSP_CLOCK(5)
        APU_DSP_CLOCK(6) APU_DSP_CLOCK(7) APU_DSP_CLOCK(8) APU_DSP_CLOCK(9) APU_DSP_CLOCK(10) APU_DSP_CLOCK(11)
        APU_DSP_CLOCK(12) APU_DSP_CLOCK(13) APU_DSP_CLOCK(14) APU_DSP_CLOCK(15) APU_DSP_CLOCK(16) APU_DSP_CLOCK(17)
        APU_DSP_CLOCK(18) APU_DSP_CLOCK(19) APU_DSP_CLOCK(20) APU_DSP_CLOCK(21) APU_DSP_CLOCK(22) APU_DSP_CLOCK(23)
        APU_DSP_CLOCK(24) APU_DSP_CLOCK(25) APU_DSP_CLOCK(26) APU_DSP_CLOCK(27) APU_DSP_CLOCK(28) APU_DSP_CLOCK(29)
        APU_DSP_CLOCK(30)
#undef APU_DSP_CLOCK
        case 31: clock<false, false, 31>(); break;
        }
        if (!clock_ && (deferred_[0] | deferred_[1])) apply_deferred_writes();
    }
    // The CPU may write RAM before the next clock.
    for (Voice& v : voices_) dir_entry(v);
}

}  // namespace apu
