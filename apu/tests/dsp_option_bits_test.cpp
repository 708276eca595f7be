// Each DSP option bit, through the library: most make the DSP compute as if
// the song had written other register values, so a song rendered with the
// bit must equal the song rewritten that way rendered without it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "test_songs.h"
#include "testing/snesapu_library.h"

namespace {

using apu_test::DspWrite;
using apu_test::echo_writes;
using apu_test::SnesApuLibrary;
using apu_test::test_song;
using Writes = std::vector<DspWrite>;

constexpr size_t kFrames = 16000;  // half a second at 32 kHz

class OptionBits : public ::testing::Test {
protected:
    void SetUp() override {
        if (!lib.loaded()) GTEST_FAIL() << "cannot load " << SnesApuLibrary::default_path();
    }
    std::vector<int16_t> render(const Writes& writes, uint32_t options, uint8_t keyed = 0x01) {
        return render_image(test_song(writes, keyed), options);
    }
    std::vector<int16_t> render_image(const std::vector<uint8_t>& image, uint32_t options, uint32_t interpolation = 3) {
        lib.load(image.data());
        lib.set_options(3, 2, 16, 32000, interpolation, options);
        std::vector<int16_t> out(kFrames * 2);
        lib.emulate(out.data(), kFrames, 1);
        return out;
    }
    // The band energy of one channel: the sum of squares, or of first
    // differences for the high frequencies.
    static double energy(const std::vector<int16_t>& v, bool differences) {
        double sum = 0;
        for (size_t i = 4000; i + 1 < v.size() / 2; ++i) {
            const double x = differences ? v[2 * i + 2] - v[2 * i] : v[2 * i];
            sum += x * x;
        }
        return sum;
    }
    SnesApuLibrary lib;
};

Writes plus(Writes a, const Writes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct Equivalence {
    const char* name;
    uint32_t bit;
    Writes song, same_as;  // `song` with the bit sounds as `same_as` without it
    uint8_t keyed;
};

TEST_F(OptionBits, ActAsTheRegisterValuesTheyStandFor) {
    // Voice 1 plays the sine an octave lower, modulated by voice 0 where PMON says.
    const Writes voice1 = {{0x10, 127}, {0x11, 127}, {0x12, 0x00}, {0x13, 0x08}, {0x14, 0}, {0x15, 0}, {0x17, 0x7F}};
    // The same writes with the values the bit stands for, so that the CPU
    // keys the voice on at the same moment.
    Writes no_fir = plus(echo_writes(), {{0x7F, 127}});
    for (DspWrite& w : no_fir)
        if ((w.reg & 0x0F) == 0x0F && w.reg != 0x7F) w.value = 0;
    const Equivalence cases[] = {
        {"disable echo", 0x10, echo_writes(), echo_writes(0, 0), 0x01},
        {"disable pitch modulation", 0x20, plus(voice1, {{0x2D, 0x02}}), plus(voice1, {{0x2D, 0x00}}), 0x03},
        {"disable pitch read", 0x40, {{0x02, 0x34}, {0x03, 0x07}}, {{0x02, 0x00}, {0x03, 0x10}}, 0x01},
        {"disable FIR", 0x80, plus(echo_writes(), {{0x7F, 0}}), no_fir, 0x01},
        {"disable envelope", 0x200, {{0x05, 0x81}, {0x06, 0x2A}}, {{0x05, 0x8F}, {0x06, 0xE0}}, 0x01},
        {"disable noise", 0x400, {{0x3D, 0x01}, {0x6C, 0x3A}}, {{0x6C, 0x3A}}, 0x01},
        {"disable surround", 0x1000, {{0x01, uint8_t(-100)}, {0x1C, uint8_t(-128)}}, {{0x01, 100}, {0x1C, 127}}, 0x01},
        {"enable surround", 0x4, echo_writes(64, 64), echo_writes(64, -64), 0x01},
        {"echo memory map", 0x800, echo_writes(), echo_writes(), 0x01},
    };
    for (const Equivalence& c : cases) {
        SCOPED_TRACE(c.name);
        const auto with_bit = render(c.song, c.bit, c.keyed);
        EXPECT_EQ(with_bit, render(c.same_as, 0, c.keyed));
        if (c.bit != 0x800) {
            EXPECT_NE(with_bit, render(c.song, 0, c.keyed)) << "the test song must use the feature";
        }
    }
}

TEST_F(OptionBits, DisableEchoStillWritesTheEchoBuffer) {
    uint8_t* ram = nullptr;
    lib.get_data(&ram, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    render(echo_writes(), 0);
    const std::vector<uint8_t> heard(ram + 0x8000, ram + 0x9000);
    render(echo_writes(), 0x10);
    EXPECT_EQ(std::vector<uint8_t>(ram + 0x8000, ram + 0x9000), heard);
}

TEST_F(OptionBits, ReverseSwapsTheChannels) {
    const Writes left_only = {{0x01, 0}};
    const auto normal = render(left_only, 0), reversed = render(left_only, 0x8);
    for (size_t i = 0; i < kFrames; ++i) {
        ASSERT_EQ(reversed[2 * i], normal[2 * i + 1]);
        ASSERT_EQ(reversed[2 * i + 1], normal[2 * i]);
    }
}

TEST_F(OptionBits, OldBrrDecoderClampsWhereTheHardwareWraps) {
    // A filter-1 block of large positive nibbles climbs past 0x3FFF.
    // It loops onto itself as source 3, at 0x6000 (the directory is at 0x0800).
    uint8_t block[9] = {0xC4 | 0x03, 0x77, 0x77, 0x77, 0x77, 0x77, 0x77, 0x77, 0x77};
    auto image = test_song({{0x04, 3}});
    uint8_t* ram = image.data() + 0x100;
    std::memcpy(ram + 0x6000, block, 9);
    const uint8_t entry[4] = {0x00, 0x60, 0x00, 0x60};
    std::memcpy(ram + 0x0800 + 3 * 4, entry, 4);
    // Without interpolation: the hardware's Gaussian itself wraps on samples
    // at full scale, which would hide what the decoder did.
    const auto hardware = render_image(image, 0, 0), old = render_image(image, 0x2, 0);
    int hardware_min = 0, old_min = 0;
    for (size_t i = 0; i < kFrames; ++i) {
        hardware_min = std::min<int>(hardware_min, hardware[2 * i]);
        old_min = std::min<int>(old_min, old[2 * i]);
    }
    EXPECT_LT(hardware_min, -5000) << "the wrap turns the climb negative";
    EXPECT_GT(old_min, -200) << "clamped, it stays positive";
}

TEST_F(OptionBits, FiltersShapeTheSpectrum) {
    // Bass boost: a 62.5 Hz sine (pitch 0x100) gains several dB, a 1 kHz one (0x1000) hardly anything.
    const Writes low = {{0x02, 0x00}, {0x03, 0x01}}, high = {{0x02, 0x00}, {0x03, 0x10}};
    const double low_gain = 10 * std::log10(energy(render(low, 0x100), false) / energy(render(low, 0), false));
    const double high_gain = 10 * std::log10(energy(render(high, 0x100), false) / energy(render(high, 0), false));
    EXPECT_GT(low_gain, 3.0);
    EXPECT_LT(low_gain, 6.5);
    EXPECT_NEAR(high_gain, 0.0, 0.5);
    // The analog stage takes away highs: noise loses energy in its differences.
    const Writes noise = {{0x3D, 0x01}, {0x6C, 0x3F}};
    const double analog = 10 * std::log10(energy(render(noise, 0x1), true) / energy(render(noise, 0), true));
    EXPECT_LT(analog, -1.0);
    EXPECT_GT(analog, -12.0);
}

}  // namespace
