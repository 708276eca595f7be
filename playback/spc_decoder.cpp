#include "playback/spc_decoder.h"

#include <algorithm>
#include <cstring>

#include "playback/script700_discovery.h"
#include "sdk/exceptions.h"
#include "sdk/input.h"
#include "sdk/shared.h"
#include "support/number_text.h"

namespace {

constexpr uint32_t fast_seek = 255;
constexpr uint32_t mixing_mode = 3;

uint32_t ticks(uint32_t ms) { return std::min(ms, spc_decoder::max_length_ms) * snesapu::kTicksPerMs; }

uint32_t channel_mask(uint32_t channels) {
    static constexpr uint32_t masks[9] = {0, 0x4, 0x3, 0xB, 0x33, 0x3B, 0x3F, 0xFB, 0xFF};
    return channels < 9 ? masks[channels] : 0;
}

// A double of seconds, scaled and cut toward zero into 32 bits without
// overflow: negative or NaN gives 0, too large the maximum.
uint32_t scaled_seconds(double seconds, double scale) {
    const double value = seconds * scale;
    if (!(value > 0)) return 0;
    if (value >= 4294967295.0) return 0xFFFFFFFFu;
    return static_cast<uint32_t>(value);
}

}  // namespace

spc_decoder::spc_decoder(const byte_buffer& image, const char* path, const settings_snapshot& settings,
                         const playback_plan& plan, string8_t library_path)
    : image_(image), path_(path), settings_(settings), plan_(plan), library_path_(std::move(library_path)) {}

// The library goes first: nothing it was given may outlive it.
spc_decoder::~spc_decoder() { library_.reset(); }

void spc_decoder::initialize(unsigned flags) {
    const uint32_t channels = settings_.channels;
    const uint32_t rate = settings_.sample_rate;
    // Only a settings store written by hand holds such values; refuse them
    // rather than divide by zero or size a buffer past reason.
    if (channels < 1 || channels > 8 || rate < 1 || rate > 768000) {
        throw sonmara_io::exception_io_data("Unsupported output format in the settings");
    }
    // The library reads a whole snapshot from the image.
    if (image_.size() < snesapu::kImageSize) throw sonmara_io::exception_io_unsupported_format();
    if (!library_) {
        library_ = apu_library::bind(library_path_.get_ptr());
        if (!library_) throw sonmara_io::exception_io_data("Unable to load SNESAPU.dll");
    }
    const apu_table& apu = library_->table();
    hand_over_script700(apu, path_.get_ptr(), settings_.no_script700);
    apu.load_spc_file(image_.data());
    apu.set_apu_opt(mixing_mode, channels, settings_.bits_per_sample, rate, settings_.interpolation,
                    settings_.dsp_options);
    apu.set_dsp_amp(plan_.dsp_amplification);
    apu.set_dsp_stereo(settings_.stereo_separation);
    for (uint32_t v = 0; v < 8; ++v) {
        uint8_t* record = apu.voice_records + v * snesapu::kVoiceRecordSize;
        record[snesapu::kVoiceMuteOffset] = (plan_.muted_voices >> v) & 1;
        std::memset(record + snesapu::kVoicePeakLeftOffset, 0, 4);
        std::memset(record + snesapu::kVoicePeakRightOffset, 0, 4);
    }
    *apu.peak_right = 0;
    *apu.peak_left = 0;
    played_ms_ = 0;
    silence_ms_ = 0;
    if (flags & input_decoder::flag_playback) plan_ = for_playback_start(plan_);
    if (plan_.length_limit) apu.set_apu_length(ticks(plan_.song_ms), ticks(plan_.fade_ms));
    size_sample_buffer();
    dynamic_info_pending_ = true;
    last_block_ms_ = 0;
}

