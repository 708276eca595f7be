#include "output/resampler.h"

#include <emmintrin.h>

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstring>
#include <numeric>
#include <stdexcept>

#include "output/resampler_design.h"

namespace apu::output {

namespace {

// The filter's half-length in periods of the lower rate: 60 taps per output
// from 32 kHz up, more in proportion below.
constexpr int kHalfWidth = 30;
// Above this many coefficients (512 KiB) a rate blends rows instead.
constexpr size_t kMaxExactTable = size_t{1} << 17;
// Rows per input frame when blending, at full bandwidth: linear blending
// leaves images of about (0.5 / rows)^2, below -130 dB.
constexpr uint32_t kBlendRows = 1024;
// Input frames made planar at a time.
constexpr size_t kChunk = 1024;
// Taps from 32 kHz up, the case worth a loop of its own.
constexpr int kFullBandTaps = 2 * kHalfWidth;

// One output frame: the dot product of a row with both channels' taps. The
// tap windows are aligned (see Resampler::lane), so loads fold into the
// multiplications. At the common tap count the loop is unrolled in full.
template <bool Blend>
inline __m128 coefficients(const float* row, const float* next, __m128 blend, int k) {
    const __m128 c = _mm_load_ps(row + k);
    if (!Blend) return c;
    return _mm_add_ps(c, _mm_mul_ps(blend, _mm_sub_ps(_mm_load_ps(next + k), c)));
}

inline void store_frame(__m128 l, __m128 r, float* out) {
    __m128 sum = _mm_add_ps(_mm_unpacklo_ps(l, r), _mm_unpackhi_ps(l, r));  // l0+l2 r0+r2 l1+l3 r1+r3
    sum = _mm_add_ps(sum, _mm_movehl_ps(sum, sum));
    _mm_storel_pi(reinterpret_cast<__m64*>(out), sum);
}

template <int Taps, bool Blend>
inline void filter(const float* row, const float* next, __m128 blend, const float* left, const float* right,
                   int taps, float* out) {
    if (Taps) {
        __m128 l = _mm_setzero_ps(), r = l;
#pragma GCC unroll 64
        for (int k = 0; k < Taps; k += 4) {
            const __m128 c = coefficients<Blend>(row, next, blend, k);
            l = _mm_add_ps(l, _mm_mul_ps(c, _mm_load_ps(left + k)));
            r = _mm_add_ps(r, _mm_mul_ps(c, _mm_load_ps(right + k)));
        }
        store_frame(l, r, out);
        return;
    }
    __m128 l0 = _mm_setzero_ps(), l1 = l0, r0 = l0, r1 = l0;
    int k = 0;
    for (; k + 8 <= taps; k += 8) {
        const __m128 a = coefficients<Blend>(row, next, blend, k);
        const __m128 b = coefficients<Blend>(row, next, blend, k + 4);
        l0 = _mm_add_ps(l0, _mm_mul_ps(a, _mm_load_ps(left + k)));
        r0 = _mm_add_ps(r0, _mm_mul_ps(a, _mm_load_ps(right + k)));
        l1 = _mm_add_ps(l1, _mm_mul_ps(b, _mm_load_ps(left + k + 4)));
        r1 = _mm_add_ps(r1, _mm_mul_ps(b, _mm_load_ps(right + k + 4)));
    }
    if (k < taps) {  // taps is a multiple of 4
        const __m128 a = coefficients<Blend>(row, next, blend, k);
        l0 = _mm_add_ps(l0, _mm_mul_ps(a, _mm_load_ps(left + k)));
        r0 = _mm_add_ps(r0, _mm_mul_ps(a, _mm_load_ps(right + k)));
    }
    store_frame(_mm_add_ps(l0, l1), _mm_add_ps(r0, r1), out);
}

// 16-byte aligned start of a float buffer allocated 3 floats longer.
inline float* aligned(std::vector<float>& v) {
    const uintptr_t address = reinterpret_cast<uintptr_t>(v.data());
    return v.data() + ((16 - (address & 15)) & 15) / sizeof(float);
}

}  // namespace

Resampler::Resampler(uint32_t output_rate) : output_rate_(output_rate) {
    if (output_rate < kMinRate || output_rate > kMaxRate)
        throw std::invalid_argument("output rate outside 8000..192000 Hz");
    const uint32_t common = std::gcd(output_rate, kInputRate);
    up_ = output_rate / common;
    down_ = kInputRate / common;
    down_whole_ = down_ / up_;
    down_rest_ = down_ % up_;

    // The filter is made for the lower rate; below 32 kHz an input period is
    // this fraction of an output period.
    const double scale = std::min(1.0, static_cast<double>(output_rate) / kInputRate);
    taps_ = 2 * static_cast<int>(std::ceil(kHalfWidth / scale));
    taps_ = (taps_ + 3) & ~3;
    exact_ = static_cast<uint64_t>(up_) * taps_ <= kMaxExactTable;
    rows_ = exact_ ? up_ : static_cast<uint32_t>(std::ceil(kBlendRows * scale));

    // Row r is for outputs r / rows_ of an input frame past their base
    // input, which is tap taps_ / 2 - 1; blending reads one row beyond.
    const LowpassPrototype prototype(kHalfWidth);
    const uint32_t table_rows = rows_ + (exact_ ? 0 : 1);
    table_storage_.resize(static_cast<size_t>(table_rows) * taps_ + 3);
    float* const table = aligned(table_storage_);
    std::vector<double> row(taps_);
    // Exact rows are stored in the order outputs visit them (phases 0,
    // rest, 2 rest, ... modulo up_), so the reads stream through the table.
    for (uint32_t slot = 0; slot < table_rows; ++slot) {
        const uint32_t r = exact_ ? static_cast<uint32_t>(static_cast<uint64_t>(slot) * down_rest_ % up_) : slot;
        const double offset = static_cast<double>(r) / rows_ + (taps_ / 2 - 1);
        prototype.sample(offset * scale, scale, taps_, row.data());
        // Every row passes DC alike, so no phase leaves a trace of the rate;
        // at the design's own DC gain, which keeps the ripple centred on 1.
        double sum = 0;
        for (const double c : row) sum += c;
        const double gain = prototype.dc_gain() / sum;
        for (int k = 0; k < taps_; ++k) table[static_cast<size_t>(slot) * taps_ + k] = static_cast<float>(row[k] * gain);
    }
    // The slot of a phase: phase times the inverse of down_rest_ modulo up_.
    for (uint32_t x = 0; x < up_; ++x)
        if (static_cast<uint64_t>(x) * down_rest_ % up_ == 1 % up_) {
            slot_of_phase_ = x;
            break;
        }
    stride_ = (taps_ + kChunk + 4 + 3) & ~size_t{3};
    buffer_.resize(8 * stride_ + 3);
    reset();
}

// Each channel's input is kept four times, lane s shifted s frames left
// (lane s at j holds frame j + s), so that any run of taps starting at
// frame f begins on an aligned address: lane f % 4 at f - f % 4.
float* Resampler::lane(int channel, int shift) {
    return aligned(buffer_) + static_cast<size_t>(channel * 4 + shift) * stride_;
}

void Resampler::reset() {
    phase_ = 0;
    std::fill(buffer_.begin(), buffer_.end(), 0.0f);
    filled_ = taps_;
    // The history stands for inputs -taps_..-1; frame 0's base input is 0.
    first_tap_ = taps_ / 2 + 1;
}

size_t Resampler::memory_bytes() const {
    return sizeof(*this) + (table_storage_.capacity() + buffer_.capacity()) * sizeof(float);
}

size_t Resampler::input_for(size_t frames) const {
    if (!frames) return 0;
    // Base inputs the last of these frames lies past the next one's.
    const uint64_t later = frames - 1;
    const uint64_t crossed = later * down_whole_ + (phase_ + later * down_rest_) / up_;
    return static_cast<size_t>(first_tap_ + crossed + taps_ - filled_);
}

template <int Taps, bool Blend>
void Resampler::render(float* output, size_t frames) {
    const float* const table = aligned(table_storage_);
    const float* const left[4] = {lane(0, 0), lane(0, 1), lane(0, 2), lane(0, 3)};
    const float* const right[4] = {lane(1, 0), lane(1, 1), lane(1, 2), lane(1, 3)};
    // Locals, as the output stores could otherwise alias the members.
    const int taps = taps_;
    const size_t row_size = static_cast<size_t>(taps_);
    const uint32_t up = up_, whole = down_whole_, rest = down_rest_, rows = rows_;
    const float to_blend = 1.0f / static_cast<float>(up);
    size_t first = first_tap_;
    uint32_t phase = phase_;
    uint32_t slot = static_cast<uint32_t>(static_cast<uint64_t>(phase) * slot_of_phase_ % up);
    for (size_t n = 0; n < frames; ++n) {
        const size_t shift = first & 3, at = first - shift;
        if (Blend) {
            const uint64_t fine = static_cast<uint64_t>(phase) * rows;
            const float* row = table + static_cast<size_t>(fine / up) * row_size;
            const __m128 blend = _mm_set1_ps(static_cast<float>(fine % up) * to_blend);
            filter<Taps, true>(row, row + row_size, blend, left[shift] + at, right[shift] + at, taps, output + 2 * n);
        } else {
            filter<Taps, false>(table + static_cast<size_t>(slot) * row_size, nullptr, _mm_setzero_ps(),
                                left[shift] + at, right[shift] + at, taps, output + 2 * n);
            if (++slot == up) slot = 0;
        }
        first += whole;
        phase += rest;
        if (phase >= up) {
            phase -= up;
            ++first;
        }
    }
    first_tap_ = first;
    phase_ = phase;
}

void Resampler::append(const float* input, size_t frames) {
    float* const left[4] = {lane(0, 0), lane(0, 1), lane(0, 2), lane(0, 3)};
    float* const right[4] = {lane(1, 0), lane(1, 1), lane(1, 2), lane(1, 3)};
    size_t at = filled_;
    size_t i = 0;
    for (; i < frames && at < 3; ++i, ++at) {  // frames with no place in some lanes
        for (size_t s = 0; s <= at; ++s) {
            left[s][at - s] = input[2 * i];
            right[s][at - s] = input[2 * i + 1];
        }
    }
    for (; i + 4 <= frames; i += 4, at += 4) {
        const __m128 a = _mm_loadu_ps(input + 2 * i), b = _mm_loadu_ps(input + 2 * i + 4);
        const __m128 l = _mm_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0));
        const __m128 r = _mm_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1));
        for (int s = 0; s < 4; ++s) {
            _mm_storeu_ps(left[s] + at - s, l);
            _mm_storeu_ps(right[s] + at - s, r);
        }
    }
    for (; i < frames; ++i, ++at) {
        for (int s = 0; s < 4; ++s) {
            left[s][at - s] = input[2 * i];
            right[s][at - s] = input[2 * i + 1];
        }
    }
    filled_ += frames;
}

