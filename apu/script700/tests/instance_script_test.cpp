// The script inside a library instance: what SetScript700 answers, when
// the script starts over, and seeking that stays exact with a script.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "api/apu_instance.h"
#include "tests/song_builder.h"
#include "tests/test_songs.h"

namespace {

using apu::api::ApuInstance;

// Voice 0's pitch follows input port 0: the song keys on the sine, then
// copies the port into the pitch's high byte over and over.
std::vector<uint8_t> port_driven_song() {
    apu_test::SongBuilder song;
    for (const apu_test::DspWrite& w : {apu_test::DspWrite{0x6C, 0x20}, {0x00, 127}, {0x01, 127}, {0x02, 0x00},
                                        {0x03, 0x10}, {0x04, 1}, {0x05, 0x00}, {0x07, 0x7F}, {0x4C, 0x01}})
        song.write(w.reg, w.value);
    song.repeat_from_here().port_to_register(0, 0x03);
    return apu_test::padded(song.image());
}

// Every 10 ms the pitch moves on by one and by the time the script waited
// for the song's next read of port 0: a state that only the whole history
// gives.
constexpr const char* kPitchSweep = ":1 wi #0 m #? w1 a w1 w0 a #1 w0 m w0 i0 w #20480 bra 1";

std::unique_ptr<ApuInstance> instance(const char* script) {
    auto apu = std::make_unique<ApuInstance>();
    EXPECT_EQ(apu->set_script(script), 1u) << apu->script_problem();
    const std::vector<uint8_t> image = port_driven_song();
    apu->load(image.data());
    apu->set_options(2, 16, 32000, 3, 0);
    return apu;
}

std::vector<int16_t> play(ApuInstance& apu, size_t frames) {
    std::vector<int16_t> out(frames * 2);
    apu.emulate(reinterpret_cast<uint8_t*>(out.data()), frames);
    return out;
}

TEST(InstanceScript, TheAnswerTellsWhetherTheScriptParsed) {
    ApuInstance apu;
    EXPECT_EQ(apu.set_script("m #1 w0\nbra"), 0u);
    EXPECT_EQ(apu.script_problem(), "2:1: 'bra' needs an operand");
    EXPECT_FALSE(apu.script().loaded());
    EXPECT_EQ(apu.set_script("#i \"other.700\""), 0u);
    EXPECT_NE(apu.script_problem().find("not supported"), std::string::npos);
    EXPECT_EQ(apu.set_script("m #1 w0"), 1u);
    EXPECT_TRUE(apu.script().loaded());
    EXPECT_EQ(apu.script_problem(), "");
    EXPECT_EQ(apu.set_script(nullptr), 1u);
    EXPECT_FALSE(apu.script().loaded());
}

TEST(InstanceScript, AFaultIsReportedAndPlaybackGoesOn) {
    auto apu = instance("m #9 i0 w #100 d #0 w0");
    const auto frames = play(*apu, 3200);
    EXPECT_EQ(apu->script_problem(), "1:16: stopped at a division by 0");
    EXPECT_EQ(apu->core().bus().input_port(0), 9);
    EXPECT_EQ(frames.size(), 6400u);
}

TEST(InstanceScript, LoadingStartsTheScriptOver) {
    auto apu = instance("m #1 i1 w #20480 m #2 i1 q");
    play(*apu, 640);
    EXPECT_EQ(apu->core().bus().input_port(1), 2);
    const std::vector<uint8_t> image = port_driven_song();
    apu->load(image.data());
    play(*apu, 1);
    EXPECT_EQ(apu->core().bus().input_port(1), 1);
}

TEST(InstanceScript, EachInstanceRunsItsOwnScript) {
    auto a = instance("m #3 w0 :1 a #1 w0 m w0 i1 w #2048 bra 1");
    auto b = instance("m #100 w0 :1 s #1 w0 m w0 i1 w #4096 bra 1");
    for (int k = 0; k < 10; ++k) {
        play(*a, 320);
        play(*b, 320);
    }
    // One frame more: the steps due at 100 ms fall a clock after it, where the CPU starts.
    play(*a, 1);
    play(*b, 1);
    EXPECT_EQ(a->core().bus().input_port(1), 3 + 1 + 100) << "one step a millisecond for 100 ms";
    EXPECT_EQ(b->core().bus().input_port(1), 100 - 1 - 50) << "one step every two milliseconds";
}

TEST(InstanceScript, ALoopThatNeverWaitsDoesBoundedWork) {
    auto apu = instance(":0 a #1 w0 bra 0");
    play(*apu, 32000);
    const uint32_t adds = apu->script().state().work[0];
    const uint32_t per_ms = apu::script700::Interpreter::kStepsBeforeYield / 2;
    EXPECT_GE(adds, 999 * per_ms);
    EXPECT_LE(adds, 1001 * per_ms);
}

// Every half millisecond a new pitch, worked out by the script alone: it
// runs ahead of the CPU, and must do so alike however the spans fall.
constexpr const char* kAheadSweep = "m #8 w0 :1 m w0 i0 w #1024 a #3 w0 bra 1";

TEST(InstanceScript, SeekingWithAScriptIsExact) {
    constexpr size_t kSecond = 32000;
    for (const char* script : {kPitchSweep, kAheadSweep}) {
        SCOPED_TRACE(script);
        auto straight = instance(script);
        const auto whole = play(*straight, 3 * kSecond);
        const std::vector<int16_t> tail(whole.begin() + 5 * kSecond, whole.end());
        ASSERT_NE(tail, std::vector<int16_t>(tail.size(), 0));

        for (const bool fast : {true, false}) {
            auto seeking = instance(script);
            seeking->seek(uint32_t(2.5 * 64000), fast);
            EXPECT_EQ(play(*seeking, kSecond / 2), tail) << (fast ? "fast" : "slow");
        }

        // A rewind restores the snapshot taken at 2 s, script state and all.
        const std::vector<uint8_t> image = port_driven_song();
        straight->load(image.data());
        straight->seek(uint32_t(2.5 * 64000), true);
        EXPECT_EQ(straight->restored_from(), 2 * kSecond);
        EXPECT_EQ(play(*straight, kSecond / 2), tail);
    }
}

TEST(InstanceScript, AScriptChangedMidSongIsNotReplayedFromOldSnapshots) {
    auto apu = instance(kPitchSweep);
    play(*apu, 3 * 32000);
    const char* other = "m #20 i0 q";
    apu->set_script(other);
    const std::vector<uint8_t> image = port_driven_song();
    apu->load(image.data());
    apu->seek(uint32_t(2.5 * 64000), true);
    EXPECT_EQ(apu->restored_from(), 0u);
    auto fresh = instance(other);
    fresh->seek(uint32_t(2.5 * 64000), true);
    EXPECT_EQ(play(*apu, 3200), play(*fresh, 3200));
}

}  // namespace

