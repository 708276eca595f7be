// The DSP's seams for the layers above: each changes only what it is for,
// and leaves the hardware's behaviour as it was when not engaged.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "core/sound_system.h"
#include "tests/corpus_support.h"
#include "tests/song_builder.h"

namespace {

using apu::CoreState;
using apu::SoundSystem;
using apu_test::load;
using apu_test::echo_and_modulation;

std::vector<int16_t> render(SoundSystem& s, size_t frames) {
    std::vector<int16_t> out(2 * frames);
    s.render(out.data(), frames);
    return out;
}

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

// The mask is a setting: a restore keeps it, and unmuting brings the
// register volumes back.
TEST(MuteMask, OutlastsARestoreAndLiftsCleanly) {
    const auto song = echo_and_modulation(0x50, 0xB0, 0x30).image();
    auto s = load(song);
    render(*s, 20000);
    CoreState state;
    s->save(state);
    const auto unmuted = render(*s, 20000);
    s->restore(state);
    s->set_mute_mask(0x01);
    const auto muted = render(*s, 20000);
    s->restore(state);
    EXPECT_EQ(s->mute_mask(), 0x01);
    EXPECT_EQ(render(*s, 20000), muted);
    s->restore(state);
    s->set_mute_mask(0);
    EXPECT_EQ(render(*s, 20000), unmuted);
}

}  // namespace
