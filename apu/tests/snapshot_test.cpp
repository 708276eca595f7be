#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <vector>

#include "core/ipl_rom.h"
#include "core/snapshot.h"
#include "core/sound_system.h"
#include "testing/shared_files.h"
#include "tests/song_builder.h"

namespace {

using apu::SoundSystem;
namespace spc = apu::spc;

std::vector<uint8_t> image_with_io(const std::array<uint8_t, 16>& io) {
    std::vector<uint8_t> image(spc::kSnapshotSize, 0);
    image[spc::kPc] = 0x34;
    image[spc::kPc + 1] = 0x12;
    image[spc::kA] = 0xA1;
    image[spc::kX] = 0xB2;
    image[spc::kY] = 0xC3;
    image[spc::kPsw] = 0xE5;
    image[spc::kSp] = 0xD4;
    for (int i = 0; i < 0x10000; ++i) image[spc::kRam + i] = uint8_t(i * 7 + (i >> 8));
    for (int i = 0; i < 16; ++i) image[spc::kRam + 0xF0 + i] = io[i];
    for (int i = 0; i < 128; ++i) image[spc::kDspRegisters + i] = uint8_t(0x80 ^ i);
    for (int i = 0; i < 64; ++i) image[spc::kExtraRam + i] = uint8_t(0x40 + i);
    return image;
}

TEST(Snapshot, RestoresRegistersRamDspAndIo) {
    // TEST, CONTROL (timers 0 and 2, ROM in), DSP address, four ports,
    // two auxiliary bytes, three targets, three counters.
    const auto image =
        image_with_io({0xFF, 0x85, 0x4C, 0x99, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x10, 0x00, 0x20, 0x1F, 0x02, 0x0E});
    auto s = std::make_unique<SoundSystem>();
    EXPECT_TRUE(s->load_spc(image.data(), image.size()));

    const apu::CpuRegisters r = s->registers();
    EXPECT_EQ(r.pc, 0x1234);
    EXPECT_EQ(r.a, 0xA1);
    EXPECT_EQ(r.x, 0xB2);
    EXPECT_EQ(r.y, 0xC3);
    EXPECT_EQ(r.psw, 0xE5);
    EXPECT_EQ(r.sp, 0xD4);
    EXPECT_FALSE(s->halted());

    for (int i : {0x0000, 0x0123, 0x8000, 0xFFBF}) EXPECT_EQ(s->ram()[i], image[spc::kRam + i]) << i;
    for (int i = 0; i < 128; ++i) EXPECT_EQ(s->dsp().read(uint8_t(i)), 0x80 ^ i) << i;

    // ROM switched in: the extra RAM is what lies beneath it.
    EXPECT_TRUE(s->bus().ipl_enabled());
    EXPECT_EQ(s->peek(0xFFC0), apu::kIplRom[0]);
    for (int i = 0; i < 64; ++i) EXPECT_EQ(s->ram()[0xFFC0 + i], 0x40 + i) << i;

    EXPECT_EQ(s->bus().control(), 0x85);
    EXPECT_EQ(s->bus().test(), 0x0A) << "timers must run whatever the dump left in TEST";
    EXPECT_EQ(s->peek(0xF2), 0x4C);
    EXPECT_EQ(s->peek(0xF3), s->dsp().read(0x4C));
    // The ports and auxiliary bytes as dumped: 0x11, 0x22 ... 0x66 at $F4..$F9.
    for (int i = 0; i < 6; ++i) EXPECT_EQ(s->peek(uint16_t(0xF4 + i)), 0x11 * (i + 1)) << i;
    auto& timers = s->bus().timers();
    EXPECT_TRUE(timers.enabled(0));
    EXPECT_FALSE(timers.enabled(1));
    EXPECT_TRUE(timers.enabled(2));
    EXPECT_EQ(timers.target(0), 0x10);
    EXPECT_EQ(timers.target(1), 0x00);
    EXPECT_EQ(timers.target(2), 0x20);
    EXPECT_EQ(s->peek(0xFD), 0x0F);
    EXPECT_EQ(s->peek(0xFE), 0x02);
    EXPECT_EQ(s->peek(0xFF), 0x0E);
}

TEST(Snapshot, TimersResumeFromTheDumpedCounters) {
    const auto image = image_with_io({0x0A, 0x04, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x02, 0, 0, 0x05});
    auto s = std::make_unique<SoundSystem>();
    s->load_spc(image.data(), image.size());
    // Park the CPU on SLEEP so only the timers move.
    apu::CpuRegisters r = s->registers();
    r.pc = 0x0300;
    s->ram()[0x0300] = 0xEF;
    s->set_registers(r);
    s->run(2 * 16 * 3);
    EXPECT_EQ(s->peek(0xFF), 0x08);
}

TEST(Snapshot, WithoutTheRomTheDumpedTopOfRamIsKept) {
    const auto image = image_with_io({0x0A, 0x00});
    auto s = std::make_unique<SoundSystem>();
    s->load_spc(image.data(), image.size());
    EXPECT_FALSE(s->bus().ipl_enabled());
    for (int i = 0; i < 64; ++i) EXPECT_EQ(s->peek(uint16_t(0xFFC0 + i)), image[spc::kRam + 0xFFC0 + i]) << i;
}

// Short images load with the missing bytes as zero (ASan checks the bounds).
TEST(Snapshot, ShortImagesReadAsZeroBeyondTheirEnd) {
    const auto full = image_with_io({0x0A, 0x80});
    auto s = std::make_unique<SoundSystem>();
    for (size_t size : {size_t(0), size_t(0x26), size_t(0x2C), size_t(0x1F1), size_t(0x10150), size_t(0x101FF)}) {
        std::vector<uint8_t> image(full.begin(), full.begin() + long(size));
        EXPECT_FALSE(s->load_spc(image.data(), image.size())) << size;
        EXPECT_EQ(s->registers().sp, size > spc::kSp ? full[spc::kSp] : 0) << size;
        EXPECT_EQ(s->ram()[0xF1], size > spc::kRam + 0xF1 ? 0x80 : 0) << size;
        EXPECT_EQ(s->ram()[0xFFFF], size > spc::kSnapshotSize - 1 ? full.back() : 0) << size;
        EXPECT_EQ(s->dsp().read(0x7F), size > spc::kDspRegisters + 0x7F ? (0x80 ^ 0x7F) : 0) << size;
    }
    EXPECT_FALSE(s->load_spc(nullptr, 100));
}

std::vector<int16_t> render(const std::vector<uint8_t>& image, size_t frames) {
    auto s = std::make_unique<SoundSystem>();
    s->load_spc(image.data(), image.size());
    std::vector<int16_t> out(2 * frames);
    s->render(out.data(), frames);
    return out;
}

size_t first_sound(const std::vector<int16_t>& frames) {
    size_t i = 0;
    while (i < frames.size() && frames[i] == 0) ++i;
    return i / 2;
}

// Where the CPU stood in the DSP's period is not in a snapshot; it resumes
// two clocks into it. After a load of A taking p cycles, 25 NOPs and a KON
// store (the store on its tenth cycle), KON lands on clock 2 + p + 50 + 9:
// with MOV A,#0 (p = 2) on clock 63, where the second sample's poll still
// takes it, with MOV A,$00 (p = 3) on clock 64, which waits for the next
// poll, two samples later. Resuming one clock sooner, both would be in
// time; one clock later, neither.
TEST(Snapshot, TheCpuResumesTwoClocksIntoTheDspPeriod) {
    size_t start[2];
    for (int p = 0; p < 2; ++p) {
        apu_test::SongBuilder song;
        song.reg(0x05, 0x8F);  // attack at the rate that steps every sample
        if (p == 0) song.program().mov_a_imm(0x00);
        else song.program().mov_a_dp(0x00);
        for (int i = 0; i < 25; ++i) song.program().nop();
        song.write(0x4C, 0x01);
        start[p] = first_sound(render(song.image(), 64));
    }
    ASSERT_LT(start[0], 64u);
    EXPECT_EQ(start[1], start[0] + 2);
}

// A snapshot does not hold a voice's decoder: from the load on, a voice
// not yet keyed on decodes from address 0, as the accurate model has it
// (gimic-mnemon depends on it), and its first key-on starts from that
// history. A looping block of filter 1 with zero data plays only what the
// history holds, so it sounds when the RAM at address 0 is loud.
TEST(Snapshot, AVoiceNotYetKeyedOnStartsFromWhatItDecoded) {
    apu_test::SongBuilder song;
    song.reg(0x04, 3).wait(255).wait(255).write(0x4C, 0x01);  // source 3
    std::vector<uint8_t> image = song.image();
    uint8_t* ram = image.data() + spc::kRam;
    ram[0x080C] = ram[0x080E] = 0x00;  // source 3 at 0x3000, looping on itself
    ram[0x080D] = ram[0x080F] = 0x30;
    ram[0x3000] = 0xB7;  // range 11, filter 1, end and loop; data zero
    EXPECT_EQ(first_sound(render(image, 3200)), 3200u) << "silent from a history of zeros";
    for (int a = 0; a < 0xD8; a += 9) {
        ram[a] = 0xC0;  // range 12, filter 0, no end
        for (int i = 1; i < 9; ++i) ram[a + i] = 0x77;
    }
    EXPECT_LT(first_sound(render(image, 3200)), 3200u);
}

TEST(Snapshot, CorpusSongsRunWithoutHalting) {
    const std::string dir = shared_files::spc_corpus().string() + "/";
    int loaded = 0;
    for (const char* name : {"fpga-smw-title.spc", "gimic-gtme.spc", "snesapu-smashit.spc"}) {
        FILE* f = std::fopen((dir + name).c_str(), "rb");
        if (!f) continue;
        std::vector<uint8_t> image(0x20000);
        image.resize(std::fread(image.data(), 1, image.size(), f));
        std::fclose(f);
        auto s = std::make_unique<SoundSystem>();
        ASSERT_TRUE(s->load_spc(image.data(), image.size())) << name;
        s->run(SoundSystem::kCpuHz / 2);
        EXPECT_FALSE(s->halted()) << name;
        ++loaded;
    }
    if (!loaded) GTEST_SKIP() << dir << " absent";
}

}  // namespace
