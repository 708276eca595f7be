#include "output/resampler_design.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace apu::output {

namespace {

constexpr double kPi = std::numbers::pi;

// The interpolating kernel spans this many grid points either side; with
// kKernelBeta its passband reaches past the stopband edge and its stopband
// starts before the grid's first image, both below -130 dB.
constexpr int kKernelHalfWidth = 7;
constexpr double kKernelBeta = 14.5;
constexpr double kStopWeight = 2500;

// Lagrange interpolation in barycentric form through points x (cosines of
// the frequencies) with values y.
class Barycentric {
public:
    Barycentric(const std::vector<double>& x, const std::vector<double>& y) : x_(x), y_(y), w_(x.size()) {
        for (size_t i = 0; i < x.size(); ++i) {
            // Factors of 2 keep the products near 1 for points spread over [-1, 1].
            double p = 1;
            for (size_t j = 0; j < x.size(); ++j)
                if (j != i) p *= 2 * (x[i] - x[j]);
            w_[i] = 1 / p;
        }
    }
    double operator()(double x) const {
        double num = 0, den = 0;
        for (size_t i = 0; i < x_.size(); ++i) {
            const double d = x - x_[i];
            if (d == 0) return y_[i];
            num += w_[i] * y_[i] / d;
            den += w_[i] / d;
        }
        return num / den;
    }
    const std::vector<double>& weights() const { return w_; }

private:
    std::vector<double> x_, y_, w_;
};

}  // namespace

double bessel_i0(double x) {
    // The power series converges for every x; terms stop mattering once they
    // fall below the sum's last digit.
    const double q = x * x / 4;
    double term = 1, sum = 1;
    for (int k = 1; term > sum * 1e-17; ++k) {
        term *= q / (static_cast<double>(k) * k);
        sum += term;
    }
    return sum;
}

std::vector<double> design_equiripple_lowpass(int taps, double pass_edge, double stop_edge,
                                              double stop_weight) {
    const int terms = (taps - 1) / 2 + 1;  // cosines 0..terms-1
    const int refs = terms + 1;            // the alternation points

    // Dense frequency grid over both bands.
    const double step = kPi / (16.0 * terms);
    const int pass_points = std::max(2, static_cast<int>(std::ceil(pass_edge / step)) + 1);
    const int stop_points = std::max(2, static_cast<int>(std::ceil((kPi - stop_edge) / step)) + 1);
    const int grid_size = pass_points + stop_points;
    std::vector<double> freq(grid_size), desired(grid_size), weight(grid_size), cosine(grid_size);
    for (int i = 0; i < pass_points; ++i) {
        freq[i] = pass_edge * i / (pass_points - 1);
        desired[i] = 1;
        weight[i] = 1;
    }
    for (int i = 0; i < stop_points; ++i) {
        freq[pass_points + i] = stop_edge + (kPi - stop_edge) * i / (stop_points - 1);
        desired[pass_points + i] = 0;
        weight[pass_points + i] = stop_weight;
    }
    for (int i = 0; i < grid_size; ++i) cosine[i] = std::cos(freq[i]);

    std::vector<int> ext(refs);
    for (int i = 0; i < refs; ++i) ext[i] = static_cast<int>(static_cast<long long>(i) * (grid_size - 1) / (refs - 1));

    std::vector<double> error(grid_size);
    std::vector<double> x(refs), values(terms), xs(terms);
    double delta = 0;
    Barycentric amplitude({0.0}, {0.0});
    for (int iteration = 0; iteration < 100; ++iteration) {
        for (int i = 0; i < refs; ++i) x[i] = cosine[ext[i]];
        // The levelled error: the filter meets desired -+ delta/weight alternately.
        const Barycentric all(x, std::vector<double>(refs, 0.0));
        double num = 0, den = 0;
        for (int i = 0; i < refs; ++i) {
            num += all.weights()[i] * desired[ext[i]];
            den += all.weights()[i] * ((i & 1) ? -1 : 1) / weight[ext[i]];
        }
        delta = num / den;
        for (int i = 0; i < terms; ++i) {
            xs[i] = x[i];
            values[i] = desired[ext[i]] - ((i & 1) ? -1 : 1) * delta / weight[ext[i]];
        }
        amplitude = Barycentric(xs, values);

        double worst = 0;
        for (int j = 0; j < grid_size; ++j) {
            error[j] = weight[j] * (desired[j] - amplitude(cosine[j]));
            worst = std::max(worst, std::abs(error[j]));
        }

        // The new reference: local extrema at least |delta|, alternating in sign.
        // The margin lets the old reference points through where rounding
        // puts them a hair below |delta| (early on, delta is tiny beside the
        // errors between them).
        std::vector<int> found;
        const double floor = std::abs(delta) * 0.99;
        for (int j = 0; j < grid_size; ++j) {
            const bool first = j == 0 || j == pass_points;
            const bool last = j == pass_points - 1 || j == grid_size - 1;
            const double e = error[j];
            if (std::abs(e) < floor) continue;
            const bool peak = e > 0 ? (first || e >= error[j - 1]) && (last || e >= error[j + 1])
                                    : (first || e <= error[j - 1]) && (last || e <= error[j + 1]);
            if (!peak) continue;
            if (!found.empty() && (error[found.back()] > 0) == (e > 0)) {
                if (std::abs(e) > std::abs(error[found.back()])) found.back() = j;
                continue;
            }
            found.push_back(j);
        }
        while (static_cast<int>(found.size()) > refs) {
            if (std::abs(error[found.front()]) < std::abs(error[found.back()])) found.erase(found.begin());
            else found.pop_back();
        }
        if (static_cast<int>(found.size()) < refs || found == ext) break;
        ext = found;
        if (worst - std::abs(delta) <= 1e-9 * worst) break;
    }

    // Taps from the amplitude response at `taps` equally spaced frequencies.
    std::vector<double> sampled(terms);
    for (int k = 0; k < terms; ++k) sampled[k] = amplitude(std::cos(2 * kPi * k / taps));
    std::vector<double> h(taps);
    const int centre = terms - 1;
    for (int n = 0; n < terms; ++n) {
        double sum = sampled[0];
        for (int k = 1; k < terms; ++k) sum += 2 * sampled[k] * std::cos(2 * kPi * k * n / taps);
        h[centre + n] = h[centre - n] = sum / taps;
    }
    return h;
}

