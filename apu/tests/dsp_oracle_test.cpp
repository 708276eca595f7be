// Our DSP (with the CPU) against libgme, a trusted emulator of the chip,
// compared through its public API only.
#if defined(VELMO_HAVE_GME)
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "tests/corpus_support.h"
#include "tests/feature_songs.h"
#include "tests/oracle_support.h"

namespace apu {
namespace {

using oracle::render_ours;
using oracle::render_oracle;
using oracle::residual_db;
using apu_test::feature_songs;


// libgme runs a fast model of the DSP, which our core differs from where
// it follows the accurate model: the fast one starts the global rate
// counter at another phase after a load, so envelope and noise steps fall
// up to a rate period elsewhere (a level one step of 1/256 apart is about
// -48 dB); a voice silent in release stops decoding there, so a key-on
// after it starts from another history; and its echo filter keeps bit 0
// (1 LSB). The bounds leave room for those and nothing more: silence
// scores about 0 dB (SilenceScoresAboutZero).

// With a trivial program, besides the oracle's gain, post-filter and
// 16-bit rounding (about -65 dB fitted), the steps that fall elsewhere
// leave -35 to -55 dB fitted; -30 dB still catches a wrong envelope mode
// or pitch. The fixed-model agreement is not held here, as a step a few
// samples off weighs on it where the fit absorbs it. The sample that ends
// without a loop sounds for 3 ms, mostly its attack, where those few LSB
// weigh more; the silent history song shows the fast model's shortcut.
TEST(DspOracle, FeatureSongsMatch) {
    for (auto& [name, song] : feature_songs()) {
        if (name == "silent history") continue;
        const std::vector<uint8_t> image = song.image();
        const size_t frames = oracle::kRate * 3 / 2;
        const auto theirs = render_oracle(image, frames);
        ASSERT_FALSE(theirs.empty()) << name;
        const auto ours = render_ours(image, frames);
        for (int ch = 0; ch < 2; ++ch) {
            const double r = residual_db(ours, theirs, ch, 0);
            const double a = oracle::agreement_db(ours, theirs, ch, 0);
            std::printf("  %-18s ch%d %7.1f dB fitted, %6.1f dB agreement\n", name.c_str(), ch, r, a);
            EXPECT_LT(r, name == "end without loop" ? -15.0 : -30.0) << name << " channel " << ch;
        }
    }
}

// Which part of a song is compared and the agreement it must reach. Real
// songs measure 40-67 dB: the rate counter's other phase, on top of what
// the CPU and timers add (a write landing a sample early or late).
struct Bound {
    double begin = 1;  // seconds left out at the start
    double seconds = 12;
    double floor = 35;
};

// gimic-gtme branches on the zero flag of a MUL YA whose product is below
// 0x100, which the oracle gets wrong (see
// OracleTakesMultiplyZeroFromTheWholeProduct); from the first such branch
// at 2.0 s its note timing, and soon its whole course, differ, so only what
// comes before is held to the floor. gimic-mnemon keys a voice on at
// 0.61 s whose history the fast model did not decode; it sounds from 0.42 s.
Bound agreement_bound(const std::filesystem::path& path) {
    if (path.filename() == "gimic-gtme.spc") return {1, 1.95};
    if (path.filename() == "gimic-mnemon.spc") return {0.42, 0.6};
    return {};
}

// Two figures per file: the residual after the best short filter, and the
// agreement under the fixed model of the oracle, which nothing is fitted to.
void compare_song(const std::filesystem::path& path, Bound bound) {
    const auto image = read_bytes(path);
    const size_t frames = size_t(oracle::kRate * bound.seconds);
    const auto theirs = render_oracle(image, frames);
    if (theirs.empty()) {
        std::printf("  %-34s not accepted by the oracle\n", path.filename().string().c_str());
        return;
    }
    const auto ours = render_ours(image, frames);
    const size_t begin = size_t(oracle::kRate * bound.begin);
    for (int ch = 0; ch < 2; ++ch) {
        const double r = residual_db(ours, theirs, ch, begin);
        const double a = oracle::agreement_db(ours, theirs, ch, begin);
        std::printf("  %-34s ch%d %7.1f dB fitted, %6.1f dB agreement over %.2f-%.2f s\n",
                    path.filename().string().c_str(), ch, r, a, bound.begin, bound.seconds);
        EXPECT_GT(a, bound.floor) << path << " channel " << ch;
    }
}

// The measure must be able to fail: a silent render of a song that sounds
// agrees with nothing, about 0 dB, however the filter is fitted.
TEST(DspOracle, SilenceScoresAboutZero) {
    const auto files = shared_files::spc_corpus_files();
    if (files.empty()) GTEST_SKIP() << "no corpus at " << shared_files::spc_corpus();
    int sounding = 0;
    for (const auto& f : files) {
        const auto image = read_bytes(f);
        const size_t frames = oracle::kRate * 4;
        const auto theirs = render_oracle(image, frames);
        if (theirs.empty() || std::all_of(theirs.begin(), theirs.end(), [](int16_t s) { return s == 0; })) continue;
        ++sounding;
        const std::vector<int16_t> silence(theirs.size(), 0);
        for (int ch = 0; ch < 2; ++ch) {
            const double r = residual_db(silence, theirs, ch, oracle::kRate);
            const double a = oracle::agreement_db(silence, theirs, ch, oracle::kRate);
            std::printf("  %-34s ch%d %7.1f dB, agreement %5.1f dB for silence\n", f.filename().string().c_str(), ch,
                        r, a);
            EXPECT_NEAR(r, 0.0, 1.0) << f << " channel " << ch;
            EXPECT_NEAR(a, 0.0, 1.0) << f << " channel " << ch;
        }
    }
    EXPECT_GT(sounding, 0);
}

// The chip sets MUL YA's Z from the product's high byte (CpuFlags test, as
// the public vectors have it); the oracle sets it only for a zero product.
// After 0x02 x 0x63 = 0x00C6 a BEQ silences voice 0 when taken: ours takes
// it, the oracle does not. Should the oracle change, gimic-gtme should be
// compared whole again.
TEST(DspOracle, OracleTakesMultiplyZeroFromTheWholeProduct) {
    const auto image = apu_test::multiply_zero_probe();
    const auto theirs = render_oracle(image, 700);
    ASSERT_FALSE(theirs.empty());
    EXPECT_EQ(apu_test::probe_peak(render_ours(image, 700)), 0);
    EXPECT_GT(apu_test::probe_peak(theirs), 1000);
}

// One case per corpus file (none when the corpus is absent), so that a
// failure names its song and the cases spread over parallel test runs.
class CorpusSong : public ::testing::TestWithParam<std::filesystem::path> {};

TEST_P(CorpusSong, AgreesWithTheOracle) { compare_song(GetParam(), agreement_bound(GetParam())); }

INSTANTIATE_TEST_SUITE_P(DspOracle, CorpusSong, ::testing::ValuesIn(shared_files::spc_corpus_files()),
                         [](const auto& info) { return apu_test::test_name(info.param); });
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(CorpusSong);

TEST(DspOracle, ExampleSongAgrees) {
    if (!std::filesystem::exists("example.spc")) GTEST_SKIP() << "example.spc not built";
    compare_song("example.spc", {});
}

}  // namespace
}  // namespace apu
#endif
