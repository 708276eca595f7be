#include "output/resampler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstring>
#include <functional>
#include <random>
#include <stdexcept>
#include <vector>

using apu::output::Resampler;

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kFullScale = 32768.0;

// --- Spectrum measurement -------------------------------------------------
// A 16384-point FFT of steady-state output under a Kaiser window (beta 20,
// sidelobes far below -150 dB), in double precision, so that a spur at
// -130 dBFS stands well clear of the window's own leakage.
constexpr size_t kFftSize = 16384;
constexpr size_t kMainLobe = 16;  // bins either side of a tone that belong to it

void fft(std::vector<std::complex<double>>& a) {
    const size_t n = a.size();
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) j ^= bit;
        j ^= bit;
        if (i < j) std::swap(a[i], a[j]);
    }
    for (size_t len = 2; len <= n; len <<= 1) {
        const double angle = -2 * kPi / static_cast<double>(len);
        for (size_t i = 0; i < n; i += len)
            for (size_t k = 0; k < len / 2; ++k) {
                const std::complex<double> w = std::polar(1.0, angle * static_cast<double>(k));
                const std::complex<double> u = a[i + k], v = a[i + k + len / 2] * w;
                a[i + k] = u + v;
                a[i + k + len / 2] = u - v;
            }
    }
}

double bessel_i0(double x) {
    double term = 1, sum = 1;
    for (int k = 1; k < 80; ++k) {
        term *= x * x / (4.0 * k * k);
        sum += term;
    }
    return sum;
}

// Amplitude spectrum relative to full scale (a full-scale sine reads 1 at
// its bin), bins 0..N/2.
std::vector<double> spectrum(const std::vector<double>& x) {
    std::vector<std::complex<double>> a(kFftSize);
    double window_sum = 0;
    for (size_t i = 0; i < kFftSize; ++i) {
        const double r = 2.0 * static_cast<double>(i) / (kFftSize - 1) - 1;
        const double w = bessel_i0(20 * std::sqrt(std::max(0.0, 1 - r * r)));
        window_sum += w;
        a[i] = x[i] * w;
    }
    fft(a);
    std::vector<double> magnitude(kFftSize / 2 + 1);
    for (size_t k = 0; k < magnitude.size(); ++k) magnitude[k] = std::abs(a[k]) / (window_sum / 2) / kFullScale;
    return magnitude;
}

double db(double amplitude) { return 20 * std::log10(std::max(amplitude, 1e-30)); }

struct ToneResult {
    double gain_db;  // at the tone's bin
    double spur_db;  // the highest bin away from the tone, dBFS
};

// `tone_bin` is where the tone lands in the output's FFT; tone_bin 0
// means the tone is not expected in the output at all.
ToneResult measure(const std::vector<double>& x, size_t tone_bin, double amplitude) {
    const std::vector<double> m = spectrum(x);
    ToneResult r{0, -400};
    if (tone_bin) r.gain_db = db(m[tone_bin] * kFullScale / amplitude);
    for (size_t k = 0; k < m.size(); ++k) {
        if (tone_bin && k + kMainLobe >= tone_bin && k <= tone_bin + kMainLobe) continue;
        r.spur_db = std::max(r.spur_db, db(m[k]));
    }
    return r;
}

// Any converter under test: input frames (interleaved) to `frames` output frames.
using Converter = std::function<std::vector<float>(const std::function<double(size_t, int)>& input, size_t frames)>;

Converter converter_for(uint32_t rate, Resampler::Instructions set) {
    return [rate, set](const std::function<double(size_t, int)>& input, size_t frames) {
        Resampler resampler(rate, set);
        const size_t needed = resampler.input_for(frames);
        std::vector<float> in(2 * needed), out(2 * frames);
        for (size_t i = 0; i < needed; ++i)
            for (int c = 0; c < 2; ++c) in[2 * i + c] = static_cast<float>(input(i, c));
        resampler.process(in.data(), out.data(), frames);
        return out;
    };
}

