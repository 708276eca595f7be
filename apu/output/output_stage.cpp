#include "output/output_stage.h"

#include <emmintrin.h>

#include <algorithm>

#include "output/dsp_options.h"
#include "output/resampler.h"
#include "sdk/snesapu_entry_points.h"

namespace apu::output {

namespace {

// The largest magnitude of each channel, two frames a vector, in four
// independent chains so that no maximum waits on the one before.
void peaks(const float* stereo, size_t frames, float peak[2]) {
    const __m128 magnitude = _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF));
    __m128 top[4] = {_mm_setzero_ps(), _mm_setzero_ps(), _mm_setzero_ps(), _mm_setzero_ps()};
    size_t i = 0;
    for (; i + 8 <= frames; i += 8)
        for (int k = 0; k < 4; ++k) top[k] = _mm_max_ps(top[k], _mm_and_ps(_mm_loadu_ps(stereo + 2 * i + 4 * k), magnitude));
    top[0] = _mm_max_ps(_mm_max_ps(top[0], top[1]), _mm_max_ps(top[2], top[3]));
    for (; i + 2 <= frames; i += 2) top[0] = _mm_max_ps(top[0], _mm_and_ps(_mm_loadu_ps(stereo + 2 * i), magnitude));
    if (i < frames) {
        const __m128 last = _mm_castpd_ps(_mm_load_sd(reinterpret_cast<const double*>(stereo + 2 * i)));
        top[0] = _mm_max_ps(top[0], _mm_and_ps(last, magnitude));
    }
    top[0] = _mm_max_ps(top[0], _mm_movehl_ps(top[0], top[0]));
    _mm_storel_pi(reinterpret_cast<__m64*>(peak), top[0]);
}

}  // namespace

OutputStage::OutputStage() = default;
OutputStage::~OutputStage() = default;

void OutputStage::set_format(const SampleFormat& format) {
    // The resampler exists exactly while the rate is not the core's.
    const bool new_rate = format.rate != format_.rate;
    format_ = format;
    if (!new_rate) return;
    resampler_.reset();
    if (format.rate != SampleFormat::kCoreRate) resampler_ = std::make_unique<Resampler>(format.rate);
}

void OutputStage::set_options(uint32_t options) {
    options_ = options;
    filter_.set_options(options);
}

void OutputStage::set_amplification(uint32_t level) { amplification_ = float(level) / 16.0f; }

void OutputStage::set_separation(uint32_t separation) { side_gain_ = float(separation) / 32768.0f; }

void OutputStage::clear() {
    filter_.clear();
    if (resampler_) resampler_->reset();
}

size_t OutputStage::core_frames_for(size_t frames) const {
    return resampler_ ? resampler_->input_for(frames) : frames;
}

size_t OutputStage::core_history() const { return resampler_ ? resampler_->history() : 0; }

void OutputStage::filter_only(const int16_t* core, size_t count) {
    work_.resize(count * 2);
    float* w = work_.data();
    for (size_t i = 0; i < count * 2; ++i) w[i] = float(core[i]);
    filter_.process(w, count);
}

void OutputStage::shape(const int16_t* core, size_t count) {
    filter_only(core, count);
    float* w = work_.data();
    const bool reverse = options_ & option::kReverseStereo;
    if (side_gain_ == 1.0f && !reverse && amplification_ == 1.0f) return;
    for (size_t i = 0; i < count; ++i) {
        float left = w[2 * i], right = w[2 * i + 1];
        if (side_gain_ != 1.0f) {
            const float mid = (left + right) * 0.5f, side = (left - right) * 0.5f * side_gain_;
            left = mid + side;
            right = mid - side;
        }
        if (reverse) std::swap(left, right);
        w[2 * i] = left * amplification_;
        w[2 * i + 1] = right * amplification_;
    }
}

bool OutputStage::shapes() const {
    return filter_.active() || side_gain_ != 1.0f || (options_ & option::kReverseStereo) || amplification_ != 1.0f;
}

void OutputStage::process(const int16_t* core, size_t frames, double first_ticks, uint8_t* out) {
    float* result;
    if (resampler_) {
        resampled_.resize(frames * 2);
        // Unshaped, the core's frames go to the resampler as they are.
        if (shapes()) {
            shape(core, core_frames_for(frames));
            resampler_->process(work_.data(), resampled_.data(), frames);
        } else {
            resampler_->process(core, resampled_.data(), frames);
        }
        result = resampled_.data();
    } else {
        shape(core, frames);
        result = work_.data();
    }
    fade_.apply(result, frames, first_ticks, double(snesapu::kTicksPerSecond) / format_.rate);
    float peak[2];
    peaks(result, frames, peak);
    for (int c = 0; c < 2; ++c) peak_[c] = std::max(peak_[c], uint32_t(std::min(peak[c], 2147483520.0f)));
    write_frames(result, frames, format_, options_ & option::kNoVolumeSafe, out);
}

void OutputStage::skip(const int16_t* core_tail, size_t given, size_t frames) {
    const size_t needed = std::min(core_history(), core_frames_for(frames));
    shape(core_tail, given);
    if (resampler_) resampler_->skip(work_.data() + 2 * (given - needed), frames);
}

}  // namespace apu::output

namespace apu::output {

size_t OutputStage::memory_bytes() const {
    return sizeof(*this) + (work_.capacity() + resampled_.capacity()) * sizeof(float) +
           (resampler_ ? resampler_->memory_bytes() : 0);
}

}  // namespace apu::output
