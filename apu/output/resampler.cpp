#include "output/resampler.h"

#include <immintrin.h>

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
constexpr size_t kChunk = 4096;
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

// The same with 8-wide fused multiply-adds, for processors that have them.
// The windows start 32-byte aligned and the row is read from where it meets
// them (see render_wide), `Vectors` vectors of 8, or `vectors`.
#define APU_WIDE __attribute__((target("avx2,fma")))

// The sums of the lanes of la, ra, lb and rb, in that order. Each sum is
// formed alike whatever the other pair is, so a frame made alone has the
// bits it has when made with another.
APU_WIDE inline __m128 sum_pair(__m256 la, __m256 ra, __m256 lb, __m256 rb) {
    const __m256 sums = _mm256_hadd_ps(_mm256_hadd_ps(la, ra), _mm256_hadd_ps(lb, rb));
    return _mm_add_ps(_mm256_castps256_ps128(sums), _mm256_extractf128_ps(sums, 1));
}

template <int Vectors>
APU_WIDE inline void filter_wide(const float* row, const float* left, const float* right, int vectors, float* out) {
    const int count = 8 * (Vectors ? Vectors : vectors);
    __m256 l = _mm256_setzero_ps(), r = l;
#pragma GCC unroll 16
    for (int k = 0; k < count; k += 8) {
        const __m256 c = _mm256_loadu_ps(row + k);
        l = _mm256_fmadd_ps(c, _mm256_load_ps(left + k), l);
        r = _mm256_fmadd_ps(c, _mm256_load_ps(right + k), r);
    }
    _mm_storel_pi(reinterpret_cast<__m64*>(out), sum_pair(l, r, l, r));
}

// Two frames with the same row, to `out_a` and `out_b`.
template <int Vectors>
APU_WIDE inline void filter_wide_pair(const float* row, const float* left_a, const float* right_a, const float* left_b,
                                      const float* right_b, int vectors, float* out_a, float* out_b) {
    const int count = 8 * (Vectors ? Vectors : vectors);
    __m256 la = _mm256_setzero_ps(), ra = la, lb = la, rb = la;
#pragma GCC unroll 16
    for (int k = 0; k < count; k += 8) {
        const __m256 c = _mm256_loadu_ps(row + k);
        la = _mm256_fmadd_ps(c, _mm256_load_ps(left_a + k), la);
        ra = _mm256_fmadd_ps(c, _mm256_load_ps(right_a + k), ra);
        lb = _mm256_fmadd_ps(c, _mm256_load_ps(left_b + k), lb);
        rb = _mm256_fmadd_ps(c, _mm256_load_ps(right_b + k), rb);
    }
    const __m128 both = sum_pair(la, ra, lb, rb);
    _mm_storel_pi(reinterpret_cast<__m64*>(out_a), both);
    _mm_storeh_pi(reinterpret_cast<__m64*>(out_b), both);
}

// The frames j, j + period, ... below `frames` that share a row and an
// alignment; `left` and `right` are the first one's windows, the next ones
// lie `step` further on.
template <int Vectors>
APU_WIDE void render_row(const float* row, const float* left, const float* right, size_t step, size_t j,
                         size_t period, size_t frames, int vectors, float* output) {
    size_t n = j;
    for (; n + period < frames; n += 2 * period, left += 2 * step, right += 2 * step)
        filter_wide_pair<Vectors>(row, left, right, left + step, right + step, vectors, output + 2 * n,
                                  output + 2 * (n + period));
    if (n < frames) filter_wide<Vectors>(row, left, right, vectors, output + 2 * n);
}

// The runtime's constructor has found the features by the time this runs.
bool has_wide_instructions() {
#if defined(__GNUC__)
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
#else
    return false;
#endif
}

// 32-byte aligned start of a float buffer allocated 7 floats longer.
inline float* aligned(std::vector<float>& v) {
    const uintptr_t address = reinterpret_cast<uintptr_t>(v.data());
    return v.data() + ((32 - (address & 31)) & 31) / sizeof(float);
}

}  // namespace

