// The whole state saved and restored as one value.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "core/sound_system.h"
#include "tests/corpus_support.h"

namespace {

using apu::CoreState;
using apu::SoundSystem;
using apu_test::load;
using apu_test::render;

// Saved after `before` (a frame count, or CPU cycles through run(), which
// leaves the CPU and the DSP inside a period), the state gives the same
// `after` frames when restored into the same system, and into one that
// played another song; cycle counts, registers and RAM agree as well.
void expect_restores(const std::vector<uint8_t>& image, const std::vector<uint8_t>& other, size_t before,
                     bool by_cycles, size_t after) {
    auto s = load(image);
    if (by_cycles) {
        s->run(static_cast<uint32_t>(before));
    } else {
        render(*s, before);
    }
    CoreState state;
    s->save(state);
    const uint64_t cycles = s->cycles();
    const auto expected = render(*s, after);
    const auto registers = s->registers();
    const std::vector<uint8_t> ram(s->ram(), s->ram() + 0x10000);

    auto elsewhere = load(other);
    render(*elsewhere, 5000);
    for (SoundSystem* t : {s.get(), elsewhere.get()}) {
        SCOPED_TRACE(t == s.get() ? "same system" : "other system");
        t->restore(state);
        EXPECT_EQ(t->cycles(), cycles);
        EXPECT_EQ(render(*t, after), expected);
        EXPECT_EQ(t->frames_rendered(), s->frames_rendered());
        EXPECT_EQ(t->registers().pc, registers.pc);
        EXPECT_EQ(t->registers().psw, registers.psw);
        EXPECT_TRUE(std::equal(ram.begin(), ram.end(), t->ram()));
    }
}

TEST(CoreState, ContinuesAsTheSavedSystemDid) {
    const auto songs = apu_test::songs();
    for (size_t i = 0; i < songs.size(); ++i) {
        SCOPED_TRACE(songs[i].name);
        const auto& other = songs[(i + 1) % songs.size()].image;
        expect_restores(songs[i].image, other, 20000, false, 12000);
        expect_restores(songs[i].image, other, 32 * 20000 + 13, true, 12000);
    }
}

}  // namespace
