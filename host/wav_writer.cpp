#include "host/wav_writer.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <stdexcept>

#include "support/wav_header.h"

namespace {

// RIFF sizes are 32-bit; the largest data chunk that still fits.
constexpr uint64_t max_data_bytes = 0xFFFFFFFFull - 64;

int16_t to_pcm16(float sample) {
    const float scaled = std::nearbyint(sample * 32768.0f);
    if (!(scaled > -32768.0f)) return -32768;  // NaN too
    if (scaled > 32767.0f) return 32767;
    return static_cast<int16_t>(scaled);
}

}  // namespace

wav_writer::wav_writer(std::FILE* out, bool seekable, sample_type type)
    : out_(out), seekable_(seekable), type_(type) {}

void wav_writer::put(const void* bytes, size_t size) {
    if (std::fwrite(bytes, 1, size, out_) != size) throw std::runtime_error(std::strerror(errno));
}

void wav_writer::write(const float* samples, uint32_t frames, uint32_t channels, uint32_t rate) {
    if (channels_ == 0) {
        if (channels == 0 || rate == 0) throw std::runtime_error("the decoder delivered no channels or no rate");
        channels_ = channels;
        rate_ = rate;
        write_header(!seekable_);
    } else if (channels != channels_ || rate != rate_) {
        throw std::runtime_error("the output format changed in the middle of the song");
    }
    if (frames == 0) return;
    const uint32_t bytes_per_sample = sample_bits() / 8;
    const uint64_t values = uint64_t{frames} * channels;
    if (seekable_ && (frames_ + frames) * channels_ * bytes_per_sample > max_data_bytes) {
        throw std::runtime_error("the output is too long for a WAV file");
    }
    scratch_.resize(static_cast<size_t>(values * bytes_per_sample));
    if (type_ == sample_type::float32) {
        std::memcpy(scratch_.data(), samples, scratch_.size());  // little-endian IEEE floats
    } else {
        for (uint64_t i = 0; i < values; ++i) {
            const auto value = static_cast<uint16_t>(to_pcm16(samples[i]));
            scratch_[2 * i] = static_cast<uint8_t>(value);
            scratch_[2 * i + 1] = static_cast<uint8_t>(value >> 8);
        }
    }
    put(scratch_.data(), scratch_.size());
    frames_ += frames;
}

void wav_writer::finish() {
    if (channels_ == 0) throw std::runtime_error("the component delivered no audio");
    if (!seekable_) return;
    if (std::fseek(out_, 0, SEEK_SET) != 0) throw std::runtime_error(std::strerror(errno));
    write_header(false);
}

void wav_writer::write_header(bool streaming) {
    const std::vector<uint8_t> header =
        wav_header(type_ == sample_type::float32, channels_, rate_, sample_bits(), frames_, streaming);
    put(header.data(), header.size());
}