void Resampler::keep_history() {
    const size_t drop = filled_ - taps_;
    if (!drop) return;
    for (int lane_index = 0; lane_index < 8; ++lane_index) {
        float* const p = lane(lane_index / 4, lane_index % 4);
        std::memmove(p, p + drop, taps_ * sizeof(float));
    }
    first_tap_ -= drop;
    filled_ = taps_;
}

void Resampler::process(const float* input, float* output, size_t frames) {
    size_t remaining = input_for(frames);
    while (frames) {
        // Frames whose taps are all in the buffer.
        size_t ready = 0;
        if (first_tap_ + taps_ <= filled_) {
            // Frame m's first tap is first_tap_ + (phase_ + m * down_) / up_
            // (whole part); it must stay within `spare` inputs past the next one's.
            const uint64_t spare = filled_ - taps_ - first_tap_;
            ready = static_cast<size_t>(std::min<uint64_t>(frames, ((spare + 1) * up_ - phase_ + down_ - 1) / down_));
        }
        if (ready) {
            if (!exact_) render<0, true>(output, ready);
            else if (taps_ == kFullBandTaps) render<kFullBandTaps, false>(output, ready);
            else render<0, false>(output, ready);
            output += 2 * ready;
            frames -= ready;
            continue;
        }
        keep_history();
        const size_t n = std::min(kChunk, remaining);
        assert(n > 0);
        append(input, n);
        input += 2 * n;
        remaining -= n;
    }
    keep_history();
}

void Resampler::skip(const float* tail, size_t frames) {
    if (!frames) return;
    const size_t inputs = input_for(frames);
    const uint64_t total = phase_ + static_cast<uint64_t>(frames) * down_rest_;
    const uint64_t crossed = static_cast<uint64_t>(frames) * down_whole_ + total / up_;
    phase_ = static_cast<uint32_t>(total % up_);
    first_tap_ = static_cast<size_t>(first_tap_ + crossed - inputs);
    // The history becomes the old one moved on by `inputs`, then the tail.
    const size_t kept = std::min(inputs, static_cast<size_t>(taps_));
    for (int lane_index = 0; lane_index < 8; ++lane_index) {
        float* const p = lane(lane_index / 4, lane_index % 4);
        std::memmove(p, p + kept, (taps_ - kept) * sizeof(float));
    }
    filled_ = taps_ - kept;
    append(tail, kept);
}

}  // namespace apu::output
