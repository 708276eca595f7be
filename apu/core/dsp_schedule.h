#pragma once
// The S-DSP's 32-clock sample period as one table: what each clock does,
// and from it which registers each clock reads or writes. The DSP's
// clock-by-clock dispatch, its whole-period path and the CPU's
// synchronisation tables are all derived from it.
#include <cstdint>

namespace apu::schedule {

enum class Step : uint8_t {
    none,
    // Voice n's stages, in the order they come.
    voice_srcn,         // latches SRCN
    voice_dir,          // latches PITCHL and ADSR1, picks the directory word
    voice_pitch_high,   // latches PITCHH
    voice_header,       // reads the block header (and the first data byte)
    voice_run,          // pitch, interpolation, envelope (ADSR2 or GAIN), key on/off, FLG's reset
    voice_outx,         // OUTX takes the output of the last run
    voice_envx,         // ENVX takes the envelope level the last run's sample was made with
    voice_mix_left,     // decodes a group when due, mixes the left side (VOLL)
    voice_mix_right,    // mixes the right side (VOLR), shows the ENDX bit
    // The echo unit and the shared latches.
    echo_address,       // the echo address of this period (ESA as latched)
    echo_read_left,
    echo_read_right,
    echo_fir,           // the eight taps (FIR coefficients)
    echo_output_left,   // MVOLL, EVOLL, EFB, FLG's mute
    echo_output_right,  // MVOLR, EVOLR, EFB, FLG's mute; latches PMON; outputs the sample
    latch_voice_flags,  // latches NON, EON, DIR and FLG's echo-write bit
    echo_write_left,    // also EDL at the buffer's start, ESA and the rate counter
    echo_write_right,   // also the noise step at FLG's rate and the KON/KOFF poll
};

struct Action {
    Step step = Step::none;
    int voice = 0;
};

constexpr int kActionsPerClock = 4;
struct Clock {
    Action actions[kActionsPerClock];
};

using S = Step;
// Within a clock the actions run in the order given.
inline constexpr Clock kPeriod[32] = {
    /*  0 */ {{{S::voice_mix_left, 0}, {S::voice_srcn, 2}}},
    /*  1 */ {{{S::voice_mix_right, 0}, {S::voice_dir, 1}}},
    /*  2 */ {{{S::voice_pitch_high, 1}, {S::voice_header, 1}, {S::voice_run, 1}}},
    /*  3 */ {{{S::voice_mix_left, 1}, {S::voice_srcn, 3}}},
    /*  4 */ {{{S::voice_mix_right, 1}, {S::voice_dir, 2}, {S::voice_outx, 0}}},
    /*  5 */ {{{S::voice_pitch_high, 2}, {S::voice_header, 2}, {S::voice_run, 2}, {S::voice_envx, 0}}},
    /*  6 */ {{{S::voice_mix_left, 2}, {S::voice_srcn, 4}}},
    /*  7 */ {{{S::voice_mix_right, 2}, {S::voice_dir, 3}, {S::voice_outx, 1}}},
    /*  8 */ {{{S::voice_pitch_high, 3}, {S::voice_header, 3}, {S::voice_run, 3}, {S::voice_envx, 1}}},
    /*  9 */ {{{S::voice_mix_left, 3}, {S::voice_srcn, 5}}},
    /* 10 */ {{{S::voice_mix_right, 3}, {S::voice_dir, 4}, {S::voice_outx, 2}}},
    /* 11 */ {{{S::voice_pitch_high, 4}, {S::voice_header, 4}, {S::voice_run, 4}, {S::voice_envx, 2}}},
    /* 12 */ {{{S::voice_mix_left, 4}, {S::voice_srcn, 6}}},
    /* 13 */ {{{S::voice_mix_right, 4}, {S::voice_dir, 5}, {S::voice_outx, 3}}},
    /* 14 */ {{{S::voice_pitch_high, 5}, {S::voice_header, 5}, {S::voice_run, 5}, {S::voice_envx, 3}}},
    /* 15 */ {{{S::voice_mix_left, 5}, {S::voice_srcn, 7}}},
    /* 16 */ {{{S::voice_mix_right, 5}, {S::voice_dir, 6}, {S::voice_outx, 4}}},
    /* 17 */ {{{S::voice_pitch_high, 6}, {S::voice_header, 6}, {S::voice_run, 6}, {S::voice_envx, 4}}},
    /* 18 */ {{{S::voice_mix_left, 6}, {S::voice_srcn, 0}}},
    /* 19 */ {{{S::voice_mix_right, 6}, {S::voice_dir, 7}, {S::voice_outx, 5}}},
    /* 20 */ {{{S::voice_pitch_high, 7}, {S::voice_header, 7}, {S::voice_run, 7}, {S::voice_envx, 5}}},
    /* 21 */ {{{S::voice_mix_left, 7}, {S::voice_srcn, 1}}},
    /* 22 */ {{{S::voice_mix_right, 7}, {S::voice_dir, 0}, {S::echo_address}, {S::voice_outx, 6}}},
    /* 23 */ {{{S::voice_pitch_high, 0}, {S::echo_read_left}, {S::voice_envx, 6}}},
    /* 24 */ {{{S::echo_read_right}}},
    /* 25 */ {{{S::voice_outx, 7}}},
    /* 26 */ {{{S::voice_header, 0}, {S::echo_fir}, {S::voice_envx, 7}}},
    /* 27 */ {{{S::echo_output_left}}},
    /* 28 */ {{{S::echo_output_right}}},
    /* 29 */ {{{S::latch_voice_flags}}},
    /* 30 */ {{{S::echo_write_left}}},
    /* 31 */ {{{S::echo_write_right}, {S::voice_run, 0}}},
};

// The clock at which voice n does `step`.
constexpr int clock_of(Step step, int n) {
    for (int c = 0; c < 32; ++c)
        for (const Action& a : kPeriod[c].actions)
            if (a.step == step && a.voice == n) return c;
    return -1;
}

// Clocks from a voice's run until its ENVX or OUTX shows the result.
constexpr int clocks_after_run(Step publish, int n) {
    return (clock_of(publish, n) - clock_of(Step::voice_run, n)) & 31;
}

enum : uint8_t {
    kVolL = 0x0, kVolR = 0x1, kPitchL = 0x2, kPitchH = 0x3, kSrcn = 0x4, kAdsr1 = 0x5,
    kAdsr2 = 0x6, kGain = 0x7, kEnvx = 0x8, kOutx = 0x9, kFirCoef = 0xF,
    kMvolL = 0x0C, kMvolR = 0x1C, kEvolL = 0x2C, kEvolR = 0x3C, kKon = 0x4C, kKoff = 0x5C,
    kFlg = 0x6C, kEndx = 0x7C, kEfb = 0x0D, kPmon = 0x2D, kNon = 0x3D, kEon = 0x4D,
    kDir = 0x5D, kEsa = 0x6D, kEdl = 0x7D,
};
// FLG's bits.
enum : uint8_t { kFlgReset = 0x80, kFlgMute = 0x40, kFlgEchoOff = 0x20 };

// Per register, the clocks at which the DSP reads or writes it (`use`: a
// CPU write must be ordered with them) and at which it writes it
// (`update`: a CPU read must be); and whether a write may wait for the
// period's end (see Dsp::plan_write).
struct SyncTables {
    uint32_t use[128] = {};
    uint32_t update[128] = {};
    bool deferrable[128] = {};
};

constexpr SyncTables make_sync_tables() {
    SyncTables t;
    for (int c = 0; c < 32; ++c) {
        const uint32_t bit = 1u << c;
        for (const Action& a : kPeriod[c].actions) {
            const int v = a.voice * 16;
            auto uses = [&](int address) { t.use[address] |= bit; };
            auto updates = [&](int address) {
                t.use[address] |= bit;
                t.update[address] |= bit;
            };
            switch (a.step) {
            case S::none: break;
            case S::voice_srcn: uses(v + kSrcn); break;
            case S::voice_dir: uses(v + kPitchL); uses(v + kAdsr1); break;
            case S::voice_pitch_high: uses(v + kPitchH); break;
            case S::voice_header: break;
            case S::voice_run: uses(v + kAdsr2); uses(v + kGain); uses(kFlg); updates(kEndx); break;
            case S::voice_envx: updates(v + kEnvx); break;
            case S::voice_outx: updates(v + kOutx); break;
            case S::voice_mix_left: uses(v + kVolL); updates(kEndx); break;
            case S::voice_mix_right: uses(v + kVolR); updates(kEndx); break;
            case S::echo_address: break;
            case S::echo_read_left: case S::echo_read_right: break;
            case S::echo_fir:
                for (int tap = 0; tap < 8; ++tap) uses(tap * 16 + kFirCoef);
                break;
            case S::echo_output_left: uses(kMvolL); uses(kEvolL); uses(kEfb); uses(kFlg); break;
            case S::echo_output_right: uses(kMvolR); uses(kEvolR); uses(kEfb); uses(kFlg); uses(kPmon); break;
            case S::latch_voice_flags: uses(kNon); uses(kEon); uses(kDir); uses(kFlg); break;
            case S::echo_write_left: uses(kEdl); uses(kEsa); break;
            case S::echo_write_right: uses(kFlg); uses(kKon); uses(kKoff); break;
            }
        }
    }
    // Used at one clock and without side effects when written: KON, ENVX
    // and OUTX do more than store their value.
    for (int a = 0; a < 128; ++a) {
        const uint32_t w = t.use[a];
        t.deferrable[a] = w && !(w & (w - 1)) && a != kKon && (a & 0x0F) != kEnvx && (a & 0x0F) != kOutx;
    }
    return t;
}

inline constexpr SyncTables kSync = make_sync_tables();

}  // namespace apu::schedule
