#include "output/interpolation.h"

#include <array>

#include "core/dsp_gaussian.h"

namespace apu::output {

namespace {

constexpr double kPi = 3.14159265358979323846;

inline int saturate16(long long x) { return x < -32768 ? -32768 : x > 32767 ? 32767 : static_cast<int>(x); }

// Compile-time sine, square root and Bessel I0, so that the sinc table is
// a constant and no instance ever builds or shares one.
constexpr double sine(double x) {
    const double turns = x / (2 * kPi);
    x -= 2 * kPi * static_cast<double>(static_cast<long long>(turns + (turns < 0 ? -0.5 : 0.5)));
    double term = x, sum = x;
    for (int k = 1; k < 30; ++k) {
        term *= -x * x / ((2.0 * k) * (2.0 * k + 1));
        sum += term;
    }
    return sum;
}

constexpr double square_root(double x) {
    if (x <= 0) return 0;
    double r = x > 1 ? x : 1;
    for (int i = 0; i < 100; ++i) r = (r + x / r) / 2;
    return r;
}

constexpr double i0(double x) {
    double term = 1, sum = 1;
    for (int k = 1; k < 60; ++k) {
        term *= x * x / (4.0 * k * k);
        sum += term;
    }
    return sum;
}

// 8-tap windowed sinc: 256 phases of the fraction's high 8 bits plus the
// end phase (all weight on samples[4]), weights times 2^14, each phase's
// weights summing to exactly 2^14 so that DC passes unchanged.
constexpr int kSincTaps = 8;
constexpr int kSincPhases = 256;
constexpr int kSincShift = 14;
constexpr double kSincBeta = 5.0;

using SincTable = std::array<std::array<int16_t, kSincTaps>, kSincPhases + 1>;

constexpr SincTable make_sinc_table() {
    SincTable table{};
    for (int p = 0; p <= kSincPhases; ++p) {
        double weights[kSincTaps] = {};
        for (int k = 0; k < kSincTaps; ++k) {
            const double d = static_cast<double>(p) / kSincPhases + 3 - k;  // from samples[k] to the point
            const double r = d / (kSincTaps / 2);
            if (r <= -1 || r >= 1) continue;
            const double sinc = d == 0 ? 1 : sine(kPi * d) / (kPi * d);
            weights[k] = sinc * i0(kSincBeta * square_root(1 - r * r)) / i0(kSincBeta);
        }
        double sum = 0;
        for (const double w : weights) sum += w;
        int total = 0, largest = 0;
        for (int k = 0; k < kSincTaps; ++k) {
            const double scaled = weights[k] / sum * (1 << kSincShift);
            table[p][k] = static_cast<int16_t>(scaled < 0 ? scaled - 0.5 : scaled + 0.5);
            total += table[p][k];
            if (table[p][k] > table[p][largest]) largest = k;
        }
        table[p][largest] = static_cast<int16_t>(table[p][largest] + (1 << kSincShift) - total);
    }
    return table;
}

constexpr SincTable kSinc = make_sinc_table();

int interpolate_none(const int16_t s[8], int) { return s[3]; }

int interpolate_linear(const int16_t s[8], int fraction) {
    return s[3] + (((s[4] - s[3]) * fraction + 2048) >> 12);
}

// Catmull-Rom: passes through samples[3] and [4] with slopes from their
// neighbours, so constants and ramps come out exact. With t = fraction /
// 4096 the curve is s3 + (C t + B t^2 + A t^3) / 2; one rounding at the end.
int interpolate_cubic(const int16_t s[8], int fraction) {
    const long long a = -s[2] + 3 * s[3] - 3 * s[4] + s[5];
    const long long b = 2 * s[2] - 5 * s[3] + 4 * s[4] - s[5];
    const long long c = s[4] - s[2];
    const long long t = fraction;
    const long long sum = ((a * t + (b << 12)) * t + (c << 24)) * t;  // times 2 * 4096^3
    return saturate16(s[3] + ((sum + (1LL << 36)) >> 37));
}

// Adjacent phases blended by the fraction's low 4 bits.
int interpolate_sinc(const int16_t s[8], int fraction) {
    const auto& lower = kSinc[fraction >> 4];
    const auto& upper = kSinc[(fraction >> 4) + 1];
    const int blend = fraction & 15;
    long long sum = 0;
    for (int k = 0; k < kSincTaps; ++k) sum += static_cast<long long>(lower[k] * (16 - blend) + upper[k] * blend) * s[k];
    constexpr int shift = kSincShift + 4;
    return saturate16((sum + (1LL << (shift - 1))) >> shift);
}

// The hardware's 512 entries are the rising half of a symmetric 1024-point
// curve; the four weights lie 256 points apart on it, the newest sample's
// at fraction / 16. Between entries the curve is taken as straight.
int gaussian_point(int j) {
    if (j < 512) return kGaussTable[j];
    if (j < 1024) return kGaussTable[1023 - j];
    return 0;
}

int interpolate_gaussian4(const int16_t s[8], int fraction) {
    const int index = fraction >> 4, blend = fraction & 15;
    int sum = 0;  // at most 16 * 2049 * 32768, within 32 bits
    for (int m = 0; m < 4; ++m) {
        const int j = index + 256 * m;
        sum += (gaussian_point(j) * (16 - blend) + gaussian_point(j + 1) * blend) * s[5 - m];
    }
    return saturate16((sum + (1 << 14)) >> 15);
}

}  // namespace

Interpolator interpolator_for(int mode) {
    switch (mode) {
        case 0: return interpolate_none;
        case 1: return interpolate_linear;
        case 2: return interpolate_cubic;
        case 4: return interpolate_sinc;
        case 7: return interpolate_gaussian4;
        default: return nullptr;  // 3: the core's own Gaussian; the rest are not defined
    }
}

}  // namespace apu::output
