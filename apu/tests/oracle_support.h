#pragma once
// Rendering with our sound system and with libgme (black-box oracle through
// its public C API), and the comparison of the two outputs.
#include <gme/gme.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/sound_system.h"

namespace apu::oracle {

constexpr int kRate = 32000;

// Our render of the snapshot. The oracle clears the echo buffer when it
// loads a file (the hardware does not), so the same is done here.
inline std::vector<int16_t> render_ours(const std::vector<uint8_t>& image, size_t frames) {
    auto system = std::make_unique<SoundSystem>();
    system->load_spc(image.data(), image.size());
    if (image.size() >= 0x10180) {
        const uint8_t* dsp = image.data() + 0x10100;
        if (!(dsp[0x6C] & 0x20)) {
            const size_t length = (dsp[0x7D] & 15) ? (dsp[0x7D] & 15) * 0x800u : 4u;
            for (size_t i = 0; i < length; ++i) system->ram()[(dsp[0x6D] * 0x100 + i) & 0xFFFF] = 0;
        }
    }
    std::vector<int16_t> out(frames * 2);
    system->render(out.data(), frames);
    return out;
}

// The oracle's render, with its silence skipping and tag-length fade off.
// Empty when it does not accept the file.
inline std::vector<int16_t> render_oracle(const std::vector<uint8_t>& image, size_t frames) {
    Music_Emu* emu = nullptr;
    if (gme_open_data(image.data(), static_cast<long>(image.size()), &emu, kRate) != nullptr) return {};
    gme_ignore_silence(emu, 1);
    gme_set_autoload_playback_limit(emu, 0);
    std::vector<int16_t> out(frames * 2);
    if (gme_start_track(emu, 0) != nullptr || gme_play(emu, static_cast<int>(frames * 2), out.data()) != nullptr)
        out.clear();
    gme_delete(emu);
    return out;
}

// Fits theirs[n] from ours[n-8..n+8] and theirs[n-1], theirs[n-2] by least
// squares (the oracle's gain and post-filter are linear), then runs the
// fitted filter on our output alone and returns the residual energy
// relative to theirs in dB. Samples near the oracle's 16-bit clipping and
// before `begin` are left out.
inline double residual_db(const std::vector<int16_t>& ours, const std::vector<int16_t>& theirs, int channel,
                          size_t begin) {
    constexpr int kLag = 8, kLead = 8, kFeedback = 2, kTerms = kLag + kLead + 1 + kFeedback;
    const size_t n = std::min(ours.size(), theirs.size()) / 2;
    std::vector<double> x(n), y(n);
    std::vector<bool> skip(n, false);
    for (size_t i = 0; i < n; ++i) {
        x[i] = ours[2 * i + channel];
        y[i] = theirs[2 * i + channel];
        if (std::abs(y[i]) >= 32767)
            for (size_t k = (i >= 2 ? i - 2 : 0); k <= i + 2 && k < n; ++k) skip[k] = true;
    }
    begin = std::max<size_t>(begin, kLag + kFeedback);
    std::vector<double> normal(kTerms * kTerms, 0.0), rhs(kTerms, 0.0), row(kTerms);
    for (size_t i = begin; i + kLead < n; ++i) {
        if (skip[i]) continue;
        for (int k = -kLag; k <= kLead; ++k) row[k + kLag] = x[i + k];
        for (int j = 1; j <= kFeedback; ++j) row[kLag + kLead + j] = y[i - j];
        for (int r = 0; r < kTerms; ++r) {
            rhs[r] += row[r] * y[i];
            for (int c = 0; c < kTerms; ++c) normal[r * kTerms + c] += row[r] * row[c];
        }
    }
    // Gauss-Jordan elimination with partial pivoting; a singular system
    // (silence) leaves the coefficients at zero.
    std::vector<double> coef(kTerms, 0.0);
    bool solved = true;
    for (int c = 0; c < kTerms && solved; ++c) {
        int p = c;
        for (int r = c + 1; r < kTerms; ++r)
            if (std::fabs(normal[r * kTerms + c]) > std::fabs(normal[p * kTerms + c])) p = r;
        if (std::fabs(normal[p * kTerms + c]) < 1e-9) {
            solved = false;
            break;
        }
        for (int k = 0; k < kTerms; ++k) std::swap(normal[c * kTerms + k], normal[p * kTerms + k]);
        std::swap(rhs[c], rhs[p]);
        for (int r = 0; r < kTerms; ++r) {
            if (r == c) continue;
            const double f = normal[r * kTerms + c] / normal[c * kTerms + c];
            for (int k = c; k < kTerms; ++k) normal[r * kTerms + k] -= f * normal[c * kTerms + k];
            rhs[r] -= f * rhs[c];
        }
    }
    if (solved)
        for (int c = 0; c < kTerms; ++c) coef[c] = rhs[c] / normal[c * kTerms + c];
    std::vector<double> fitted(n, 0.0);
    double error = 0, power = 0;
    for (size_t i = kLag; i + kLead < n; ++i) {
        double v = 0;
        for (int k = -kLag; k <= kLead; ++k) v += coef[k + kLag] * x[i + k];
        for (int j = 1; j <= kFeedback; ++j) v += coef[kLag + kLead + j] * fitted[i - j];
        fitted[i] = v;
        if (i >= begin && !skip[i]) {
            error += (y[i] - v) * (y[i] - v);
            power += y[i] * y[i];
        }
    }
    if (power == 0) return error == 0 ? -300.0 : 300.0;
    return 10 * std::log10(std::max(error, 1e-30) / power);
}

// Agreement with the oracle under a fixed model of it, in dB (higher is
// better, silence scores about 0): its output is ours x 179/128, three
// samples later, clamped to 16 bits, then its DC-blocking filter. Both sides lose everything
// below 100 Hz (a 2-pole high-pass), the samples before `begin` and those
// the oracle clipped are left out, and the oracle's energy is divided by
// the error's. Nothing is fitted, so the oracle cannot predict itself.
inline double agreement_db(const std::vector<int16_t>& ours, const std::vector<int16_t>& theirs, int channel,
                           size_t begin) {
    constexpr int kDelay = 3;
    constexpr double kGain = 179.0 / 128.0;
    const size_t n = std::min(ours.size(), theirs.size()) / 2;
    // Butterworth high-pass at 100 Hz, bilinear transform at 32 kHz.
    const double k = std::tan(3.14159265358979323846 * 100.0 / kRate);
    const double norm = 1 / (1 + std::sqrt(2.0) * k + k * k);
    const double b0 = norm, b1 = -2 * norm, b2 = norm;
    const double a1 = 2 * (k * k - 1) * norm, a2 = (1 - std::sqrt(2.0) * k + k * k) * norm;
    struct high_pass {
        double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    } ours_filter, theirs_filter;
    auto run = [&](high_pass& f, double x) {
        const double y = b0 * x + b1 * f.x1 + b2 * f.x2 - a1 * f.y1 - a2 * f.y2;
        f.x2 = f.x1, f.x1 = x, f.y2 = f.y1, f.y1 = y;
        return y;
    };
    double error = 0, power = 0;
    for (size_t i = 0; i < n; ++i) {
        const double model =
            i >= kDelay ? std::clamp(ours[2 * (i - kDelay) + channel] * kGain, -32768.0, 32767.0) : 0.0;
        const double mine = run(ours_filter, model);
        const double reference = run(theirs_filter, theirs[2 * i + channel]);
        if (i < begin || std::abs(theirs[2 * i + channel]) >= 32767) continue;
        error += (reference - mine) * (reference - mine);
        power += reference * reference;
    }
    if (power == 0) return error == 0 ? 300.0 : -300.0;
    return 10 * std::log10(power / std::max(error, 1e-30));
}

}  // namespace apu::oracle