// Linear interpolation: what the measurement must reject.
Converter linear_for(uint32_t rate) {
    return [rate](const std::function<double(size_t, int)>& input, size_t frames) {
        std::vector<float> out(2 * frames);
        for (size_t n = 0; n < frames; ++n) {
            const uint64_t position = static_cast<uint64_t>(n) * Resampler::kInputRate;
            const size_t i = static_cast<size_t>(position / rate);
            const double f = static_cast<double>(position % rate) / rate;
            for (int c = 0; c < 2; ++c) out[2 * n + c] = static_cast<float>(input(i, c) * (1 - f) + input(i + 1, c) * f);
        }
        return out;
    };
}

// Tones on both channels: left at left_hz, right at right_hz (input Hz),
// full scale; returns the measurement of each channel.
constexpr size_t kSettle = 512;  // output frames before the measured stretch

std::pair<ToneResult, ToneResult> run_tones(const Converter& convert, uint32_t rate, double left_hz, double right_hz) {
    const double hz[2] = {left_hz, right_hz};
    const double amplitude = 32767;
    const std::vector<float> out = convert(
        [&](size_t i, int c) { return amplitude * std::sin(2 * kPi * hz[c] * static_cast<double>(i) / Resampler::kInputRate); },
        kSettle + kFftSize);
    ToneResult results[2];
    for (int c = 0; c < 2; ++c) {
        std::vector<double> x(kFftSize);
        for (size_t i = 0; i < kFftSize; ++i) x[i] = out[2 * (kSettle + i) + c];
        const double bin = hz[c] * kFftSize / rate;
        const bool in_band = hz[c] < rate / 2.0;
        results[c] = measure(x, in_band ? static_cast<size_t>(std::lround(bin)) : 0, amplitude);
    }
    return {results[0], results[1]};
}

// An input frequency that lands exactly on output bin k, so the window's
// gain at the tone is exact.
double bin_hz(uint32_t rate, size_t k) { return static_cast<double>(k) * rate / kFftSize; }

double lower_nyquist(uint32_t rate) { return std::min<double>(rate, Resampler::kInputRate) / 2; }

constexpr double kMaxRippleDb = 0.01;
constexpr double kMinRejectionDb = 120;

const uint32_t kRates[] = {8000, 22050, 44100, 48000, 96000, 192000, 44101};

// Both ways of working out the dot products; `best` is SSE2 as well on a
// processor without AVX2 and FMA.
const Resampler::Instructions kSets[] = {Resampler::Instructions::sse2, Resampler::Instructions::best};

}  // namespace

// Tones across the passband keep their level within the ripple, and nothing
// else in the output (images of the tones, aliases) rises above -120 dBFS.
// One case per rate.
class ResamplerAtRate : public ::testing::TestWithParam<uint32_t> {};

