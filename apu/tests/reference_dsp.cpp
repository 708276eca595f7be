#include "tests/reference_dsp.h"

#include <algorithm>
#include <cstring>

#include "core/dsp_envelope.h"
#include "core/dsp_gaussian.h"

namespace apu_test {

namespace {

using apu::schedule::Action;
using apu::schedule::kPeriod;
using apu::schedule::Step;
namespace r = apu::schedule;  // register numbers

using r::kFlgReset, r::kFlgMute, r::kFlgEchoOff;


int clamp16(int x) { return std::clamp(x, -32768, 32767); }
int signed8(int x) { return static_cast<int8_t>(x); }

}  // namespace

void ReferenceDsp::reset() {
    std::memset(registers_, 0, sizeof registers_);
    registers_[r::kFlg] = kFlgReset | kFlgMute | kFlgEchoOff;
    for (Voice& v : voices_) v = Voice{};
    clock_ = 0;
    counter_ = 0;
    poll_next_sample_ = false;
    kon_written_ = kon_polled_ = koff_polled_ = poll_unseen_ = 0;
    noise_ = 0x4000;
    pmon_ = non_ = eon_ = dir_ = esa_ = 0;
    echo_writes_ = false;
    std::memset(sums_, 0, sizeof sums_);
    out_[0] = out_[1] = 0;
    echo_offset_ = echo_length_ = echo_address_ = 0;
    std::memset(echo_history_, 0, sizeof echo_history_);
    history_newest_ = 0;
    fir_out_[0] = fir_out_[1] = echo_in_[0] = echo_in_[1] = 0;
    frames_.clear();
}

// The latches start from the snapshot's registers, KON counts as written
// and not yet polled, KOFF as polled, and every voice restarts silent.
void ReferenceDsp::load_registers(const uint8_t registers[128]) {
    reset();
    std::memcpy(registers_, registers, sizeof registers_);
    for (int n = 0; n < 8; ++n) {
        Voice& v = voices_[n];
        v.srcn = voice_reg(n, r::kSrcn);
        v.pitch_low = voice_reg(n, r::kPitchL);
        v.pitch_high = voice_reg(n, r::kPitchH);
        v.adsr1 = voice_reg(n, r::kAdsr1);
    }
    dir_ = reg(r::kDir);
    pmon_ = reg(r::kPmon);
    non_ = reg(r::kNon);
    eon_ = reg(r::kEon);
    esa_ = reg(r::kEsa);
    echo_writes_ = !(reg(r::kFlg) & kFlgEchoOff);
    echo_address_ = esa_ << 8;
    koff_polled_ = reg(r::kKoff);
    kon_written_ = reg(r::kKon);
    counter_ = apu::kRateCounterAfterLoad;
}

void ReferenceDsp::write(uint8_t address, uint8_t value) {
    address &= 0x7F;
    if (address == r::kEndx) {
        registers_[address] = 0;  // any write clears every end flag
        return;
    }
    registers_[address] = value;
    if (address == r::kKon) kon_written_ = value;
}

void ReferenceDsp::run(uint64_t clocks) {
    while (clocks--) clock();
}

void ReferenceDsp::clock() {
    for (const Action& action : kPeriod[clock_].actions) perform(action);
    clock_ = (clock_ + 1) & 31;
}

void ReferenceDsp::perform(const Action& a) {
    Voice& v = voices_[a.voice];
    const int n = a.voice;
    switch (a.step) {
    case Step::none: break;
    case Step::voice_srcn: latch_srcn(v, n); break;
    case Step::voice_dir: read_directory(v, n); break;
    case Step::voice_pitch_high: latch_pitch_high(v, n); break;
    case Step::voice_header: read_header(v); break;
    case Step::voice_run: run_voice(v, n); break;
    case Step::voice_envx: registers_[n * 16 + r::kEnvx] = static_cast<uint8_t>(v.sounded_level >> 4); break;
    case Step::voice_outx: registers_[n * 16 + r::kOutx] = static_cast<uint8_t>(v.output >> 8); break;
    case Step::voice_mix_left: decode_and_mix_left(v, n); break;
    case Step::voice_mix_right: mix_right(v, n); break;
    case Step::echo_address: echo_address_ = ((esa_ << 8) + echo_offset_) & 0xFFFF; break;
    case Step::echo_read_left: read_echo(0); break;
    case Step::echo_read_right: read_echo(1); break;
    case Step::echo_fir: run_fir(); break;
    case Step::echo_output_left: output_channel(0); break;
    case Step::echo_output_right:
        output_channel(1);
        pmon_ = reg(r::kPmon);
        frames_.push_back(static_cast<int16_t>(out_[0]));
        frames_.push_back(static_cast<int16_t>(out_[1]));
        break;
    case Step::latch_voice_flags: latch_voice_flags(); break;
    case Step::echo_write_left:
        write_echo(0);
        advance_echo_and_counter();
        break;
    case Step::echo_write_right:
        write_echo(1);
        step_noise();
        poll_key_on_off();
        break;
    }
}

// ---------------------------------------------------------------------------
// Voices.

void ReferenceDsp::latch_srcn(Voice& v, int n) { v.srcn = voice_reg(n, r::kSrcn); }

// A key-on about to begin reads the sample's start address, otherwise the
// loop address, from the directory entry of SRCN.
void ReferenceDsp::read_directory(Voice& v, int n) {
    v.pitch_low = voice_reg(n, r::kPitchL);
    v.adsr1 = voice_reg(n, r::kAdsr1);
    const bool starting = v.key_on_delay == 5;
    const int address = ((dir_ << 8) + v.srcn * 4 + (starting ? 0 : 2)) & 0xFFFF;
    v.directory_word = ram_[address] | ram_[(address + 1) & 0xFFFF] << 8;
}

void ReferenceDsp::latch_pitch_high(Voice& v, int n) { v.pitch_high = voice_reg(n, r::kPitchH); }

void ReferenceDsp::read_header(Voice& v) {
    v.header = ram_[v.brr_address];
    v.data_byte = ram_[(v.brr_address + v.brr_offset) & 0xFFFF];
}

// The pitch step, the output at the current position, the end-of-sample
// and soft-reset silence, the polled KON/KOFF and the envelope.
void ReferenceDsp::run_voice(Voice& v, int n) {
    const int bit = 1 << n;
    v.step = (v.pitch_low | v.pitch_high << 8) & 0x3FFF;
    if (n > 0 && (pmon_ & bit)) v.step += ((voices_[n - 1].output >> 5) * v.step) >> 10;
    if (v.key_on_delay) begin_sample(v, n);
    v.output = ((voice_sample(v, n) * v.level) >> 11) & ~1;
    v.sounded_level = v.level;
    if ((v.header & 3) == 1 || (reg(r::kFlg) & kFlgReset)) {
        v.mode = Mode::release;
        v.level = 0;
    }
    if (poll_unseen_ & bit) {
        poll_unseen_ &= ~bit;
        if (koff_polled_ & bit) v.mode = Mode::release;
        if (kon_polled_ & bit) {
            v.key_on_delay = 5;
            v.mode = Mode::attack;
        }
    }
    if (!v.key_on_delay) step_envelope(v, n);
}

// The five samples after a key-on: the first jumps to the sample's start;
// all hold the envelope at zero and the pitch counter still, so that the
// first three groups are decoded before playback begins at position 0.
void ReferenceDsp::begin_sample(Voice& v, int n) {
    if (v.key_on_delay == 5) {
        v.brr_address = v.directory_word;
        v.brr_offset = 1;
        v.oldest = 0;
        v.header = 0;
        registers_[r::kEndx] &= ~(1 << n);
    }
    v.level = 0;
    v.hidden_level = 0;
    --v.key_on_delay;
    v.pitch_counter = (v.key_on_delay & 3) ? 0x4000 : 0;
    v.step = 0;
}

int ReferenceDsp::voice_sample(const Voice& v, int n) const {
    if (!v.level) return 0;
    if (non_ & (1 << n)) return static_cast<int16_t>(noise_ << 1);
    return interpolate(v);
}

// Four samples from the one before the position on, weighted by the
// Gaussian table at the position's fraction. The first three products sum
// with 16-bit wraparound; only the last addition saturates.
int ReferenceDsp::interpolate(const Voice& v) const {
    const int first = v.pitch_counter >> 12;
    const int f = (v.pitch_counter >> 4) & 0xFF;
    auto sample = [&](int i) -> int { return v.ring[(v.oldest + first + i) % 12]; };
    const auto& g = apu::kGaussTable;
    int sum = (g[255 - f] * sample(0)) >> 11;
    sum += (g[511 - f] * sample(1)) >> 11;
    sum += (g[256 + f] * sample(2)) >> 11;
    sum = static_cast<int16_t>(sum);
    sum += (g[f] * sample(3)) >> 11;
    return clamp16(sum) & ~1;
}

bool ReferenceDsp::rate_fires(int rate) const {
    const int period = apu::kRatePeriods[rate & 31];
    return period && (counter_ + apu::rate_phase(period)) % period == 0;
}

// One sample of the envelope. Release falls by 8 every sample; otherwise
// ADSR1's top bit picks ADSR (rates from ADSR1/ADSR2) or GAIN, and the new
// level is applied only when its rate fires. A decay turns to sustain at
// the top three bits of whichever byte was read: ADSR2, or GAIN in GAIN mode.
void ReferenceDsp::step_envelope(Voice& v, int n) {
    if (v.mode == Mode::release) {
        v.level = std::max(v.level - 8, 0);
        return;
    }
    const int adsr1 = v.adsr1;
    const int data = (adsr1 & 0x80) ? voice_reg(n, r::kAdsr2) : voice_reg(n, r::kGain);
    const int exponential_step = ((v.level - 1) >> 8) + 1;
    int level = v.level;
    int rate;
    if (adsr1 & 0x80) {
        if (v.mode == Mode::attack) {
            rate = (adsr1 & 0x0F) * 2 + 1;
            level += rate == 31 ? 0x400 : 0x20;
        } else if (v.mode == Mode::decay) {
            rate = ((adsr1 >> 3) & 0x0E) + 0x10;
            level -= exponential_step;
        } else {
            rate = data & 0x1F;
            level -= exponential_step;
        }
    } else if (!(data & 0x80)) {
        rate = 31;  // direct: the level is set every sample
        level = (data & 0x7F) * 16;
    } else {
        rate = data & 0x1F;
        switch ((data >> 5) & 3) {
        case 0: level -= 0x20; break;                                  // linear decrease
        case 1: level -= exponential_step; break;                      // exponential decrease
        case 2: level += 0x20; break;                                  // linear increase
        default: level += v.hidden_level < 0x600 ? 0x20 : 8; break;  // bent-line increase
        }
    }
    if (v.mode == Mode::decay && (level >> 8) == (data >> 5)) v.mode = Mode::sustain;
    v.hidden_level = level & 0x7FF;
    if (level < 0 || level > 0x7FF) {
        level = std::clamp(level, 0, 0x7FF);
        if (v.mode == Mode::attack) v.mode = Mode::decay;
    }
    if (rate_fires(rate)) v.level = level;
}

// When the pitch counter has passed four samples, the next group of the
// block replaces the oldest in the ring; at a block's end the voice goes on
// at the next block, or at the loop address when the end flag is set.
void ReferenceDsp::decode_and_mix_left(Voice& v, int n) {
    if (v.pitch_counter >= 0x4000) {
        decode_group(v);
        v.oldest = (v.oldest + 4) % 12;
        v.brr_offset += 2;
        if (v.brr_offset >= 9) {
            v.brr_address = (v.brr_address + 9) & 0xFFFF;
            if (v.header & 1) {
                v.brr_address = v.directory_word;
                v.reached_end = true;
            }
            v.brr_offset = 1;
        }
    }
    v.pitch_counter = std::min((v.pitch_counter & 0x3FFF) + v.step, 0x7FFF);
    mix(v, n, 0);
}

// Four 4-bit samples, high nibble first: scaled by the header's shift,
// then predicted from the two before by its filter; the 16-bit result is
// kept as 15 bits, so values past 0x3FFF lose their sign.
void ReferenceDsp::decode_group(Voice& v) {
    const int second_byte = ram_[(v.brr_address + v.brr_offset + 1) & 0xFFFF];
    const int nibbles = v.data_byte << 8 | second_byte;
    const int shift = v.header >> 4, filter = (v.header >> 2) & 3;
    int p1 = v.ring[(v.oldest + 11) % 12] >> 1;
    int p2 = v.ring[(v.oldest + 10) % 12] >> 1;
    for (int i = 0; i < 4; ++i) {
        int s = (nibbles >> (12 - 4 * i)) & 0xF;
        if (s >= 8) s -= 16;
        s = shift <= 12 ? (s << shift) >> 1 : (s < 0 ? -2048 : 0);
        if (filter == 1) s += p1 + (-p1 >> 4);
        if (filter == 2) s += 2 * p1 + ((-3 * p1) >> 5) - p2 + (p2 >> 4);
        if (filter == 3) s += 2 * p1 + ((-13 * p1) >> 6) - p2 + ((3 * p2) >> 4);
        const int16_t stored = static_cast<int16_t>(clamp16(s) * 2);
        v.ring[(v.oldest + i) % 12] = stored;
        p2 = p1;
        p1 = stored >> 1;
    }
}

void ReferenceDsp::mix_right(Voice& v, int n) {
    mix(v, n, 1);
    if (v.reached_end) {
        registers_[r::kEndx] |= 1 << n;
        v.reached_end = false;
    }
}

// Output times VOLL (side 0) or VOLR (side 1) into the main sum, and into
// the echo sum for voices in EON; every step saturates at 16 bits.
void ReferenceDsp::mix(const Voice& v, int n, int side) {
    const int amplified = clamp16((v.output * signed8(voice_reg(n, side ? r::kVolR : r::kVolL))) >> 7);
    sums_[0][side] = clamp16(sums_[0][side] + amplified);
    if (eon_ & (1 << n)) sums_[1][side] = clamp16(sums_[1][side] + amplified);
}

// ---------------------------------------------------------------------------
// Echo unit and the shared counters.

void ReferenceDsp::read_echo(int channel) {
    const int a = (echo_address_ + 2 * channel) & 0xFFFF;
    const int16_t sample = static_cast<int16_t>(ram_[a] | ram_[(a + 1) & 0xFFFF] << 8);
    echo_history_[history_newest_][channel] = sample >> 1;
}

// Eight taps, FIR0 on the oldest sample read and FIR7 on the newest; the
// first seven products sum with 16-bit wraparound, the last saturates, and
// bit 0 is dropped.
void ReferenceDsp::run_fir() {
    for (int channel = 0; channel < 2; ++channel) {
        int sum = 0;
        for (int tap = 0; tap < 8; ++tap) {
            const int sample = echo_history_[(history_newest_ + 1 + tap) & 7][channel];
            if (tap == 7) sum = static_cast<int16_t>(sum);
            sum += (sample * signed8(reg(tap * 16 + r::kFirCoef))) >> 6;
        }
        fir_out_[channel] = clamp16(sum) & ~1;
    }
    history_newest_ = (history_newest_ + 1) & 7;
}

// The main sum and the filtered echo make the output; the echo sum and the
// echo fed back make what is written to the buffer.
void ReferenceDsp::output_channel(int channel) {
    const int fir = fir_out_[channel];
    const int mvol = signed8(reg(channel ? r::kMvolR : r::kMvolL));
    const int evol = signed8(reg(channel ? r::kEvolR : r::kEvolL));
    const int out = clamp16(((sums_[0][channel] * mvol) >> 7) + ((fir * evol) >> 7));
    out_[channel] = (reg(r::kFlg) & kFlgMute) ? 0 : out;
    echo_in_[channel] = clamp16(sums_[1][channel] + ((fir * signed8(reg(r::kEfb))) >> 7)) & ~1;
    sums_[0][channel] = sums_[1][channel] = 0;
}

void ReferenceDsp::latch_voice_flags() {
    non_ = reg(r::kNon);
    eon_ = reg(r::kEon);
    dir_ = reg(r::kDir);
    echo_writes_ = !(reg(r::kFlg) & kFlgEchoOff);
}

void ReferenceDsp::write_echo(int channel) {
    if (!echo_writes_) return;
    const int a = (echo_address_ + 2 * channel) & 0xFFFF;
    ram_[a] = static_cast<uint8_t>(echo_in_[channel]);
    ram_[(a + 1) & 0xFFFF] = static_cast<uint8_t>(echo_in_[channel] >> 8);
}

// EDL is read when the buffer starts over; ESA is latched every sample.
void ReferenceDsp::advance_echo_and_counter() {
    if (echo_offset_ == 0) echo_length_ = (reg(r::kEdl) & 0x0F) * 0x800;
    echo_offset_ += 4;
    if (echo_offset_ >= echo_length_) echo_offset_ = 0;
    esa_ = reg(r::kEsa);
    counter_ = (counter_ == 0 ? apu::kRateCounterWrap : counter_) - 1;
}

// Every other sample KON (as written since the last poll) and KOFF are
// taken for the voices to act on at their next run.
void ReferenceDsp::poll_key_on_off() {
    const bool poll = poll_next_sample_;
    poll_next_sample_ = !poll_next_sample_;
    if (!poll) return;
    kon_polled_ = kon_written_;
    kon_written_ = 0;
    koff_polled_ = reg(r::kKoff);
    poll_unseen_ = kon_polled_ | koff_polled_;
}

// A 15-bit shift register, fed back from its two lowest bits.
void ReferenceDsp::step_noise() {
    if (!rate_fires(reg(r::kFlg) & 0x1F)) return;
    const int feedback = (noise_ ^ (noise_ >> 1)) & 1;
    noise_ = feedback << 14 | noise_ >> 1;
}

}  // namespace apu_test