Resampler::Resampler(uint32_t output_rate, Instructions instructions) : output_rate_(output_rate) {
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
    wide_ = exact_ && instructions == Instructions::best && has_wide_instructions();
    shifts_ = wide_ ? 1 : 4;
    rows_ = exact_ ? up_ : static_cast<uint32_t>(std::ceil(kBlendRows * scale));

    // Row r is for outputs r / rows_ of an input frame past their base
    // input, which is tap taps_ / 2 - 1; blending reads one row beyond.
    const LowpassPrototype prototype(kHalfWidth);
    const uint32_t table_rows = rows_ + (exact_ ? 0 : 1);
    table_storage_.assign(kRowGap + static_cast<size_t>(table_rows) * row_stride() + 7, 0.0f);
    float* const table = rows();
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
        for (int k = 0; k < taps_; ++k) table[slot * row_stride() + k] = static_cast<float>(row[k] * gain);
    }
    // The slot of a phase: phase times the inverse of down_rest_ modulo up_.
    for (uint32_t x = 0; x < up_; ++x)
        if (static_cast<uint64_t>(x) * down_rest_ % up_ == 1 % up_) {
            slot_of_phase_ = x;
            break;
        }
    // Room for the history (up to 7 frames past taps_, see keep_history),
    // a chunk, and the wide path's reads up to 7 frames past a window.
    stride_ = (taps_ + 7 + kChunk + 8 + 7) & ~size_t{7};
    buffer_.resize(2 * shifts_ * stride_ + 7);
    reset();
}

// For SSE2 each channel's input is kept four times, lane s shifted s frames
// left (lane s at j holds frame j + s), so that any run of taps starting at
// frame f begins on an aligned address: lane f % 4 at f - f % 4. The wide
// path keeps lane 0 alone.
float* Resampler::lane(int channel, int shift) {
    return aligned(buffer_) + static_cast<size_t>(channel * shifts_ + shift) * stride_;
}

float* Resampler::rows() { return aligned(table_storage_) + kRowGap; }

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
    const float* const table = rows();
    const Lanes lanes = read_lanes();
    // Locals, as the output stores could otherwise alias the members.
    const int taps = taps_;
    const size_t row_size = row_stride();
    const Steps steps{up_, down_whole_, down_rest_};
    const uint32_t rows = rows_;
    const float to_blend = 1.0f / static_cast<float>(up_);
    Cursor at = cursor();
    for (size_t n = 0; n < frames; ++n) {
        const size_t shift = at.first & 3, base = at.first - shift;
        if (Blend) {
            const uint64_t fine = static_cast<uint64_t>(at.phase) * rows;
            const float* row = table + static_cast<size_t>(fine / steps.up) * row_size;
            const __m128 blend = _mm_set1_ps(static_cast<float>(fine % steps.up) * to_blend);
            filter<Taps, true>(row, row + row_size, blend, lanes.left[shift] + base, lanes.right[shift] + base, taps,
                               output + 2 * n);
        } else {
            filter<Taps, false>(table + static_cast<size_t>(at.slot) * row_size, nullptr, _mm_setzero_ps(),
                                lanes.left[shift] + base, lanes.right[shift] + base, taps, output + 2 * n);
        }
        advance(at, steps);
    }
    first_tap_ = at.first;
    phase_ = at.phase;
}

Resampler::Lanes Resampler::read_lanes() {
    Lanes lanes{};
    for (int s = 0; s < shifts_; ++s) {
        lanes.left[s] = lane(0, s);
        lanes.right[s] = lane(1, s);
    }
    return lanes;
}

Resampler::Cursor Resampler::cursor() const {
    return {first_tap_, phase_, static_cast<uint32_t>(static_cast<uint64_t>(phase_) * slot_of_phase_ % up_)};
}

namespace {

// Row by row: frame n + up_ uses the row of frame n, down_ inputs later, so
// a row is read once per call and then reused. Frames `repeat` such steps
// apart also share the alignment of their windows, which start at the
// 32-byte boundary below the first tap; the row is read from `align`
// places before it, where the zeros between rows lie. The buffer only ever
// drops multiples of 8 frames, so a frame's alignment, and with it the
// order its products are summed in, depends on nothing but its position.
APU_WIDE void render_wide(const float* table, size_t row_stride, int taps, const Resampler::Lanes& lanes,
                          Resampler::Steps steps, uint32_t down, Resampler::Cursor at, float* output, size_t frames) {
    const uint32_t repeat = 8 / std::gcd(down, 8u);
    const size_t period = size_t{steps.up} * repeat, step = size_t{down} * repeat;
    for (size_t j = 0; j < std::min(period, frames); ++j, Resampler::advance(at, steps)) {
        const size_t align = at.first & 7;
        const int vectors = static_cast<int>((align + taps + 7) / 8);
        // The zeros between the rows stand in for the taps before and after.
        const float* const row = table + size_t{at.slot} * row_stride - align;
        const float* const left = lanes.left[0] + at.first - align;
        const float* const right = lanes.right[0] + at.first - align;
        // The full-band rows take 8 or 9 vectors; they are worth loops of their own.
        if (vectors == 8) render_row<8>(row, left, right, step, j, period, frames, vectors, output);
        else if (vectors == 9) render_row<9>(row, left, right, step, j, period, frames, vectors, output);
        else render_row<0>(row, left, right, step, j, period, frames, vectors, output);
    }
}

}  // namespace

