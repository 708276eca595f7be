#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <vector>

#include "core/sound_system.h"
#include "testing/shared_files.h"
#include "tools/example_spc.h"

namespace {

TEST(ExampleSpc, DriverReachesItsPlayerLoopAndKeysNotesOn) {
    const auto example = apu::example::build_example_spc();
    auto s = std::make_unique<apu::SoundSystem>();
    ASSERT_TRUE(s->load_spc(example.image.data(), example.image.size()));
    EXPECT_EQ(s->registers().pc, example.entry);

    s->run(apu::SoundSystem::kCpuHz / 10);
    for (int i = 0; i < 200; ++i) {
        s->run(997);  // sample the PC at uneven points
        const uint16_t pc = s->registers().pc;
        ASSERT_GE(pc, example.player_begin) << i;
        ASSERT_LT(pc, example.player_end) << i;
    }
    // 0.3 s at four notes a second.
    EXPECT_GE(s->ram()[example.notes_played_address], 1);
    EXPECT_TRUE(s->dsp().read(0x4C) & 1) << "KON written";
    EXPECT_EQ(s->dsp().read(0x5D), 0x03) << "sample directory set";
    EXPECT_TRUE(s->bus().timers().enabled(0));
    EXPECT_FALSE(s->halted());
}

// The DSP runs behind the CPU and catches up only when a register access
// could tell; rendering with the DSP kept level after every instruction must
// give the same samples.
std::vector<int16_t> render(const std::vector<uint8_t>& image, uint32_t step, uint32_t frames) {
    auto s = std::make_unique<apu::SoundSystem>();
    s->load_spc(image.data(), image.size());
    std::vector<int16_t> out(2 * frames + 64);
    s->set_output(out.data(), frames + 32);
    for (uint32_t done = 0; done < frames * 32; done += step) s->run(step);
    out.resize(2 * s->frames_written());
    return out;
}

// The tune: four notes a second, each loud and most at another pitch
// (upward zero crossings count the pitch).
TEST(ExampleSpc, PlaysAnAudibleTune) {
    const auto left_channel = render(apu::example::build_example_spc().image, 32 * 1000, 32000 * 2);
    constexpr size_t kNote = 8000;
    std::set<int> pitches;
    for (size_t start = 0; start + kNote <= left_channel.size() / 2; start += kNote) {
        double energy = 0;
        int crossings = 0;
        for (size_t i = start + 1000; i < start + kNote - 1000; ++i) {
            const int a = left_channel[2 * i], b = left_channel[2 * i + 2];
            energy += double(a) * a;
            crossings += a < 0 && b >= 0;
        }
        EXPECT_GT(std::sqrt(energy / (kNote - 2000)), 1000.0) << "note at " << start;
        pitches.insert(crossings / 4);  // a little tolerance for the phase
    }
    EXPECT_GE(pitches.size(), 4u);
}

TEST(ExampleSpc, LazyDspMatchesLockstep) {
    std::vector<std::vector<uint8_t>> images = {apu::example::build_example_spc().image};
    const std::filesystem::path corpus = shared_files::spc_corpus();
    for (const char* name : {"aikiriao-eyes-on-me.spc", "gimic-gtme.spc", "snesspcjs-prophecy.spc"}) {
        std::ifstream in(corpus / name, std::ios::binary);
        if (in) images.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    for (size_t i = 0; i < images.size(); ++i) {
        const auto lockstep = render(images[i], 1, 8000);
        const auto lazy = render(images[i], 32 * 1000, 8000);
        ASSERT_EQ(lockstep.size(), lazy.size()) << i;
        EXPECT_TRUE(lockstep == lazy) << "song " << i;
    }
}

TEST(ExampleSpc, ImageCarriesHeaderTagsAndXid6) {
    const auto image = apu::example::build_example_spc().image;
    ASSERT_GT(image.size(), 0x10208u);
    EXPECT_EQ(std::string(image.begin(), image.begin() + 33), "SNES-SPC700 Sound File Data v0.30");
    EXPECT_EQ(image[0x23], 26);
    EXPECT_EQ(std::string(image.begin() + 0xA9, image.begin() + 0xAC), "012");
    EXPECT_EQ(std::string(image.begin() + 0x10200, image.begin() + 0x10204), "xid6");
    const uint32_t length = image[0x10204] | image[0x10205] << 8 | image[0x10206] << 16 | uint32_t(image[0x10207]) << 24;
    EXPECT_EQ(image.size(), 0x10208u + length);
    // Walk the sub-chunks: every one is whole and 4-byte aligned.
    size_t at = 0x10208;
    int count = 0;
    while (at < image.size()) {
        const uint8_t type = image[at + 1];
        const uint16_t v = uint16_t(image[at + 2] | image[at + 3] << 8);
        at += 4 + (type == 0 ? 0 : (v + 3u) / 4 * 4);
        ++count;
    }
    EXPECT_EQ(at, image.size());
    EXPECT_EQ(count, 16);
}

}  // namespace
