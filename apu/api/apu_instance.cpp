#include "api/apu_instance.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "api/snesapu.h"
#include "core/snapshot.h"
#include "output/dsp_options.h"
#include "output/interpolation.h"
#include "script700/parser.h"
#include "script700/sample_table.h"
#include "script700/script_timeline.h"

namespace apu::api {

namespace {

constexpr uint64_t kTicksPerSecond = snesapu::kTicksPerSecond;
constexpr size_t kChunk = 8192;  // output frames per pass through the stages, at most

bool known_interpolation(uint32_t mode) { return mode <= 4 || mode == 7; }

}  // namespace

ApuInstance::ApuInstance() : core_(std::make_unique<SoundSystem>()) {
    load(nullptr);
}

uint64_t ApuInstance::state_settings() const {
    return uint64_t(interpolation_) | uint64_t(mute_mask_) << 8 | uint64_t(options_ & output::option::kStateBits) << 16 |
           uint64_t(script_generation_) << 32;
}

void ApuInstance::apply_core_settings() {
    Dsp& dsp = core_->dsp();
    const bool viewed = options_ & output::option::kRegisterViewBits;
    dsp.set_register_view(viewed ? &output::register_as_seen : nullptr, &options_);
    dsp.set_interpolator(output::interpolator_for(int(interpolation_)));
    dsp.set_brr_wrap(!(options_ & output::option::kOldBrrDecoder));
    core_->set_mute_mask(mute_mask_);
    dsp.set_sample_table(script_.loaded() ? script700::sample_table(script_.program()) : Dsp::SampleTable::identity());
}

void ApuInstance::settings_changed() {
    // Before the first frame nothing ran under the old settings.
    if (core_->frames_rendered() == 0) snapshots_.restart(state_settings());
    else snapshots_.settings_changed(state_settings());
}

void ApuInstance::load(const uint8_t* image) {
    const bool same = image && image_.size() == kImageSize && std::memcmp(image, image_.data(), kImageSize) == 0;
    if (!same) {
        if (image) image_.assign(image, image + kImageSize);
        else image_.assign(kImageSize, 0);
        snapshots_.start_song(image_.data() + spc::kRam);
    }
    core_->load_spc(image_.data(), image_.size());
    script_.restart(*core_);
    apply_core_settings();
    snapshots_.restart(state_settings());
    output_.clear();
    output_.fade().clear();
    ticks_ = tick_fraction_ = anchor_ticks_ = grid_frames_ = 0;
    publish();
}

void ApuInstance::set_options(uint32_t channels, uint32_t bits, uint32_t rate, uint32_t interpolation,
                              uint32_t options) {
    const output::SampleFormat format{channels, bits, rate};
    if (format.valid()) {
        if (format.rate != output_.format().rate) {
            // A new grid from here; the resampler starts afresh.
            anchor_ticks_ = ticks_;
            grid_frames_ = 0;
            tick_fraction_ = 0;
        }
        output_.set_format(format);
    }
    if (known_interpolation(interpolation)) interpolation_ = interpolation;
    options_ = options;
    output_.set_options(options);
    apply_core_settings();
    settings_changed();
}

void ApuInstance::set_amplification(uint32_t level) { output_.set_amplification(level); }

void ApuInstance::set_separation(uint32_t separation) { output_.set_separation(std::min<uint32_t>(separation, 0x10000)); }

uint32_t ApuInstance::set_length(uint32_t song_ticks, uint32_t fade_ticks) {
    output_.fade().set(song_ticks, fade_ticks);
    return song_ticks + fade_ticks;
}

uint32_t ApuInstance::set_script(const char* text, const script700::IncludeReader* includes) {
    script_parse_error_.clear();
    script_.clear();
    script_generation_ = 0;
    uint32_t result = 1;
    if (text) {
        script700::Program program;
        script700::ParseError error;
        if (script700::parse(text, includes, program, error)) {
            script_.load(std::move(program));
            script_.restart(*core_);
            script_generation_ = ++scripts_given_;
        } else {
            script_parse_error_ = script700::describe(error.at, error.reason, program);
            result = 0;
        }
    }
    apply_core_settings();
    settings_changed();
    return result;
}

std::string ApuInstance::script_problem() const {
    if (!script_parse_error_.empty()) return script_parse_error_;
    const script700::Fault fault = script_.state().fault;
    if (fault == script700::Fault::none) return {};
    return script700::describe(script_.fault_position(), std::string("stopped at ") + script700::fault_text(fault),
                               script_.program());
}

void ApuInstance::take_mute_flags() {
    uint8_t mask = 0;
    for (int v = 0; v < 8; ++v)
        if (voices_[v][snesapu::kVoiceMuteOffset]) mask |= uint8_t(1 << v);
    if (mask == mute_mask_) return;
    mute_mask_ = mask;
    core_->set_mute_mask(mask);
    settings_changed();
}

void ApuInstance::advance_core(uint64_t target, CoreWork work, int16_t* out) {
    while (core_->frames_rendered() < target) {
        const uint64_t now = core_->frames_rendered();
        const uint64_t due = snapshots_.next_due(now + 1);
        uint64_t stop = std::min(target, due);
        if (work == CoreWork::render && !out) stop = std::min<uint64_t>(stop, now + kChunk);
        const size_t n = size_t(stop - now);
        int16_t* to = out;
        if (work == CoreWork::render && !out) {
            core_frames_.resize(kChunk * 2);
            to = core_frames_.data();
        }
        if (script_.loaded()) script700::advance_with_script(script_, *core_, stop, to, work == CoreWork::skip);
        else if (work == CoreWork::skip) core_->skip(n);
        else core_->render(to, n);
        if (out) out += 2 * n;
        if (stop == due) snapshots_.take(due, *core_, script_.loaded() ? script_.save() : std::vector<uint8_t>{});
    }
}

double ApuInstance::frame_ticks(uint64_t frame) const {
    return double(anchor_ticks_) + double(frame) * double(kTicksPerSecond) / double(output_.format().rate);
}

uint64_t ApuInstance::frames_until(uint64_t ticks) const {
    if (ticks <= anchor_ticks_) return 0;
    const uint64_t rate = output_.format().rate;
    // Rounded up: the first frame at or after the target.
    return ((ticks - anchor_ticks_) * rate + kTicksPerSecond - 1) / kTicksPerSecond;
}

uint8_t* ApuInstance::emulate(uint8_t* buffer, size_t frames) {
    if (!buffer) return buffer;
    take_mute_flags();
    play(buffer, frames);
    const uint64_t rate = output_.format().rate;
    tick_fraction_ += uint64_t(frames) * kTicksPerSecond;
    ticks_ += tick_fraction_ / rate;
    tick_fraction_ %= rate;
    publish();
    return buffer + frames * frame_bytes();
}

void ApuInstance::play(uint8_t* out, size_t frames) {
    const size_t frame_size = frame_bytes();
    // Passes of even length: the resampler reads each of its rows once per
    // pass, so short passes cost more.
    const size_t passes = frames / kChunk + 1;
    for (size_t done = 0, pass = 1; done < frames; ++pass) {
        const size_t n = size_t(uint64_t(frames) * pass / passes) - done;
        const size_t need = output_.core_frames_for(n);
        core_frames_.resize(need * 2);
        advance_core(core_->frames_rendered() + need, CoreWork::render, core_frames_.data());
        uint8_t* to = out;
        if (out) {
            to += done * frame_size;
        } else {
            discard_frames_.resize(n * frame_size);
            to = discard_frames_.data();
        }
        output_.process(core_frames_.data(), n, frame_ticks(grid_frames_), to);
        grid_frames_ += n;
        done += n;
    }
}

void ApuInstance::seek(uint32_t ticks, bool fast) {
    take_mute_flags();
    const uint64_t target_ticks = ticks_ + ticks;
    const uint64_t target_frame = frames_until(target_ticks);
    ticks_ = target_ticks;
    tick_fraction_ = 0;
    restored_from_ = 0;
    // In pieces, so that frame counts fit a 32-bit size_t at any rate.
    constexpr uint64_t kPiece = uint64_t(1) << 26;
    while (grid_frames_ < target_frame) advance_output(size_t(std::min(target_frame - grid_frames_, kPiece)), fast);
    publish();
}

void ApuInstance::advance_output(size_t frames, bool fast) {
    const uint64_t start = core_->frames_rendered();
    const uint64_t end = start + output_.core_frames_for(frames);
    // The last core frames before the target are rendered for the
    // resampler's memory; the frames before them only run the core, unless
    // filters with unending memory need every one of them.
    const uint64_t tail_start = end - std::min<uint64_t>(output_.core_history(), end - start);

    // A snapshot holds the core alone, so it serves only where the filters
    // before the resampler keep no memory of their own.
    const bool every_frame = output_.every_frame_matters();
    std::vector<uint8_t> script_state;
    const uint64_t from = every_frame ? start : snapshots_.restore_latest(start, tail_start, *core_, &script_state);
    if (from != start) {
        restored_from_ = from;
        if (script_.loaded()) script_.restore(script_state);
    } else if (!fast) {
        // The slow mode plays the span through every stage, as playing would.
        play(nullptr, frames);
        return;
    }

    if (every_frame) {
        while (core_->frames_rendered() < tail_start) {
            const size_t n = size_t(std::min<uint64_t>(kChunk, tail_start - core_->frames_rendered()));
            core_frames_.resize(n * 2);
            advance_core(core_->frames_rendered() + n, CoreWork::render, core_frames_.data());
            output_.filter_only(core_frames_.data(), n);
        }
    } else {
        advance_core(tail_start, fast ? CoreWork::skip : CoreWork::render, nullptr);
    }
    const size_t tail = size_t(end - tail_start);
    core_frames_.resize(tail * 2);
    advance_core(end, CoreWork::render, core_frames_.data());
    output_.skip(core_frames_.data(), tail, frames);
    grid_frames_ += frames;
}

void ApuInstance::publish() {
    ticks32_ = uint32_t(ticks_);
    const Dsp& dsp = core_->dsp();
    for (int a = 0; a < 128; ++a) dsp_registers_[a] = dsp.read(uint8_t(a));
    for (int p = 0; p < 4; ++p) ports_[p] = core_->read_port(p);
    // Voice peaks are sampled where each call ends: the voice's output
    // times its volume, in 16-bit units.
    for (int v = 0; v < 8; ++v) {
        const int out = int8_t(dsp_registers_[v * 16 + 9]);
        for (int side = 0; side < 2; ++side) {
            const uint32_t level = uint32_t(std::abs(out * int8_t(dsp_registers_[v * 16 + side]) * 2));
            uint32_t peak;
            const int offset = side ? snesapu::kVoicePeakRightOffset : snesapu::kVoicePeakLeftOffset;
            std::memcpy(&peak, &voices_[v][offset], 4);
            peak = std::max(peak, level);
            std::memcpy(&voices_[v][offset], &peak, 4);
        }
    }
    peak_[0] = std::max(peak_[0], output_.peak(0));
    peak_[1] = std::max(peak_[1], output_.peak(1));
    output_.clear_peaks();
}

size_t ApuInstance::memory_bytes() const {
    return sizeof(*this) + core_->memory_bytes() + output_.memory_bytes() + snapshots_.bytes() + image_.capacity() +
           core_frames_.capacity() * sizeof(int16_t) + discard_frames_.capacity() + script_.heap_bytes();
}

}  // namespace apu::api