// The extended area's sample commands act on what the voices play.
std::vector<int16_t> song_output(uint8_t srcn, const char* script) {
    ApuInstance apu;
    if (script) {
        EXPECT_EQ(apu.set_script(script), 1u) << apu.script_problem();
    }
    const std::vector<uint8_t> image = apu_test::padded(apu_test::test_song({{0x04, srcn}}));
    apu.load(image.data());
    apu.set_options(2, 16, 32000, 3, 0);
    return play(apu, 3200);
}

bool silent(const std::vector<int16_t>& samples) {
    for (const int16_t s : samples)
        if (s != 0) return false;
    return true;
}

TEST(InstanceScript, SampleCommandsMuteAndSwapTheSongsSamples) {
    const std::vector<int16_t> sine = song_output(1, nullptr);
    ASSERT_FALSE(silent(sine));
    EXPECT_TRUE(silent(song_output(1, "q e :: m 1 e")));
    EXPECT_TRUE(silent(song_output(1, "q e :: m ! e")));
    EXPECT_EQ(song_output(1, "q e :: m 1 m 1 e"), sine) << "a second m unmutes";
    EXPECT_EQ(song_output(1, "q e :: m 2 e"), sine) << "another sample muted";

    const std::vector<int16_t> other = song_output(2, nullptr);
    ASSERT_NE(other, sine);
    EXPECT_EQ(song_output(2, "q e :: c 2 1 e"), sine);
    EXPECT_EQ(song_output(1, "q e :: c ! 2 e"), other);
    EXPECT_EQ(song_output(1, "q e :: d 1 100 e"), sine) << "a pitch shift has no documented unit";
}

TEST(InstanceScript, ClearingTheScriptGivesTheSamplesBack) {
    ApuInstance apu;
    EXPECT_EQ(apu.set_script("q e :: m 1 e"), 1u);
    const std::vector<uint8_t> image = apu_test::padded(apu_test::test_song({}));
    apu.load(image.data());
    apu.set_options(2, 16, 32000, 3, 0);
    EXPECT_TRUE(silent(play(apu, 800)));
    apu.set_script(nullptr);
    EXPECT_FALSE(silent(play(apu, 800))) << "the sounding voice is heard at once";
}

// A script as sound-driver tools write them: the script area walks a long
// data area with indexed reads, the extended area is empty, and a second
// `::` opens the data area.
TEST(InstanceScript, AGeneratedScriptReadsItsDataArea) {
    constexpr uint32_t kSize = 40960, kStride = 4096, kLabelled = 30000;
    std::vector<uint8_t> data(kSize);
    for (uint32_t k = 0; k < kSize; ++k) data[k] = uint8_t(k * 37 + k / 256);
    std::string script =
        "; generated\n"
        "m #0 w0\nm #0 w1\n"
        ":1\nc w0 #0\nm db? w2\na w2 w1\na #" + std::to_string(kStride) + " w0\n"
        "c #" + std::to_string(kSize) + " w0\nblt 1\n"
        "m w1 rd$20\nm l2 w3\nc w3 #0\nm dd? rd$24\nm w1 i1\nq\n"
        "e\n::\ne\n::\n";
    for (uint32_t k = 0; k < kSize; ++k) {
        if (k == kLabelled) script += "\n:2\n";
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02X%c", data[k], k % 16 == 15 ? '\n' : ' ');
        script += hex;
    }

    ApuInstance apu;
    ASSERT_EQ(apu.set_script(script.c_str()), 1u) << apu.script_problem();
    EXPECT_EQ(apu.script().data(), data);
    const std::vector<uint8_t> image = apu_test::padded(apu_test::test_song({}));
    apu.load(image.data());
    apu.set_options(2, 16, 32000, 3, 0);
    play(apu, 1);

    uint32_t sum = 0;
    for (uint32_t k = 0; k < kSize; k += kStride) sum += data[k];
    const auto ram_dword = [&](uint16_t at) {
        const uint8_t* ram = apu.core().ram();
        return uint32_t(ram[at] | ram[at + 1] << 8 | ram[at + 2] << 16 | uint32_t(ram[at + 3]) << 24);
    };
    EXPECT_EQ(apu.script_problem(), "");
    EXPECT_EQ(ram_dword(0x20), sum);
    EXPECT_EQ(ram_dword(0x24), uint32_t(data[kLabelled] | data[kLabelled + 1] << 8 | data[kLabelled + 2] << 16 |
                                        uint32_t(data[kLabelled + 3]) << 24));
    EXPECT_EQ(apu.core().bus().input_port(1), uint8_t(sum));
}