LowpassPrototype::LowpassPrototype(int half_width)
    : half_width_(half_width), kernel_beta_(kKernelBeta), kernel_i0_beta_(bessel_i0(kKernelBeta)) {
    const int half_taps = half_width * kOversampling - kKernelHalfWidth;
    const double scale = kPi / kOversampling;  // radians per grid point at one Nyquist unit
    // A passband error weighs as much as a stopband error kStopWeight times
    // smaller: 0.01 dB of ripple is about 1e-3, 120 dB of rejection 1e-6,
    // and the extra factor buys rejection headroom for float arithmetic.
    grid_ = design_equiripple_lowpass(2 * half_taps + 1, kPassEdge * scale, kStopEdge * scale, kStopWeight);
    dc_gain_ = 0;
    for (const double h : grid_) dc_gain_ += h;
}

double LowpassPrototype::kernel(double u) const {
    if (u == 0) return 1;
    const double r = u / kKernelHalfWidth;
    if (r <= -1 || r >= 1) return 0;
    return std::sin(kPi * u) / (kPi * u) * bessel_i0(kernel_beta_ * std::sqrt(1 - r * r)) / kernel_i0_beta_;
}

double LowpassPrototype::operator()(double t) const {
    const double u = t * kOversampling;  // in grid points
    const int centre = static_cast<int>(grid_.size() / 2);
    const int first = std::max(0, static_cast<int>(std::ceil(u - kKernelHalfWidth)) + centre);
    const int last = std::min(static_cast<int>(grid_.size()) - 1, static_cast<int>(std::floor(u + kKernelHalfWidth)) + centre);
    double sum = 0;
    for (int n = first; n <= last; ++n) sum += grid_[n] * kernel(u - (n - centre));
    return sum * kOversampling;
}

void LowpassPrototype::sample(double start, double spacing, int count, double* out) const {
    const double step = spacing * kOversampling;
    if (step != std::floor(step)) {
        for (int k = 0; k < count; ++k) out[k] = (*this)(start - k * spacing);
        return;
    }
    const double u = start * kOversampling;
    const double base = std::floor(u);
    const double frac = u - base;
    double weights[2 * kKernelHalfWidth + 1];  // for grid points base - m, m = -half..half
    for (int m = -kKernelHalfWidth; m <= kKernelHalfWidth; ++m) weights[m + kKernelHalfWidth] = kernel(m + frac);
    const long centre = static_cast<long>(grid_.size() / 2);
    const long size = static_cast<long>(grid_.size());
    for (int k = 0; k < count; ++k) {
        const long point = static_cast<long>(base) - static_cast<long>(step) * k + centre;
        double sum = 0;
        for (int m = -kKernelHalfWidth; m <= kKernelHalfWidth; ++m) {
            const long n = point - m;
            if (n >= 0 && n < size) sum += grid_[n] * weights[m + kKernelHalfWidth];
        }
        out[k] = sum * kOversampling;
    }
}

}  // namespace apu::output
