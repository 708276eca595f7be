#pragma once
#include <vector>

namespace apu::output {

// The resampler's low-pass filter as a function of continuous time, so that
// it can be sampled at whatever phases an output rate needs.
//
// Frequencies are in units of the lower of the two Nyquist frequencies and
// time in units of that rate's sample period (half a period of that Nyquist
// frequency). The filter is an equiripple design on a grid of kOversampling
// points per period, made continuous by band-limited interpolation with a
// short Kaiser-windowed sinc; the interpolation is flat across the filter's
// pass and transition bands and removes the grid's images.
class LowpassPrototype {
public:
    static constexpr double kPassEdge = 0.9;
    static constexpr double kStopEdge = 1.1;
    static constexpr int kOversampling = 4;

    // `half_width`: the filter is zero from this many periods on either side.
    explicit LowpassPrototype(int half_width);

    double half_width() const { return half_width_; }
    // The impulse response at time t (periods from the centre); its samples
    // one period apart sum to about 1.
    double operator()(double t) const;
    // The gain at DC: the equiripple passband's centre lies at 1, so DC
    // itself sits anywhere within the ripple.
    double dc_gain() const { return dc_gain_; }
    // out[k] = (*this)(start - k * spacing) for k < count; quicker where the
    // spacing is a whole number of grid points, as the interpolation weights
    // are then the same for every k.
    void sample(double start, double spacing, int count, double* out) const;

private:
    double kernel(double u) const;  // the interpolating sinc, u in grid points

    std::vector<double> grid_;  // the equiripple taps, centre at grid_.size() / 2
    double half_width_;
    double dc_gain_ = 1;
    double kernel_beta_;
    double kernel_i0_beta_;
};

// Minimax (equiripple) design of an odd-length linear-phase low-pass filter:
// passband [0, pass_edge], stopband [stop_edge, pi] in radians per sample,
// stopband errors weighted `stop_weight` times the passband's. Returns the
// taps.
std::vector<double> design_equiripple_lowpass(int taps, double pass_edge, double stop_edge,
                                              double stop_weight);

// The zeroth-order modified Bessel function of the first kind.
double bessel_i0(double x);

}  // namespace apu::output