void Resampler::render_exact(float* output, size_t frames) {
    if (!wide_) {
        if (taps_ == kFullBandTaps) render<kFullBandTaps, false>(output, frames);
        else render<0, false>(output, frames);
        return;
    }
    render_wide(rows(), row_stride(), taps_, read_lanes(), Steps{up_, down_whole_, down_rest_}, down_, cursor(),
                output, frames);
    const uint64_t phase = phase_ + static_cast<uint64_t>(frames) * down_rest_;
    first_tap_ += static_cast<size_t>(frames * down_whole_ + phase / up_);
    phase_ = static_cast<uint32_t>(phase % up_);
}

namespace {

// Four input frames as their left and right values.
inline void load_four(const float* input, __m128& left, __m128& right) {
    const __m128 a = _mm_loadu_ps(input), b = _mm_loadu_ps(input + 4);
    left = _mm_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0));
    right = _mm_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1));
}

inline void load_four(const int16_t* input, __m128& left, __m128& right) {
    const __m128i pairs = _mm_loadu_si128(reinterpret_cast<const __m128i*>(input));  // left in the low halves
    left = _mm_cvtepi32_ps(_mm_srai_epi32(_mm_slli_epi32(pairs, 16), 16));
    right = _mm_cvtepi32_ps(_mm_srai_epi32(pairs, 16));
}

}  // namespace

template <class Sample>
void Resampler::append(const Sample* input, size_t frames) {
    float* left[4] = {};
    float* right[4] = {};
    for (int s = 0; s < shifts_; ++s) {
        left[s] = lane(0, s);
        right[s] = lane(1, s);
    }
    const size_t shifts = shifts_;
    size_t at = filled_;
    size_t i = 0;
    for (; i < frames && at < shifts - 1; ++i, ++at) {  // frames with no place in some lanes
        for (size_t s = 0; s <= at; ++s) {
            left[s][at - s] = static_cast<float>(input[2 * i]);
            right[s][at - s] = static_cast<float>(input[2 * i + 1]);
        }
    }
    for (; i + 4 <= frames; i += 4, at += 4) {
        __m128 l, r;
        load_four(input + 2 * i, l, r);
        for (size_t s = 0; s < shifts; ++s) {
            _mm_storeu_ps(left[s] + at - s, l);
            _mm_storeu_ps(right[s] + at - s, r);
        }
    }
    for (; i < frames; ++i, ++at) {
        for (size_t s = 0; s < shifts; ++s) {
            left[s][at - s] = static_cast<float>(input[2 * i]);
            right[s][at - s] = static_cast<float>(input[2 * i + 1]);
        }
    }
    filled_ += frames;
}

void Resampler::drop_oldest(size_t count, size_t kept) {
    for (int channel = 0; channel < 2; ++channel) {
        for (int shift = 0; shift < shifts_; ++shift) {
            float* const p = lane(channel, shift);
            std::memmove(p, p + count, kept * sizeof(float));
        }
    }
}

// Drops what no later output reads, in multiples of 8 frames (see
// render_wide), so up to 7 frames more than the taps stay.
void Resampler::keep_history() {
    const size_t drop = (filled_ - taps_) & ~size_t{7};
    if (!drop) return;
    drop_oldest(drop, filled_ - drop);
    first_tap_ -= drop;
    filled_ -= drop;
}

template <class Sample>
void Resampler::run(const Sample* input, float* output, size_t frames) {
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
            if (exact_) render_exact(output, ready);
            else render<0, true>(output, ready);
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

void Resampler::process(const float* input, float* output, size_t frames) { run(input, output, frames); }

void Resampler::process(const int16_t* input, float* output, size_t frames) { run(input, output, frames); }

void Resampler::skip(const float* tail, size_t frames) {
    if (!frames) return;
    const size_t inputs = input_for(frames);
    const size_t given = std::min(inputs, history());
    const uint64_t total = phase_ + static_cast<uint64_t>(frames) * down_rest_;
    const uint64_t crossed = static_cast<uint64_t>(frames) * down_whole_ + total / up_;
    phase_ = static_cast<uint32_t>(total % up_);
    // The buffer becomes its last `kept` frames as if the inputs had been
    // appended, dropping a multiple of 8 as keep_history() does.
    const size_t kept = filled_ + inputs - ((filled_ + inputs - taps_) & ~size_t{7});
    first_tap_ = static_cast<size_t>(first_tap_ + crossed - (filled_ + inputs - kept));
    const size_t new_ones = std::min(inputs, kept), old_ones = kept - new_ones;
    drop_oldest(filled_ - old_ones, old_ones);
    filled_ = old_ones;
    append(tail + 2 * (given - new_ones), new_ones);
}

}  // namespace apu::output
