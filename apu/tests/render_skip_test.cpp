// Rendering a given number of frames: render() and skip() against one long
// render and against the cycle-driven run().
#include <gtest/gtest.h>

#include <vector>

#include "core/sound_system.h"
#include "tests/corpus_support.h"
#include "tools/example_spc.h"

namespace {

using apu::SoundSystem;
using apu_test::load;
using apu_test::Song;
using apu_test::songs;

// A second of each song: past most start-ups, and short enough for the
// sanitizer build.
constexpr size_t kFrames = 32000;

// Calls of uneven sizes, around a sample period's multiples.
std::vector<int16_t> render_in_pieces(SoundSystem& s, size_t frames) {
    static const size_t kPieces[] = {1, 2, 31, 32, 33, 1000, 0, 4097, 17};
    std::vector<int16_t> out(2 * frames);
    for (size_t done = 0, i = 0; done < frames; ++i) {
        const size_t n = std::min(kPieces[i % std::size(kPieces)], frames - done);
        s.render(out.data() + 2 * done, n);
        done += n;
        EXPECT_EQ(s.frames_rendered(), done);
    }
    return out;
}

// The stream as run() gives it, 1024 samples' worth of cycles at a time.
std::vector<int16_t> render_by_cycles(SoundSystem& s, size_t frames) {
    std::vector<int16_t> out(2 * frames);
    for (size_t done = 0; done < frames;) {
        const size_t n = std::min<size_t>(frames - done, 1024);
        s.set_output(out.data() + 2 * done, n);
        s.run(static_cast<uint32_t>(n * 32));
        done += s.frames_written();
    }
    return out;
}

TEST(Render, CallsOfAnySizeGiveTheOneStreamRunGives) {
    for (const Song& song : songs()) {
        SCOPED_TRACE(song.name);
        auto whole = load(song.image);
        std::vector<int16_t> expected(2 * kFrames);
        whole->render(expected.data(), kFrames);
        EXPECT_EQ(whole->frames_rendered(), kFrames);
        // The CPU may end its last instruction past the last frame's period.
        EXPECT_GE(whole->cycles(), 32 * kFrames);
        EXPECT_LT(whole->cycles(), 32 * kFrames + 16);
        EXPECT_EQ(render_in_pieces(*load(song.image), kFrames), expected);
        EXPECT_EQ(render_by_cycles(*load(song.image), kFrames), expected);
    }
}

// After run() has left the DSP inside a period, past its frame or before
// it, render() goes on with the next frame.
TEST(Render, TakesUpWhereRunLeftOff) {
    const auto image = apu::example::build_example_spc().image;
    std::vector<int16_t> expected(2 * 4000);
    load(image)->render(expected.data(), 4000);
    for (uint32_t cycles : {1000u, 1005u, 32u * 300 + 28u, 32u * 300 + 29u}) {
        auto s = load(image);
        std::vector<int16_t> out(2 * 4000);
        s->set_output(out.data(), 4000);
        s->run(cycles);
        const size_t first = s->frames_written();
        EXPECT_EQ(s->frames_rendered(), first) << cycles;
        s->render(out.data() + 2 * first, 4000 - first);
        EXPECT_EQ(s->frames_rendered(), 4000u) << cycles;
        EXPECT_EQ(out, expected) << cycles;
    }
}

}  // namespace