TEST_P(ResamplerAtRate, PassbandIsFlatAndImagesAreRejected) {
    const uint32_t rate = GetParam();
    for (const auto set : kSets) {
        SCOPED_TRACE(set == Resampler::Instructions::sse2 ? "SSE2" : "best");
        const double edge = 0.9 * lower_nyquist(rate);
        const size_t last_bin = static_cast<size_t>(edge * kFftSize / rate);
        // Eight tones from near DC to the passband edge, two per run.
        for (int step = 0; step < 8; step += 2) {
            const size_t a = kMainLobe + 1 + (last_bin - kMainLobe - 1) * step / 7;
            const size_t b = kMainLobe + 1 + (last_bin - kMainLobe - 1) * (step + 1) / 7;
            const auto [left, right] = run_tones(converter_for(rate, set), rate, bin_hz(rate, a), bin_hz(rate, b));
            for (const ToneResult& r : {left, right}) {
                EXPECT_LE(std::abs(r.gain_db), kMaxRippleDb) << "tone at bin " << a << " or " << b;
                EXPECT_LE(r.spur_db, -kMinRejectionDb) << "tone at bin " << a << " or " << b;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Resampler, ResamplerAtRate, ::testing::ValuesIn(kRates),
                         [](const ::testing::TestParamInfo<uint32_t>& info) { return std::to_string(info.param); });

// Input above 110 % of the output's Nyquist frequency must not alias back.
TEST(Resampler, InputAboveTheOutputBandIsRejected) {
    for (const auto set : kSets) {
        for (const uint32_t rate : {8000u, 22050u}) {
            SCOPED_TRACE(rate);
            const double stop = 1.1 * rate / 2;
            const auto [left, right] = run_tones(converter_for(rate, set), rate, stop + 50, 15900);
            EXPECT_LE(left.spur_db, -kMinRejectionDb);
            EXPECT_LE(right.spur_db, -kMinRejectionDb);
        }
    }
}

// The measurement itself must be able to fail: linear interpolation leaves
// images and aliases far above the limit, and droops in the passband.
TEST(Resampler, TheMeasurementRejectsLinearInterpolation) {
    for (const uint32_t rate : {44100u, 22050u}) {
        const double edge = 0.9 * lower_nyquist(rate);
        const auto [left, right] =
            run_tones(linear_for(rate), rate, bin_hz(rate, 400), bin_hz(rate, static_cast<size_t>(edge * kFftSize / rate)));
        EXPECT_GT(left.spur_db, -kMinRejectionDb) << rate;
        EXPECT_GT(std::abs(right.gain_db), kMaxRippleDb) << rate;
    }
}

// The delay is compensated: an impulse at input frame 3200 (0.1 s) peaks at
// output frame rate / 10, and the response is symmetric around it.
TEST(Resampler, OutputIsAlignedWithInput) {
    for (const uint32_t rate : {8000u, 44100u, 48000u, 96000u}) {
        SCOPED_TRACE(rate);
        const size_t frames = rate / 5;
        const std::vector<float> out = converter_for(rate, Resampler::Instructions::best)(
            [](size_t i, int) { return i == 3200 ? 30000.0 : 0.0; }, frames);
        const size_t centre = rate / 10;
        size_t peak = 0;
        for (size_t n = 0; n < frames; ++n)
            if (std::abs(out[2 * n]) > std::abs(out[2 * peak])) peak = n;
        EXPECT_EQ(peak, centre);
        for (size_t d = 1; d < 20; ++d) EXPECT_NEAR(out[2 * (centre - d)], out[2 * (centre + d)], 1e-2) << d;
    }
}

// DC passes at the same gain at every phase, within the passband ripple.
TEST(Resampler, ConstantInputStaysConstant) {
    const double ripple = std::pow(10.0, kMaxRippleDb / 20) - 1;
    for (const auto set : kSets) {
        for (const uint32_t rate : kRates) {
            const std::vector<float> out =
                converter_for(rate, set)([](size_t, int c) { return c ? -12345.0 : 20000.0; }, 4000);
            EXPECT_NEAR(out[2000], 20000.0, 20000 * ripple) << rate;
            for (size_t n = 1000; n < 4000; ++n) {
                ASSERT_NEAR(out[2 * n], out[2000], 0.05) << rate << " frame " << n;
                ASSERT_NEAR(out[2 * n + 1] / out[2 * n], -12345.0 / 20000.0, 1e-6) << rate << " frame " << n;
            }
        }
    }
}

namespace {

std::vector<float> noise(size_t frames, uint32_t seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> value(-32768, 32767);
    std::vector<float> x(2 * frames);
    for (float& v : x) v = value(random);
    return x;
}

}  // namespace

// However the output is split into calls, the input asked for adds up to
// what one call would take, and the output is the same to the bit.
TEST(Resampler, CallSizesDoNotMatter) {
    for (const auto set : kSets) {
        for (const uint32_t rate : kRates) {
            SCOPED_TRACE(rate);
            const size_t total = 20000;
            Resampler whole(rate, set);
            const size_t needed = whole.input_for(total);
            const std::vector<float> input = noise(needed, rate);
            std::vector<float> expected(2 * total);
            whole.process(input.data(), expected.data(), total);

            Resampler split(rate, set);
            std::mt19937 random(7);
            std::vector<float> out(2 * total);
            size_t produced = 0, consumed = 0;
            while (produced < total) {
                // Mostly small calls, some empty, some spanning several chunks.
                size_t n = random() % 4 == 0 ? random() % 3000 : random() % 40;
                n = std::min(n, total - produced);
                const size_t in = split.input_for(n);
                if (n == 0) {
                    EXPECT_EQ(in, 0u);
                }
                ASSERT_LE(consumed + in, needed);
                split.process(input.data() + 2 * consumed, out.data() + 2 * produced, n);
                consumed += in;
                produced += n;
            }
            EXPECT_EQ(consumed, needed);
            EXPECT_EQ(std::memcmp(out.data(), expected.data(), out.size() * sizeof(float)), 0);
        }
    }
}

// Skipping with only the tail of the input leaves the same state as
// processing: what follows is bit-identical. Covers skips shorter and
// longer than the history, and a skip right after construction.
TEST(Resampler, SkipThenProcessEqualsProcessing) {
    for (const auto set : kSets) {
        for (const uint32_t rate : kRates) {
            SCOPED_TRACE(rate);
            Resampler reference(rate, set), seeker(rate, set);
            for (const size_t before : {size_t{0}, size_t{1}, size_t{777}}) {
                for (const size_t skipped : {size_t{1}, size_t{5}, size_t{30}, size_t{5000}}) {
                    const size_t after = 3000;
                    reference.reset();
                    seeker.reset();
                    const size_t total_in = reference.input_for(before + skipped + after);
                    const std::vector<float> input = noise(total_in, static_cast<uint32_t>(before * 31 + skipped));
                    std::vector<float> expected(2 * (before + skipped + after));
                    reference.process(input.data(), expected.data(), before + skipped + after);

                    std::vector<float> out(2 * std::max(before, after));
                    size_t consumed = seeker.input_for(before);
                    seeker.process(input.data(), out.data(), before);
                    const size_t skip_in = seeker.input_for(skipped);
                    const size_t tail = std::min(seeker.history(), skip_in);
                    seeker.skip(input.data() + 2 * (consumed + skip_in - tail), skipped);
                    consumed += skip_in;
                    ASSERT_EQ(consumed + seeker.input_for(after), total_in);
                    seeker.process(input.data() + 2 * consumed, out.data(), after);
                    EXPECT_EQ(std::memcmp(out.data(), expected.data() + 2 * (before + skipped), 2 * after * sizeof(float)), 0)
                        << "before " << before << " skipped " << skipped;
                }
            }
        }
    }
}

// 16-bit input gives what the same values as floats give.
TEST(Resampler, SixteenBitInputEqualsItsFloatValues) {
    for (const auto set : kSets) {
        for (const uint32_t rate : {8000u, 44100u, 96000u, 44101u}) {
            Resampler from_floats(rate, set), from_integers(rate, set);
            const size_t frames = 3001, needed = from_floats.input_for(frames);
            const std::vector<float> values = noise(needed, rate);
            std::vector<int16_t> integers(values.size());
            std::vector<float> floats(values.size());
            for (size_t i = 0; i < values.size(); ++i) floats[i] = integers[i] = static_cast<int16_t>(values[i]);
            std::vector<float> expected(2 * frames), out(2 * frames);
            from_floats.process(floats.data(), expected.data(), frames);
            from_integers.process(integers.data(), out.data(), frames);
            EXPECT_EQ(std::memcmp(out.data(), expected.data(), out.size() * sizeof(float)), 0) << rate;
        }
    }
}

TEST(Resampler, ResetReturnsToTheStart) {
    Resampler resampler(44100);
    const std::vector<float> input = noise(resampler.input_for(5000), 3);
    std::vector<float> first(10000), second(10000);
    resampler.process(input.data(), first.data(), 5000);
    resampler.reset();
    ASSERT_EQ(resampler.input_for(5000), input.size() / 2);
    resampler.process(input.data(), second.data(), 5000);
    EXPECT_EQ(first, second);
}

TEST(Resampler, RatesOutsideTheRangeAreRefused) {
    EXPECT_THROW(Resampler(7999), std::invalid_argument);
    EXPECT_THROW(Resampler(192001), std::invalid_argument);
    EXPECT_NO_THROW(Resampler(8000));
    EXPECT_NO_THROW(Resampler(192000));
}

// About 1 MiB at most at any rate, the blended ones included.
TEST(Resampler, MemoryStaysBounded) {
    for (const uint32_t rate : {8000u, 8001u, 11025u, 22050u, 31999u, 32000u, 44100u, 44101u, 191999u, 192000u}) {
        const Resampler resampler(rate);
        EXPECT_LE(resampler.memory_bytes(), size_t{1} << 20) << rate;
    }
}
