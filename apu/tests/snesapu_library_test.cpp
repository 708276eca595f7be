// The library through its entry points, loaded and bound by name as the
// component binds it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <thread>
#include <vector>

#include "core/sound_system.h"
#include "corpus_support.h"
#include "test_songs.h"
#include "testing/snesapu_library.h"
#include "testing/threads_side_by_side.h"

namespace {

using apu_test::padded;
using apu_test::DspWrite;
using apu_test::SnesApuLibrary;
using apu_test::test_song;

struct Format {
    uint32_t channels = 2, bits = 16, rate = 32000, interpolation = 3, options = 0;
};

class Library : public ::testing::Test {
protected:
    void SetUp() override {
        if (!lib.loaded()) GTEST_FAIL() << "cannot load " << SnesApuLibrary::default_path();
    }
    // Loads `image` afresh with `f` and renders `frames` frames.
    std::vector<uint8_t> render(const std::vector<uint8_t>& image, size_t frames, const Format& f = {},
                                uint32_t amp = 16, uint32_t separation = 0x8000) {
        lib.load(image.data());
        lib.set_options(3, f.channels, f.bits, f.rate, f.interpolation, f.options);
        lib.set_amp(amp);
        lib.set_stereo(separation);
        std::vector<uint8_t> out(frames * f.channels * f.bits / 8 + 16, 0xCD);
        void* end = lib.emulate(out.data(), uint32_t(frames), 1);
        EXPECT_EQ(end, out.data() + frames * f.channels * f.bits / 8);
        for (size_t i = frames * f.channels * f.bits / 8; i < out.size(); ++i) EXPECT_EQ(out[i], 0xCD) << "wrote past";
        out.resize(frames * f.channels * f.bits / 8);
        return out;
    }
    static std::vector<int16_t> as16(const std::vector<uint8_t>& bytes) {
        std::vector<int16_t> v(bytes.size() / 2);
        std::memcpy(v.data(), bytes.data(), v.size() * 2);
        return v;
    }
    SnesApuLibrary lib;
};

const std::vector<uint8_t>& tone() {
    static const std::vector<uint8_t> song = test_song({{0x01, 40}});  // left louder than right
    return song;
}

TEST_F(Library, ReportsItsVersionAndExportsEveryEntryPoint) {
    uint32_t version = 0, oldest = 0xFFFFFFFF, options = 0xFFFFFFFF;
    lib.info(&version, &oldest, &options);
    EXPECT_GE(version, 0x20000u);
    EXPECT_LE(oldest, 0x20000u);
    EXPECT_EQ(options, 0u);
    EXPECT_TRUE(lib.seek && lib.set_length && lib.set_script && lib.callback);
    EXPECT_EQ(lib.callback(nullptr, 0), nullptr);
    EXPECT_NE(lib.set_script("m #1 i0 q ; a script"), 0u);
    EXPECT_EQ(lib.set_script("# any text"), 0u) << "does not parse";
    EXPECT_NE(lib.set_script(nullptr), 0u);
}

TEST_F(Library, GetAPUDataGivesTheLiveStateAndSkipsNullArguments) {
    uint8_t *ram = nullptr, *extra = nullptr, *dsp = nullptr, *voices = nullptr;
    uint32_t *ticks = nullptr, *left = nullptr, *right = nullptr;
    lib.get_data(&ram, &extra, nullptr, &ticks, &dsp, &voices, &left, &right);
    ASSERT_TRUE(ram && extra && ticks && dsp && voices && left && right);
    lib.get_data(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);

    render(tone(), 3200);
    EXPECT_EQ(*ticks, 6400u);  // 100 ms
    EXPECT_EQ(ram[0x0200], tone()[0x100 + 0x0200]);  // the program
    EXPECT_EQ(dsp[0x00], 127);
    EXPECT_EQ(dsp[0x01], 40);
    EXPECT_NE(dsp[0x08], 0) << "envelope of a sounding voice";
    uint32_t voice_peak;
    std::memcpy(&voice_peak, voices + snesapu::kVoicePeakLeftOffset, 4);
    EXPECT_GT(voice_peak, 0u);
    EXPECT_GT(*left, *right);
    EXPECT_GT(*right, 0u);

    lib.load(tone().data());
    EXPECT_EQ(*ticks, 0u) << "the counter restarts with the song";
}

TEST_F(Library, VoiceMuteFlagsSilenceTheVoiceFromTheNextCall) {
    uint8_t* voices = nullptr;
    lib.get_data(nullptr, nullptr, nullptr, nullptr, nullptr, &voices, nullptr, nullptr);
    const auto loud = as16(render(tone(), 3200));
    voices[snesapu::kVoiceMuteOffset] = 1;
    const auto muted = as16(render(tone(), 3200));
    voices[snesapu::kVoiceMuteOffset] = 0;
    int loud_peak = 0, muted_peak = 0;
    for (int16_t s : loud) loud_peak = std::max(loud_peak, std::abs(int(s)));
    for (int16_t s : muted) muted_peak = std::max(muted_peak, std::abs(int(s)));
    EXPECT_GT(loud_peak, 1000);
    EXPECT_EQ(muted_peak, 0);
}

TEST_F(Library, At32kHzWithDefaultsTheOutputIsTheCoreItself) {
    const auto songs = apu_test::songs();
    const auto image = padded(songs.size() > 1 ? songs[1].image : songs[0].image);
    const auto ours = as16(render(image, 16000));
    auto core = std::make_unique<apu::SoundSystem>();
    core->load_spc(image.data(), image.size());
    std::vector<int16_t> direct(16000 * 2);
    core->render(direct.data(), 16000);
    EXPECT_EQ(ours, direct);
}

TEST_F(Library, SampleFormatsCarryTheSameSignal) {
    const size_t n = 4000;
    const auto s16 = as16(render(tone(), n));
    const auto mono = as16(render(tone(), n, {1, 16}));
    const auto s8 = render(tone(), n, {2, 8});
    const auto s24 = render(tone(), n, {2, 24});
    const auto s32 = render(tone(), n, {2, 32});
    ASSERT_EQ(mono.size(), n);
    for (size_t i = 0; i < n; ++i) {
        const double mean = (s16[2 * i] + s16[2 * i + 1]) / 2.0;
        ASSERT_LE(std::fabs(mono[i] - mean), 0.5) << i;
    }
    for (size_t i = 0; i < 2 * n; ++i) {
        ASSERT_EQ(int(s8[i]) - 128, int(std::lrint(s16[i] / 256.0)) > 127 ? 127 : int(std::lrint(s16[i] / 256.0))) << i;
        const int32_t v24 = int32_t(uint32_t(s24[3 * i]) << 8 | uint32_t(s24[3 * i + 1]) << 16 | uint32_t(s24[3 * i + 2]) << 24) >> 8;
        ASSERT_EQ(v24, s16[i] * 256) << i;
        int32_t v32;
        std::memcpy(&v32, &s32[4 * i], 4);
        ASSERT_EQ(v32, s16[i] * 65536) << i;
    }
}

TEST_F(Library, ThirtyTwoBitOutputKeepsTheFractionOfTheGain) {
    const size_t n = 2000;
    const auto s16 = as16(render(tone(), n));
    const auto s32 = render(tone(), n, {2, 32}, 17);
    bool fraction_seen = false;
    for (size_t i = 0; i < 2 * n; ++i) {
        int32_t v;
        std::memcpy(&v, &s32[4 * i], 4);
        ASSERT_EQ(int64_t(v), int64_t(s16[i]) * 17 * 4096) << i;  // times 17/16, times 65536
        fraction_seen |= (v & 0xFFFF) != 0;
    }
    EXPECT_TRUE(fraction_seen);
}

TEST_F(Library, AmplificationScalesAndClamps) {
    const size_t n = 3200;
    const auto unity = as16(render(tone(), n));
    const auto half = as16(render(tone(), n, {}, 8));
    const auto silent = as16(render(tone(), n, {}, 0));
    const auto loud = as16(render(tone(), n, {}, 255));
    const auto wrapped = as16(render(tone(), n, {2, 16, 32000, 3, 0x80000000u}, 255));
    bool clamped = false, wrap_seen = false;
    for (size_t i = 0; i < 2 * n; ++i) {
        ASSERT_LE(std::abs(half[i] - unity[i] / 2.0), 0.5) << i;
        ASSERT_EQ(silent[i], 0);
        const double want = unity[i] * 255.0 / 16;
        if (std::fabs(want) > 32767) {
            clamped |= loud[i] == (want > 0 ? 32767 : -32768);
            wrap_seen |= wrapped[i] == int16_t(int32_t(std::lrint(want)));
        } else {
            ASSERT_EQ(loud[i], int16_t(std::lrint(want))) << i;
        }
    }
    EXPECT_TRUE(clamped);
    EXPECT_TRUE(wrap_seen) << "with volume safety off, values wrap";
}

TEST_F(Library, StereoSeparationWidensAndNarrowsTheSideSignal) {
    const size_t n = 3200;
    const auto normal = as16(render(tone(), n));
    const auto mono = as16(render(tone(), n, {}, 16, 0));
    const auto wide = as16(render(tone(), n, {}, 16, 0x10000));
    for (size_t i = 0; i < n; ++i) {
        const double l = normal[2 * i], r = normal[2 * i + 1], mid = (l + r) / 2, side = (l - r) / 2;
        ASSERT_LE(std::fabs(mono[2 * i] - mid), 0.5);
        ASSERT_EQ(mono[2 * i], mono[2 * i + 1]);
        ASSERT_LE(std::fabs(wide[2 * i] - std::min(32767.0, mid + 2 * side)), 0.5) << i;
        ASSERT_LE(std::fabs(wide[2 * i + 1] - (mid - 2 * side)), 0.5) << i;
    }
}

TEST_F(Library, TheFadeIsSmoothAndEndsInExactSilence) {
    const size_t n = 32000;  // one second
    const auto full = render(tone(), n, {2, 32, 32000});
    std::vector<int32_t> plain(2 * n), faded(2 * n);
    std::memcpy(plain.data(), full.data(), full.size());
    lib.load(tone().data());
    lib.set_options(3, 2, 32, 32000, 3, 0);
    EXPECT_EQ(lib.set_length(32000, 25600), 57600u);  // song 0.5 s, fade 0.4 s
    std::vector<uint8_t> bytes(n * 8);
    lib.emulate(bytes.data(), uint32_t(n), 1);
    std::memcpy(faded.data(), bytes.data(), bytes.size());
    for (size_t i = 0; i < n; ++i) {
        const double t = i * 2.0;  // ticks
        const double gain = t < 32000 ? 1 : t >= 57600 ? 0 : 0.5 + 0.5 * std::cos(3.14159265358979 * (t - 32000) / 25600);
        for (int c = 0; c < 2; ++c) {
            if (t >= 57600) ASSERT_EQ(faded[2 * i + c], 0) << i;
            else ASSERT_NEAR(faded[2 * i + c], plain[2 * i + c] * gain, 1.0 + std::fabs(plain[2 * i + c]) * 1e-6) << i;
        }
    }
}

TEST_F(Library, RefusedFormatsKeepThePreviousOne) {
    lib.load(tone().data());
    lib.set_options(3, 2, 24, 48000, 3, 0);
    const struct { uint32_t channels, bits, rate; } refused[] = {
        {0, 16, 32000}, {3, 16, 32000}, {2, 12, 32000}, {2, 0, 32000}, {2, 16, 7999}, {2, 16, 192001}, {2, 16, 0}};
    for (const auto& r : refused) {
        lib.set_options(3, r.channels, r.bits, r.rate, 5, 0);  // interpolation 5 is no mode either
        std::vector<uint8_t> buffer(480 * 6 + 8, 0xCD);
        EXPECT_EQ(lib.emulate(buffer.data(), 480, 1), buffer.data() + 480 * 6) << r.channels << " " << r.bits;
        for (size_t i = 480 * 6; i < buffer.size(); ++i) ASSERT_EQ(buffer[i], 0xCD);
    }
}

TEST_F(Library, GarbageArgumentsAreHarmless) {
    lib.load(nullptr);  // silence
    std::vector<uint8_t> buffer(4000, 0xCD);
    EXPECT_EQ(lib.emulate(nullptr, 0, 1), nullptr);
    EXPECT_EQ(lib.emulate(nullptr, 0xFFFFFFFF, 1), nullptr);
    EXPECT_EQ(lib.emulate(buffer.data(), 0, 1), buffer.data());
    // A count in bytes fills only whole frames.
    EXPECT_EQ(lib.emulate(buffer.data(), 7, 0), buffer.data() + 4);
    EXPECT_EQ(buffer[4], 0xCD);
    lib.set_options(3, 2, 16, 44100, 4, 0xFFFFFFFF);
    EXPECT_EQ(lib.emulate(buffer.data(), 1000, 1), buffer.data() + 4000);
    lib.seek(0, 1);
    lib.set_length(0, 0);
    EXPECT_EQ(lib.emulate(buffer.data(), 1000, 1), buffer.data() + 4000);
    for (size_t i = 0; i < 4000; ++i) ASSERT_EQ(buffer[i], 0) << "after the length, silence";
}

// Two copies of the library in one process are two sound systems, each
// rendering as it would alone, even on two threads at once.
TEST_F(Library, TwoInstancesRenderIndependentlyOnTwoThreads) {
    if (!threads_side_by_side()) GTEST_SKIP() << "this system cannot run threads side by side";
    const auto songs = apu_test::songs();
    const auto a = padded(songs.front().image), b = padded(songs[songs.size() / 2].image);
    const Format f{2, 16, 44100};
    const auto alone_a = render(a, 44100, f), alone_b = render(b, 44100, f);
    SnesApuLibrary first = SnesApuLibrary::copy("first"), second = SnesApuLibrary::copy("second");
    ASSERT_TRUE(first.loaded() && second.loaded());
    std::vector<uint8_t> out_a(44100 * 4), out_b(44100 * 4);
    auto play = [&f](SnesApuLibrary& l, const std::vector<uint8_t>& image, std::vector<uint8_t>& out) {
        l.load(image.data());
        l.set_options(3, f.channels, f.bits, f.rate, f.interpolation, f.options);
        for (size_t done = 0; done < 44100; done += 4410) l.emulate(out.data() + done * 4, 4410, 1);
    };
    std::thread ta(play, std::ref(first), std::cref(a), std::ref(out_a));
    std::thread tb(play, std::ref(second), std::cref(b), std::ref(out_b));
    ta.join();
    tb.join();
    EXPECT_EQ(out_a, alone_a);
    EXPECT_EQ(out_b, alone_b);
}

}  // namespace
