// Our DSP (with the CPU) against libgme, a trusted emulator of the chip,
// compared through its public API only.
#if defined(VELMO_HAVE_GME)
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "tests/oracle_support.h"

namespace apu {
namespace {

using oracle::render_ours;
using oracle::render_oracle;
using oracle::residual_db;

// Small songs that each exercise one DSP feature: a few register writes by
// a trivial CPU program (so the CPU's timing hardly matters), then a loop.
class SongBuilder {
public:
    SongBuilder() : ram_(0x10000, 0), dsp_{} {
        dsp_[0x0C] = dsp_[0x1C] = 0x7F;        // main volume
        dsp_[0x5D] = 0x08;                     // directory at 0x0800
        dsp_[0x6C] = 0x20;                     // echo writes off
        dsp_[0x6D] = 0xC0;
        const uint8_t voice0[] = {0x50, 0x30, 0x34, 0x12, 0x00, 0xFA, 0x8A};
        for (size_t i = 0; i < sizeof voice0; ++i) dsp_[i] = voice0[i];
        add_sample(noise_blocks(40, 3), 10);   // source 0: all four filters
        add_sample(sine_blocks(8), 0);         // source 1
        add_sample(noise_blocks(3, 1), 0);     // source 2: ends without loop
    }
    SongBuilder& reg(uint8_t address, uint8_t value) {
        dsp_[address] = value;
        return *this;
    }
    SongBuilder& write(uint8_t address, uint8_t value) {  // MOV $F2,#a / MOV $F3,#v
        program_.insert(program_.end(), {0x8F, address, 0xF2, 0x8F, value, 0xF3});
        return *this;
    }
    SongBuilder& wait(uint8_t loops) {  // MOV X,#n / DEC X / BNE
        program_.insert(program_.end(), {0xCD, loops, 0x1D, 0xD0, 0xFD});
        return *this;
    }
    std::vector<uint8_t> image() const {
        std::vector<uint8_t> img(0x10200, 0);
        const char signature[] = "SNES-SPC700 Sound File Data v0.30";
        std::copy(signature, signature + 33, img.begin());
        img[0x21] = img[0x22] = 26;
        img[0x23] = 27;
        img[0x24] = 30;
        img[0x25] = 0x00;  // PC 0x0200
        img[0x26] = 0x02;
        img[0x2A] = 0x02;
        img[0x2B] = 0xEF;
        std::vector<uint8_t> ram = ram_;
        std::vector<uint8_t> code = program_;
        code.insert(code.end(), {0x2F, 0xFE});  // BRA to itself
        std::copy(code.begin(), code.end(), ram.begin() + 0x200);
        std::copy(ram.begin(), ram.end(), img.begin() + 0x100);
        std::copy(dsp_, dsp_ + 128, img.begin() + 0x10100);
        return img;
    }

private:
    std::vector<uint8_t> noise_blocks(int count, int end_code) {
        std::vector<uint8_t> out;
        for (int b = 0; b < count; ++b) {
            out.push_back(static_cast<uint8_t>(((8 + next() % 4) << 4) | ((b % 4) << 2) | (b == count - 1 ? end_code : 0)));
            for (int i = 0; i < 8; ++i) out.push_back(static_cast<uint8_t>(next()));
        }
        return out;
    }
    static std::vector<uint8_t> sine_blocks(int count) {
        std::vector<uint8_t> out;
        int k = 0;
        for (int b = 0; b < count; ++b) {
            out.push_back(static_cast<uint8_t>(0xB0 | (b == count - 1 ? 3 : 0)));
            for (int i = 0; i < 8; ++i, k += 2) {
                const int hi = static_cast<int>(std::lround(6 * std::sin(2 * M_PI * k / 32))) & 15;
                const int lo = static_cast<int>(std::lround(6 * std::sin(2 * M_PI * (k + 1) / 32))) & 15;
                out.push_back(static_cast<uint8_t>(hi << 4 | lo));
            }
        }
        return out;
    }
    void add_sample(const std::vector<uint8_t>& blocks, int loop_block) {
        const uint16_t entry = static_cast<uint16_t>(0x800 + 4 * sources_++);
        const uint16_t loop = static_cast<uint16_t>(sample_addr_ + 9 * loop_block);
        ram_[entry] = static_cast<uint8_t>(sample_addr_);
        ram_[entry + 1] = static_cast<uint8_t>(sample_addr_ >> 8);
        ram_[entry + 2] = static_cast<uint8_t>(loop);
        ram_[entry + 3] = static_cast<uint8_t>(loop >> 8);
        std::copy(blocks.begin(), blocks.end(), ram_.begin() + sample_addr_);
        sample_addr_ = static_cast<uint16_t>(sample_addr_ + blocks.size() + 16);
    }
    uint32_t next() { return (seed_ = seed_ * 1103515245u + 12345u) >> 16; }