bool spc_decoder::run(audio_chunk& chunk) {
    if (!library_) return false;
    uint32_t block = block_ms;
    if (plan_.length_limit) {
        const uint32_t end = end_ms();
        if (played_ms_ >= end) return false;
        if (played_ms_ + block > end) block = end - played_ms_;
    }
    if (plan_.detect_silence && silence_ms_ >= silence_limit_ms) return false;

    const apu_table& apu = library_->table();
    const auto frames = static_cast<uint32_t>(uint64_t{settings_.sample_rate} * block / 1000);
    apu.emu_apu(sample_buffer_.data(), frames, 1);
    const uint32_t channels = settings_.channels;
    const uint32_t values = frames * channels;
    chunk.set_data_size(values);
    convert(values, chunk.get_data());
    chunk.set_sample_count(frames);
    chunk.set_sample_rate(settings_.sample_rate);
    chunk.set_channels(channels, channel_mask(channels));

    if (plan_.detect_silence) silence_ms_ = any_voice_sounds() ? 0 : silence_ms_ + block;
    played_ms_ += block;
    last_block_ms_ = block;
    return true;
}

void spc_decoder::seek(double seconds) {
    if (!library_) return;
    dynamic_info_pending_ = true;
    last_block_ms_ = 0;
    const apu_table& apu = library_->table();
    const uint32_t target = scaled_seconds(seconds, snesapu::kTicksPerSecond);
    if (*apu.time_counter >= target) load_song();
    apu.seek_apu(target - *apu.time_counter, settings_.fast_seek ? fast_seek : 0);
    silence_ms_ = 0;
    played_ms_ = scaled_seconds(seconds, 1000.0);
}

bool spc_decoder::report_dynamic_info(track_info& info, double& timestamp_delta) {
    if (!dynamic_info_pending_) return false;
    dynamic_info_pending_ = false;
    info.info_set("samplerate", number_text(int64_t{settings_.sample_rate}).get_ptr());
    info.info_set("channels", number_text(int64_t{settings_.channels}).get_ptr());
    info.info_set("bitspersample", number_text(int64_t{settings_.bits_per_sample}).get_ptr());
    timestamp_delta = last_block_ms_ * -0.001;
    return true;
}

void spc_decoder::load_song() {
    const apu_table& apu = library_->table();
    apu.load_spc_file(image_.data());
    if (plan_.length_limit) apu.set_apu_length(ticks(plan_.song_ms), ticks(plan_.fade_ms));
}

// Room for 100 ms. For a format the library refuses (it then keeps its
// previous one) the room also holds the widest frame it can write.
void spc_decoder::size_sample_buffer() {
    const uint32_t rate = settings_.sample_rate;
    const uint32_t bits = settings_.bits_per_sample;
    const uint32_t channels = settings_.channels;
    const uint32_t frames = (rate + 1) * block_ms / 1000;
    const bool known_width = bits == 8 || bits == 16 || bits == 24 || bits == 32;
    // Other widths are delivered as silence: nothing of theirs is read.
    const uint32_t frame_bytes = known_width ? bits / 8 * channels : 0;
    sample_buffer_.set_size(frames * (snesapu::accepts_format(channels, bits, rate)
                                          ? frame_bytes
                                          : std::max(frame_bytes, snesapu::kWidestFrameBytes)));
}

uint32_t spc_decoder::end_ms() const {
    return std::min(plan_.song_ms, max_length_ms) + std::min(plan_.fade_ms, max_length_ms);
}

bool spc_decoder::any_voice_sounds() const {
    const uint8_t* dsp = library_->table().dsp_registers;
    for (int v = 0; v < 8; ++v) {
        const uint8_t* voice = dsp + 16 * v;
        if ((voice[0] || voice[1]) && voice[8]) return true;
    }
    return false;
}

void spc_decoder::convert(uint32_t values, float* out) const {
    const uint8_t* in = sample_buffer_.data();
    switch (settings_.bits_per_sample) {
    case 8:
        for (uint32_t i = 0; i < values; ++i) out[i] = (in[i] - 128) * (1.0f / 128);
        break;
    case 16:
        audio_math::convert_from_int16(reinterpret_cast<const int16_t*>(in), values, out, 1.0f);
        break;
    case 24:
        for (uint32_t i = 0; i < values; ++i, in += 3) {
            const int32_t value = in[0] | in[1] << 8 | static_cast<int8_t>(in[2]) * 65536;
            out[i] = static_cast<float>(value) * (1.0f / 8388608);
        }
        break;
    case 32:
        audio_math::convert_from_int32(reinterpret_cast<const int32_t*>(in), values, out, 1.0f);
        break;
    default:
        std::fill(out, out + values, 0.0f);
        break;
    }
}
