// Seeking is exact: after a fast or a slow seek, and after a rewind served
// from the snapshots, the output is sample for sample what playing through
// the same span gives.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "api/apu_instance.h"
#include "corpus_support.h"
#include "test_songs.h"
#include "testing/snesapu_library.h"

namespace {

using apu_test::padded;
using apu_test::SnesApuLibrary;

constexpr uint32_t kTarget = 160000;  // 2.5 s: past the first snapshot

class Seek : public ::testing::TestWithParam<uint32_t> {
protected:
    void SetUp() override {
        if (!lib.loaded()) GTEST_FAIL() << "cannot load " << SnesApuLibrary::default_path();
    }
    void start(const std::vector<uint8_t>& image) {
        lib.load(image.data());
        lib.set_options(3, 2, 16, GetParam(), 3, 0);
    }
    std::vector<int16_t> play(size_t frames) {
        std::vector<int16_t> out(frames * 2);
        lib.emulate(out.data(), uint32_t(frames), 1);
        return out;
    }
    size_t frames_of(uint32_t ticks) const { return size_t(uint64_t(ticks) * GetParam() / 64000); }
    SnesApuLibrary lib;
};

TEST_P(Seek, FastSlowAndRewindEqualPlayingThrough) {
    const size_t after = GetParam() / 4;
    uint32_t* ticks = nullptr;
    lib.get_data(nullptr, nullptr, nullptr, &ticks, nullptr, nullptr, nullptr, nullptr);
    for (const auto& song : apu_test::songs()) {
        SCOPED_TRACE(song.name);
        const auto image = padded(song.image);
        start(image);
        play(frames_of(kTarget));
        const auto through = play(after);

        start(image);
        lib.seek(kTarget, 255);
        EXPECT_EQ(*ticks, kTarget);
        EXPECT_EQ(play(after), through) << "fast seek";

        start(image);
        lib.seek(kTarget / 2, 0);
        lib.seek(kTarget - kTarget / 2, 0);
        EXPECT_EQ(play(after), through) << "slow seek in two steps";

        // Back to the start of the song and forward again, as a player rewinds.
        lib.load(image.data());
        lib.seek(kTarget, 255);
        EXPECT_EQ(play(after), through) << "rewind";
    }
}

INSTANTIATE_TEST_SUITE_P(Rates, Seek, ::testing::Values(32000u, 44100u));

// The analog and bass filters remember every frame: a seek or a rewind
// with them on runs them over the whole span. The target lies just past
// the first snapshot, where a filter started afresh would still differ.
TEST(SeekSnapshots, FiltersWithMemoryStayExactAcrossSeeks) {
    constexpr uint32_t kJustPast = 2 * 64000 + 1000;
    constexpr size_t kBefore = size_t(uint64_t(kJustPast) * 44100 / 64000 + 1);
    const auto image = padded(apu_test::songs().front().image);  // the example song, sounding throughout;
    auto apu = std::make_unique<apu::api::ApuInstance>();
    const uint32_t options = 0x101;
    std::vector<uint8_t> buffer(kBefore * 4), through(11025 * 4), sought(11025 * 4), rewound(11025 * 4);
    apu->load(image.data());
    apu->set_options(2, 16, 44100, 3, options);
    apu->emulate(buffer.data(), kBefore);
    apu->emulate(through.data(), 11025);
    apu->load(image.data());
    apu->seek(kJustPast, true);
    apu->emulate(rewound.data(), 11025);
    EXPECT_EQ(rewound, through);
    auto fresh = std::make_unique<apu::api::ApuInstance>();
    fresh->load(image.data());
    fresh->set_options(2, 16, 44100, 3, options);
    fresh->seek(kJustPast, true);
    fresh->emulate(sought.data(), 11025);
    EXPECT_EQ(sought, through);
}

TEST(SeekSnapshots, ARewindRestoresASnapshotAndStaysWithinItsBudget) {
    const auto songs = apu_test::songs();
    auto apu = std::make_unique<apu::api::ApuInstance>();
    const auto image = padded(songs.back().image);
    apu->load(image.data());
    apu->set_options(2, 16, 44100, 3, 0);
    std::vector<uint8_t> buffer(44100 * 4);
    for (int second = 0; second < 7; ++second) apu->emulate(buffer.data(), 44100);
    EXPECT_GE(apu->snapshots().count(), 3u);
    apu->load(image.data());
    apu->seek(6 * 64000, true);
    EXPECT_GE(apu->restored_from(), 4u * 32000) << "the seek began from a snapshot, not the start";
    EXPECT_LE(apu->snapshots().bytes(), apu::api::SeekSnapshots::kBudget);
}

// Snapshots taken before a setting changed would replay the song under the
// old setting; after the change a rewind must give what a replay under the
// new setting gives.
TEST(SeekSnapshots, ASettingChangedMidSongIsNotReplayedFromOldSnapshots) {
    const auto image = padded(apu_test::songs().front().image);
    auto apu = std::make_unique<apu::api::ApuInstance>();
    std::vector<uint8_t> buffer(32000 * 4), rewound(8000 * 4), replayed(8000 * 4);
    apu->load(image.data());
    for (int second = 0; second < 5; ++second) apu->emulate(buffer.data(), 32000);
    apu->set_options(2, 16, 32000, 1, 0);  // linear interpolation from here on
    apu->emulate(buffer.data(), 32000);
    apu->load(image.data());
    apu->seek(3 * 64000, true);
    apu->emulate(rewound.data(), 8000);

    auto fresh = std::make_unique<apu::api::ApuInstance>();
    fresh->load(image.data());
    fresh->set_options(2, 16, 32000, 1, 0);
    fresh->seek(3 * 64000, false);
    fresh->emulate(replayed.data(), 8000);
    EXPECT_EQ(rewound, replayed);
}

}  // namespace