    std::vector<uint8_t> ram_;
    uint8_t dsp_[128];
    std::vector<uint8_t> program_;
    uint16_t sample_addr_ = 0x1000;
    int sources_ = 0;
    uint32_t seed_ = 7;
};

std::vector<std::pair<std::string, SongBuilder>> feature_songs() {
    std::vector<std::pair<std::string, SongBuilder>> songs;
    auto add = [&](const char* name) -> SongBuilder& { return songs.emplace_back(name, SongBuilder{}).second; };
    add("adsr").write(0x4C, 1);
    add("adsr slow").reg(0x05, 0xC3).reg(0x06, 0x4F).write(0x4C, 1);
    add("gain bent").reg(0x05, 0).reg(0x07, 0xE8).write(0x4C, 1);
    add("gain linear").reg(0x05, 0).reg(0x07, 0xCC).write(0x4C, 1);
    add("gain exp").reg(0x05, 0).reg(0x07, 0x7F).write(0x4C, 1).wait(255).wait(255).write(0x07, 0xB0);
    add("noise").reg(0x3D, 1).reg(0x6C, 0x3A).write(0x4C, 1);
    add("pitch mod")
        .reg(0x02, 0x20).reg(0x03, 0x20).reg(0x00, 0).reg(0x01, 0)
        .reg(0x14, 1).reg(0x13, 0x08).reg(0x15, 0xFF).reg(0x16, 0xE0).reg(0x10, 0x60).reg(0x11, 0x60)
        .reg(0x2D, 0x02).write(0x4C, 3);
    add("key off").write(0x4C, 1).wait(255).wait(255).wait(255).write(0x5C, 1);
    add("key on timing")
        .reg(0x14, 1).reg(0x13, 0x08).reg(0x15, 0xFF).reg(0x16, 0xE0).reg(0x10, 0x40).reg(0x11, 0x40)
        .write(0x4C, 1).wait(37).write(0x4C, 2).wait(100).write(0x4C, 1).wait(3).write(0x4C, 2);
    add("end without loop").reg(0x04, 2).reg(0x03, 0x04).write(0x4C, 1);
    add("echo")
        .reg(0x6C, 0).reg(0x4D, 1).reg(0x7D, 2).reg(0x6D, 0x40).reg(0x0D, 0x40).reg(0x0F, 0x7F)
        .reg(0x2C, 0x40).reg(0x3C, 0x40).write(0x4C, 1);
    auto& fir = add("echo fir").reg(0x6C, 0).reg(0x4D, 1).reg(0x7D, 3).reg(0x6D, 0x40).reg(0x0D, 0x50);
    const uint8_t taps[8] = {0xFF, 0x08, 0x17, 0x24, 0x24, 0x17, 0x08, 0xFF};
    for (int i = 0; i < 8; ++i) fir.reg(static_cast<uint8_t>(i * 16 + 0x0F), taps[i]);
    fir.reg(0x2C, 0x60).reg(0x3C, 0xA0).write(0x4C, 1);
    return songs;
}

// With a trivial program the two should differ only by the oracle's gain,
// its post-filter and its 16-bit rounding, which leave about -65 dB; -40 dB
// still catches a single sample of timing or envelope difference.
TEST(DspOracle, FeatureSongsMatch) {
    for (auto& [name, song] : feature_songs()) {
        const std::vector<uint8_t> image = song.image();
        const size_t frames = oracle::kRate * 3 / 2;
        const auto theirs = render_oracle(image, frames);
        ASSERT_FALSE(theirs.empty()) << name;
        const auto ours = render_ours(image, frames);
        for (int ch = 0; ch < 2; ++ch) {
            const double r = residual_db(ours, theirs, ch, 0);
            std::printf("  %-18s ch%d %7.1f dB\n", name.c_str(), ch, r);
            EXPECT_LT(r, -40.0) << name << " channel " << ch;
        }
    }
}

std::vector<uint8_t> read_file(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Real songs also depend on the CPU and timers, where a write landing one
// sample early or late shifts a note; the figure printed per file is the
// agreement after the best short filter. The bound asks for clearly the same
// music (residual below a quarter of the signal's energy).
void compare_song(const std::filesystem::path& path) {
    const auto image = read_file(path);
    const size_t frames = oracle::kRate * 4;
    const auto theirs = render_oracle(image, frames);
    if (theirs.empty()) {
        std::printf("  %-34s not accepted by the oracle\n", path.filename().string().c_str());
        return;
    }
    const auto ours = render_ours(image, frames);
    for (int ch = 0; ch < 2; ++ch) {
        const double r = residual_db(ours, theirs, ch, oracle::kRate);  // skip the first second
        std::printf("  %-34s ch%d %7.1f dB\n", path.filename().string().c_str(), ch, r);
        EXPECT_LT(r, -6.0) << path << " channel " << ch;
    }
}

TEST(DspOracle, CorpusSongsAgree) {
    const std::filesystem::path dir = std::filesystem::path(VELMO_SHARED_DIR) / "corpus" / "spc";
    if (!std::filesystem::is_directory(dir)) GTEST_SKIP() << "no corpus at " << dir;
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        if (entry.path().extension() == ".spc") files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    for (const auto& f : files) compare_song(f);
}

TEST(DspOracle, ExampleSongAgrees) {
    if (!std::filesystem::exists("example.spc")) GTEST_SKIP() << "example.spc not built";
    compare_song("example.spc");
}

}  // namespace
}  // namespace apu
#endif
