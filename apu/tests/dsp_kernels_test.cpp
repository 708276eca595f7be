// The DSP's vector kernels against their portable forms, which builds for
// processors without SSE2 use, over the kernels' input ranges.
#if defined(__SSE2__)
#include <gtest/gtest.h>

#include <cstdint>

#include "core/dsp_echo.h"
#include "core/dsp_gaussian.h"
#include "core/dsp_mix.h"

namespace apu {
namespace {

struct Random {
    uint32_t seed;
    uint32_t next() { return seed = seed * 1664525u + 1013904223u; }
    // A doubled 15-bit sample, the ends of the range often.
    int16_t sample() {
        const uint32_t r = next();
        switch (r >> 29) {
        case 0: return -32768;
        case 1: return 32766;
        default: return static_cast<int16_t>(static_cast<int16_t>(r >> 8) & ~1);
        }
    }
};

// Every fraction, on every combination of eight values from both ends and
// the middle of the range, then on random samples.
TEST(DspKernels, GaussianMatchesItsPortableForm) {
    const int16_t values[8] = {-32768, -32766, -16384, -2, 0, 2, 16384, 32766};
    int wrong = 0;
    for (int combo = 0; combo < 8 * 8 * 8 * 8; ++combo) {
        const int16_t s[4] = {values[combo & 7], values[(combo >> 3) & 7], values[(combo >> 6) & 7],
                              values[combo >> 9]};
        for (int i = 0; i < 256; ++i) wrong += gaussian_interpolate_sse2(s, i) != gaussian_interpolate_scalar(s, i);
    }
    Random r{99};
    for (int round = 0; round < 4000; ++round) {
        const int16_t s[4] = {r.sample(), r.sample(), r.sample(), r.sample()};
        for (int i = 0; i < 256; ++i) wrong += gaussian_interpolate_sse2(s, i) != gaussian_interpolate_scalar(s, i);
    }
    EXPECT_EQ(wrong, 0);
}

// 15-bit history and every coefficient, the extremes often: the seven sums
// that wrap and the last that saturates.
TEST(DspKernels, EchoFilterMatchesItsPortableForm) {
    Random r{7};
    int wrong = 0;
    for (int round = 0; round < 200000; ++round) {
        int16_t window[16], coef[16];
        for (int i = 0; i < 16; ++i) window[i] = static_cast<int16_t>(r.sample() >> 1);
        for (int tap = 0; tap < 8; ++tap) {
            const uint32_t pick = r.next();
            const int c = (pick >> 30) == 0 ? ((pick & 1) ? 127 : -128) : static_cast<int8_t>(pick >> 8);
            coef[2 * tap] = coef[2 * tap + 1] = static_cast<int16_t>(c);
        }
        const int left = r.sample() >> 1, right = r.sample() >> 1;
        int a[2], b[2];
        fir_stereo_sse2(window, left, right, coef, a);
        fir_stereo_scalar(window, left, right, coef, b);
        wrong += a[0] != b[0] || a[1] != b[1];
    }
    EXPECT_EQ(wrong, 0);
}

// Every output and every volume, onto sums from all over the range, for
// both sides, each side alone, with and without echo.
TEST(DspKernels, MixMatchesItsPortableForm) {
    Random r{3};
    int wrong = 0;
    for (int output = -32768; output <= 32766; output += 2) {
        for (int volume = -128; volume <= 127; ++volume) {
            const uint32_t pick = r.next();
            const int sides = 1 + pick % 3;
            const bool echo = (pick >> 8) & 1;
            alignas(8) int16_t volumes[8] = {};
            volumes[0] = volumes[4] = static_cast<int16_t>(volume);
            volumes[2] = volumes[6] = static_cast<int16_t>(-1 - volume);
            alignas(8) int16_t a[4], b[4];
            for (int lane = 0; lane < 4; ++lane) a[lane] = b[lane] = r.sample() | (pick >> (12 + lane) & 1);
            mix_voice_sse2(a, volumes, output, echo, sides);
            mix_voice_scalar(b, volumes, output, echo, sides);
            wrong += a[0] != b[0] || a[1] != b[1] || a[2] != b[2] || a[3] != b[3];
        }
    }
    // The largest products (-32768 x -128 shifts to 32768, one past the
    // lane) onto every sum.
    for (int output : {-32768, 32766})
        for (int volume : {-128, 127})
            for (int sum = -32768; sum <= 32767; ++sum) {
                alignas(8) int16_t volumes[8] = {};
                for (int lane = 0; lane < 4; ++lane) volumes[2 * lane] = static_cast<int16_t>(volume);
                alignas(8) int16_t a[4], b[4];
                for (int lane = 0; lane < 4; ++lane) a[lane] = b[lane] = static_cast<int16_t>(sum);
                mix_voice_sse2(a, volumes, output, true, kMixBoth);
                mix_voice_scalar(b, volumes, output, true, kMixBoth);
                wrong += a[0] != b[0] || a[1] != b[1] || a[2] != b[2] || a[3] != b[3];
            }
    EXPECT_EQ(wrong, 0);
}

}  // namespace
}  // namespace apu
#endif
