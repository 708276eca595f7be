// Rendering a given number of frames: render() and skip() against one long
// render and against the cycle-driven run().
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "core/sound_system.h"
#include "tests/corpus_support.h"
#include "tests/song_builder.h"
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

// Songs whose outputs the CPU or RAM can see: OUTX read back into a pitch,
// the echo and pitch modulation, echo writes turned on after a while or
// again and again, or not: without writes or without feedback the echo filter reaches only
// what is heard.
std::vector<Song> songs_with_visible_outputs() {
    using apu_test::SongBuilder;
    const auto voice1 = [](SongBuilder& song) {
        song.reg(0x14, 1).reg(0x13, 0x08).reg(0x15, 0xFF).reg(0x16, 0xE0).reg(0x10, 0x60).reg(0x11, 0x60);
    };
    SongBuilder outx;
    voice1(outx);
    // Now and then, so that whole periods run between the reads.
    outx.write(0x4C, 3).repeat_from_here().copy(0x09, 0x12).wait(255);
    SongBuilder echo_later;
    echo_later.reg(0x4D, 1).reg(0x7D, 2).reg(0x6D, 0x40).reg(0x0D, 0x40).reg(0x0F, 0x7F).reg(0x2C, 0x40).reg(0x3C, 0x40);
    SongBuilder echo_toggled = echo_later;
    echo_later.write(0x4C, 1).wait_long(255).wait_long(255).write(0x6C, 0x00);
    // On and off in every piece of skip's: after the first, it keeps the
    // echo input worked out instead of running pieces again.
    echo_toggled.write(0x4C, 1).repeat_from_here().wait_long(100).write(0x6C, 0x20).wait_long(100).write(0x6C, 0x00);
    SongBuilder echo_unwritten = apu_test::echo_and_modulation(0x50, 0xB0, 0x30).reg(0x6C, 0x20);
    SongBuilder echo_unfed = apu_test::echo_and_modulation(0x50, 0xB0, 0x30).reg(0x0D, 0);
    return {{"reads OUTX", outx.image()},
            {"echo and pitch modulation", apu_test::echo_and_modulation(0x50, 0xB0, 0x30).image()},
            {"echo without writes", echo_unwritten.image()},
            {"echo without feedback", echo_unfed.image()},
            {"echo writes turned on", echo_later.image()},
            {"echo writes turned on and off", echo_toggled.image()}};
}

// After skip() the system is where render() would have left it: the same
// frames follow, over several of skip's pieces and whether or not the CPU
// could have seen the work skip leaves out.
TEST(Skip, LeavesTheSystemAsRenderWould) {
    auto all = songs_with_visible_outputs();
    for (auto& song : songs()) all.push_back(std::move(song));
    constexpr size_t kSkipped = 40000, kHeard = 4000;
    for (const Song& song : all) {
        SCOPED_TRACE(song.name);
        auto rendered = load(song.image), skipped = load(song.image);
        std::vector<int16_t> frames(2 * kSkipped);
        rendered->render(frames.data(), kSkipped);
        skipped->skip(7);
        skipped->skip(kSkipped - 7);
        EXPECT_EQ(skipped->frames_rendered(), kSkipped);
        EXPECT_EQ(skipped->cycles(), rendered->cycles());
        EXPECT_TRUE(std::equal(rendered->ram(), rendered->ram() + 0x10000, skipped->ram()));
        // The DSP's state agrees but for what voices 1..7 output before
        // their last run in a partial period, which a read shows only
        // inside their next run's period, once that run has set it anew.
        apu::CoreState a, b;
        rendered->save(a);
        skipped->save(b);
        for (int n = 1; n < 8; ++n) a.dsp.voices_[n].prev_output = b.dsp.voices_[n].prev_output = 0;
        EXPECT_EQ(0, std::memcmp(&a.dsp, &b.dsp, sizeof a.dsp));
        std::vector<int16_t> expected(2 * kHeard), heard(2 * kHeard);
        rendered->render(expected.data(), kHeard);
        skipped->render(heard.data(), kHeard);
        EXPECT_EQ(heard, expected);
    }
}

}  // namespace
