#include "output/interpolation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <random>

#include "core/dsp_gaussian.h"

using apu::output::interpolator_for;

namespace {

constexpr double kPi = 3.14159265358979323846;

enum Mode { kNone = 0, kLinear = 1, kCubic = 2, kHardware = 3, kSinc = 4, kGaussian4 = 7 };

// Eight samples s[k] = f(k - 3), so that the point lies at f(fraction / 4096).
template <typename F>
void fill(int16_t s[8], F f) {
    for (int k = 0; k < 8; ++k) s[k] = static_cast<int16_t>(f(k - 3));
}

}  // namespace

TEST(Interpolation, ModesWithoutAFormulaHaveNone) {
    EXPECT_EQ(interpolator_for(kHardware), nullptr);
    for (const int mode : {-1, 5, 6, 8, 100}) EXPECT_EQ(interpolator_for(mode), nullptr) << mode;
    for (const int mode : {kNone, kLinear, kCubic, kSinc, kGaussian4}) EXPECT_NE(interpolator_for(mode), nullptr) << mode;
}

// At fraction 0 every formula that passes through its samples returns
// samples[3]; a constant comes back unchanged everywhere.
TEST(Interpolation, SamplePointsAndConstantsAreExact) {
    int16_t s[8];
    fill(s, [](int k) { return 1000 * k * k - 2000 * k - 8000; });
    for (const int mode : {kNone, kLinear, kCubic, kSinc}) EXPECT_EQ(interpolator_for(mode)(s, 0), s[3]) << mode;
    fill(s, [](int) { return -21846; });
    for (const int mode : {kNone, kLinear, kCubic, kSinc})
        for (int f = 0; f < 4096; f += 7) ASSERT_EQ(interpolator_for(mode)(s, f), -21846) << mode << " " << f;
}

TEST(Interpolation, NoneHoldsTheSample) {
    int16_t s[8] = {1, 2, 3, 400, 500, 6, 7, 8};
    EXPECT_EQ(interpolator_for(kNone)(s, 4095), 400);
}

// Linear and cubic reproduce a ramp exactly (Catmull-Rom's slopes are
// those of a straight line through it); linear's midpoint is the mean.
TEST(Interpolation, RampsAreReproduced) {
    int16_t s[8];
    fill(s, [](int k) { return 4096 * k + 2; });
    for (const int mode : {kLinear, kCubic})
        for (int f = 0; f < 4096; ++f) ASSERT_EQ(interpolator_for(mode)(s, f), 2 + f) << mode << " " << f;
    int16_t t[8] = {0, 0, 0, 100, 300, 0, 0, 0};
    EXPECT_EQ(interpolator_for(kLinear)(t, 2048), 200);
}

// Catmull-Rom's midpoint is (-s2 + 9 s3 + 9 s4 - s5) / 16; it saturates
// instead of wrapping where it overshoots.
TEST(Interpolation, CubicMidpointAndOvershoot) {
    int16_t s[8] = {0, 0, 160, 1600, 3200, -800, 0, 0};
    EXPECT_EQ(interpolator_for(kCubic)(s, 2048), (-160 + 9 * 1600 + 9 * 3200 + 800) / 16);
    int16_t big[8] = {0, 0, -32768, 32766, 32766, -32768, 0, 0};
    EXPECT_EQ(interpolator_for(kCubic)(big, 2048), 32767);
}

// The windowed sinc follows a band-limited signal closely, even near the
// source's Nyquist frequency where a cubic falls short, and rejects the
// Nyquist tone itself between samples.
TEST(Interpolation, SincFollowsBandLimitedTones) {
    auto worst_error = [](int mode, double cycles) {
        double worst = 0;
        for (double start = 0; start < 1; start += 0.125) {
            int16_t s[8];
            fill(s, [&](int k) { return 2 * std::lround(8000 * std::sin(2 * kPi * cycles * (k + start))); });
            for (int f = 0; f < 4096; f += 64) {
                const double exact = 16000 * std::sin(2 * kPi * cycles * (f / 4096.0 + start));
                worst = std::max(worst, std::abs(interpolator_for(mode)(s, f) - exact));
            }
        }
        return worst / 16000;
    };
    EXPECT_LT(worst_error(kSinc, 0.05), 0.002);
    EXPECT_LT(worst_error(kSinc, 0.3), 0.02);
    EXPECT_LT(worst_error(kSinc, 0.3), worst_error(kCubic, 0.3) / 4);
    int16_t nyquist[8];
    fill(nyquist, [](int k) { return (k & 1) ? -16000 : 16000; });
    EXPECT_LE(std::abs(interpolator_for(kSinc)(nyquist, 2048)), 16);
}

// Gaussian4 is the hardware's curve: where the hardware's sum does not
// wrap it agrees to the few LSB the hardware's truncations lose; where it
// wraps, Gaussian4 saturates instead.
TEST(Interpolation, Gaussian4MatchesTheHardwareUntilItWraps) {
    std::mt19937 random(11);
    std::uniform_int_distribution<int> value(-8192, 8191);
    int worst = 0;
    for (int trial = 0; trial < 2000; ++trial) {
        int16_t s[8];
        for (int16_t& v : s) v = static_cast<int16_t>(value(random) * 2);
        const int index = trial % 256;
        const int difference = interpolator_for(kGaussian4)(s, index * 16) - apu::gaussian_interpolate(s + 2, index);
        worst = std::max(worst, std::abs(difference));
    }
    EXPECT_LE(worst, 5);
    EXPECT_GE(worst, 1);  // it is not the hardware's arithmetic

    int16_t loud[8];
    fill(loud, [](int) { return 32766; });
    // At fraction 0 the three weights in use sum to 2049 / 2048.
    EXPECT_LT(apu::gaussian_interpolate(loud + 2, 0), 0);
    EXPECT_EQ(interpolator_for(kGaussian4)(loud, 0), 32767);
}

// Between the hardware's 256 steps the curve moves on smoothly: the value
// at every fraction lies between the two neighbouring table steps.
TEST(Interpolation, Gaussian4UsesTheWholeFraction) {
    int16_t s[8];
    fill(s, [](int k) { return 3000 * k; });
    const auto gaussian = interpolator_for(kGaussian4);
    for (int index = 0; index < 255; ++index) {
        const int low = gaussian(s, index * 16), high = gaussian(s, index * 16 + 16);
        for (int f = 1; f < 16; ++f) {
            const int v = gaussian(s, index * 16 + f);
            ASSERT_GE(v, std::min(low, high)) << index << " " << f;
            ASSERT_LE(v, std::max(low, high)) << index << " " << f;
        }
    }
    EXPECT_NE(gaussian(s, 100 * 16 + 8), gaussian(s, 100 * 16));
}
