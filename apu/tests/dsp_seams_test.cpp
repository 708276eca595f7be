// The DSP's seams for the layers above: each changes only what it is for,
// and leaves the hardware's behaviour as it was when not engaged.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "core/dsp_gaussian.h"
#include "core/sound_system.h"
#include "tests/corpus_support.h"
#include "tests/song_builder.h"

namespace {

using apu::CoreState;
using apu::SoundSystem;
using apu_test::load;
using apu_test::render;
using apu_test::echo_and_modulation;
using apu_test::SongBuilder;

// Every register as the CPU reads it, ENVX, OUTX and ENDX included.
std::vector<uint8_t> registers(SoundSystem& s) {
    std::vector<uint8_t> out;
    for (int a = 0; a < 128; ++a) out.push_back(s.dsp().read(static_cast<uint8_t>(a)));
    return out;
}

// A muted voice sounds as one with zero volumes would, also after the
// program writes its volume, and the registers the CPU reads are those of
// the unmuted song; voice 1, which it modulates, plays on unchanged.
TEST(MuteMask, LeavesAVoiceOutOfTheSumsOnly) {
    const auto song = echo_and_modulation(0x50, 0xB0, 0x30).image();
    auto muted = load(song);
    muted->set_mute_mask(0x01);
    auto silent = load(echo_and_modulation(0, 0, 0).image());
    auto plain = load(song);
    for (int piece = 0; piece < 6; ++piece) {
        const auto heard = render(*muted, 8000);
        ASSERT_EQ(heard, render(*silent, 8000)) << piece;
        ASSERT_NE(heard, render(*plain, 8000)) << piece;
        ASSERT_EQ(registers(*muted), registers(*plain)) << piece;
    }
}

// A song saved `frames` in, with what the next `frames` sound like, as
// they are and with voice 0 muted; left restored to the save, unmuted.
struct SavedSong {
    std::unique_ptr<SoundSystem> system;
    CoreState state;
    std::vector<int16_t> unmuted, muted;
};
SavedSong saved_song(size_t frames) {
    SavedSong song{load(echo_and_modulation(0x50, 0xB0, 0x30).image()), {}, {}, {}};
    SoundSystem& s = *song.system;
    render(s, frames);
    s.save(song.state);
    song.unmuted = render(s, frames);
    s.restore(song.state);
    s.set_mute_mask(0x01);
    song.muted = render(s, frames);
    s.set_mute_mask(0);
    s.restore(song.state);
    return song;
}

// The mask is a setting: a restore keeps it, and unmuting brings the
// register volumes back.
TEST(MuteMask, OutlastsARestoreAndLiftsCleanly) {
    auto song = saved_song(20000);
    SoundSystem& s = *song.system;
    s.set_mute_mask(0x01);
    s.restore(song.state);
    EXPECT_EQ(s.mute_mask(), 0x01);
    EXPECT_EQ(render(s, 20000), song.muted);
    s.restore(song.state);
    s.set_mute_mask(0);
    EXPECT_EQ(render(s, 20000), song.unmuted);
}

// A view that changes nothing, and counts its calls.
uint8_t counting_identity(const void* context, uint8_t, uint8_t value) {
    ++*static_cast<int*>(const_cast<void*>(context));
    return value;
}

// KON, KOFF, ENDX, FLG, deferred writes and snapshot loads all pass
// through the view; one that changes nothing leaves every song as it was.
TEST(RegisterView, ThatChangesNothingLeavesSongsAsTheyWere) {
    for (const auto& song : apu_test::songs()) {
        SCOPED_TRACE(song.name);
        int calls = 0;
        auto viewed = std::make_unique<SoundSystem>();
        viewed->set_register_view(counting_identity, &calls);
        viewed->load_spc(song.image.data(), song.image.size());
        EXPECT_GE(calls, 128);
        EXPECT_EQ(render(*viewed, 16000), render(*load(song.image), 16000));
    }
}

// Echo volumes seen as zero, and voice 1's key-on bit as clear.
uint8_t no_echo_no_voice1(const void*, uint8_t address, uint8_t value) {
    if (address == 0x2C || address == 0x3C) return 0;
    if (address == 0x4C) return value & ~2;
    return value;
}

// Voices 0 and 1 keyed on as `kon` says, voice 0 into the echo at echo
// volume `evol`, which the program writes again later.
SongBuilder echo_song(uint8_t evol, uint8_t kon) {
    SongBuilder song;
    song.reg(0x6C, 0).reg(0x4D, 1).reg(0x7D, 2).reg(0x6D, 0x40).reg(0x0D, 0x40).reg(0x0F, 0x7F)
        .reg(0x2C, evol).reg(0x3C, evol)
        .reg(0x14, 1).reg(0x13, 0x08).reg(0x15, 0xFF).reg(0x16, 0xE0).reg(0x10, 0x60).reg(0x11, 0x60)
        .write(0x4C, kon).wait(255).write(0x3C, evol);
    return song;
}

// The view applies to the snapshot's registers and to the CPU's writes,
// KON included; reads give what was written.
TEST(RegisterView, TheDspUsesWhatTheViewGives) {
    auto viewed = std::make_unique<SoundSystem>();
    viewed->set_register_view(no_echo_no_voice1, nullptr);
    const auto image = echo_song(0x40, 3).image();
    viewed->load_spc(image.data(), image.size());
    auto plain = load(echo_song(0, 1).image());
    EXPECT_EQ(render(*viewed, 16000), render(*plain, 16000));
    EXPECT_EQ(viewed->dsp().read(0x3C), 0x40);
    EXPECT_EQ(viewed->dsp().read(0x4C), 3);
    EXPECT_EQ(viewed->dsp().read(0x18), 0) << "voice 1 was never keyed on";
}

uint8_t silent_voice0(const void*, uint8_t address, uint8_t value) { return address <= 0x01 ? 0 : value; }

// Set and removed mid-song, the view is taken for every register at once:
// zero volumes for voice 0 are its muting, and removing the view unmutes.
TEST(RegisterView, SetOrRemovedAppliesAtOnce) {
    auto song = saved_song(10000);
    SoundSystem& s = *song.system;
    s.set_register_view(silent_voice0, nullptr);
    EXPECT_EQ(render(s, 10000), song.muted);
    s.restore(song.state);
    EXPECT_EQ(render(s, 10000), song.muted) << "a restore keeps the view";
    s.restore(song.state);
    s.set_register_view(nullptr, nullptr);
    EXPECT_EQ(render(s, 10000), song.unmuted);
}

// The hardware's own interpolation, from the four samples it reads.
int gaussian(const int16_t samples[8], int fraction) { return apu::gaussian_interpolate(samples + 2, fraction >> 4); }

// Through the hook every voice goes the longer way (key-ons, noise); with
// the Gaussian behind it, songs sound as they did.
TEST(Interpolator, GivenTheGaussianLeavesSongsAsTheyWere) {
    for (const auto& song : apu_test::songs()) {
        SCOPED_TRACE(song.name);
        auto hooked = load(song.image);
        hooked->set_interpolator(gaussian);
        EXPECT_EQ(render(*hooked, 16000), render(*load(song.image), 16000));
    }
}

// What the hook was called with, in order.
struct Call {
    std::vector<int16_t> samples;
    int fraction;
};
std::vector<Call> calls;
int recording(const int16_t samples[8], int fraction) {
    calls.push_back({std::vector<int16_t>(samples, samples + 8), fraction});
    return gaussian(samples, fraction);
}

// One voice at a little over 1 and 2 samples per output: each call's
// eight samples are the previous call's moved on by as many as the pitch
// counter passed, so they are consecutive decoded samples, the two before
// the ring's oldest included. (Faster, the last may lie past the newest
// sample decoded, and repeats it.)
TEST(Interpolator, SeesEightConsecutiveSamples) {
    for (int step = 1; step <= 2; ++step) {
        SCOPED_TRACE(step);
        SongBuilder song;
        song.reg(0x02, 0x40).reg(0x03, static_cast<uint8_t>(0x10 * step)).write(0x4C, 1);
        auto s = load(song.image());
        s->set_interpolator(recording);
        calls.clear();
        render(*s, 4000);
        ASSERT_GT(calls.size(), 3000u);
        int differing = 0;
        for (size_t k = 1; k < calls.size(); ++k) {
            const int position = calls[k - 1].fraction + 0x1000 * step + 0x40;
            ASSERT_EQ(calls[k].fraction, position & 0xFFF);
            const int moved = position >> 12;
            for (int i = 0; i + moved < 8; ++i) ASSERT_EQ(calls[k].samples[i], calls[k - 1].samples[i + moved]) << k;
            differing += calls[k].samples != calls[k - 1].samples;
        }
        EXPECT_GT(differing, 3000);
    }
}

// Groups decoded one way are not found by the other: a system that has
// played a song with the wrap and starts it over without it sounds as one
// that never had the wrap. The song's loud blocks overflow 15 bits.
TEST(BrrWrap, TheDecodersDoNotMix) {
    const auto song = SongBuilder().write(0x4C, 1).image();
    auto without = load(song);
    without->set_brr_wrap(false);
    const auto expected = render(*without, 16000);
    auto s = load(song);
    CoreState start;
    s->save(start);
    ASSERT_NE(render(*s, 16000), expected);
    s->restore(start);
    s->set_brr_wrap(false);
    EXPECT_EQ(render(*s, 16000), expected);
}

}  // namespace
