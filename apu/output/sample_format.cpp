#include "output/sample_format.h"

#include <emmintrin.h>

#include <cmath>
#include <cstring>

#include "sdk/snesapu_entry_points.h"

namespace apu::output {

bool SampleFormat::valid() const {
    return snesapu::accepts_format(channels, bits, rate);
}

namespace {

// The value in units of the format's least significant bit, rounded, then
// clamped to `bits` bits or wrapped into them.
template <int Bits>
inline int64_t quantise(float value, bool wrap) {
    constexpr double scale = Bits >= 16 ? double(int64_t(1) << (Bits - 16)) : 1.0 / (1 << (16 - Bits));
    constexpr int64_t high = (int64_t(1) << (Bits - 1)) - 1, low = -high - 1;
    const double scaled = double(value) * scale;
    // Values past ±2^62 would not convert; they clamp either way.
    int64_t q = std::fabs(scaled) < 4.6e18 ? std::llrint(scaled) : (scaled < 0 ? INT64_MIN / 2 : INT64_MAX / 2);
    if (wrap) {
        const uint64_t mask = (uint64_t(1) << Bits) - 1;
        q = int64_t((uint64_t(q) + (uint64_t(1) << (Bits - 1))) & mask) - (int64_t(1) << (Bits - 1));
    } else {
        q = q > high ? high : q < low ? low : q;
    }
    return q;
}

template <int Bits>
void write_all(const float* stereo, size_t count, uint32_t channels, bool wrap, uint8_t* out) {
    for (size_t i = 0; i < count; ++i) {
        float values[2] = {stereo[2 * i], stereo[2 * i + 1]};
        if (channels == 1) values[0] = (values[0] + values[1]) * 0.5f;
        for (uint32_t c = 0; c < channels; ++c) {
            const int64_t q = quantise<Bits>(values[c], wrap);
            if (Bits == 8) {
                *out++ = static_cast<uint8_t>(q + 128);
            } else {
                for (int b = 0; b < Bits / 8; ++b) *out++ = static_cast<uint8_t>(uint64_t(q) >> (8 * b));
            }
        }
    }
}

// The usual format, four values at a time: rounding to nearest and the
// saturating pack give what quantise<16> gives.
void write_stereo16(const float* stereo, size_t count, uint8_t* out) {
    const size_t values = count * 2;
    size_t i = 0;
    for (; i + 8 <= values; i += 8) {
        const __m128i a = _mm_cvtps_epi32(_mm_loadu_ps(stereo + i));
        const __m128i b = _mm_cvtps_epi32(_mm_loadu_ps(stereo + i + 4));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * i), _mm_packs_epi32(a, b));
    }
    for (; i < values; ++i) {
        const int16_t q = static_cast<int16_t>(quantise<16>(stereo[i], false));
        std::memcpy(out + 2 * i, &q, 2);
    }
}

}  // namespace

void write_frames(const float* stereo, size_t count, const SampleFormat& format, bool wrap, uint8_t* out) {
    switch (format.bits) {
        case 8: write_all<8>(stereo, count, format.channels, wrap, out); break;
        case 16:
            if (format.channels == 2 && !wrap) write_stereo16(stereo, count, out);
            else write_all<16>(stereo, count, format.channels, wrap, out);
            break;
        case 24: write_all<24>(stereo, count, format.channels, wrap, out); break;
        case 32: write_all<32>(stereo, count, format.channels, wrap, out); break;
        default: std::memset(out, 0, count * format.frame_bytes()); break;
    }
}

}  // namespace apu::output
