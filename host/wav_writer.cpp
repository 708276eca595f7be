#include "host/wav_writer.h"

#include <cmath>
#include <cstring>
#include <stdexcept>

#include "support/little_endian.h"

namespace {

// RIFF sizes are 32-bit; the largest data chunk that still fits.
constexpr uint64_t max_data_bytes = 0xFFFFFFFFull - 64;

void put_tag(std::vector<uint8_t>& out, const char* tag) { out.insert(out.end(), tag, tag + 4); }

int16_t to_pcm16(float sample) {
    const float scaled = std::nearbyint(sample * 32768.0f);
    if (!(scaled > -32768.0f)) return -32768;  // NaN too
    if (scaled > 32767.0f) return 32767;
    return static_cast<int16_t>(scaled);
}

}  // namespace

wav_writer::wav_writer(const std::filesystem::path& path, sample_type type)
    : path_(path), out_(path, std::ios::binary | std::ios::trunc), type_(type) {
    if (!out_) throw std::runtime_error("cannot write " + path.u8string());
}

wav_writer::~wav_writer() = default;

void wav_writer::write(const float* samples, uint32_t frames, uint32_t channels, uint32_t rate) {
    if (frames == 0) return;
    if (frames_ == 0 && channels_ == 0) {
        if (channels == 0 || rate == 0) throw std::runtime_error("the decoder delivered no channels or no rate");
        channels_ = channels;
        rate_ = rate;
        write_header();
    } else if (channels != channels_ || rate != rate_) {
        throw std::runtime_error("the output format changed in the middle of the song");
    }
    const uint32_t bytes_per_sample = type_ == sample_type::float32 ? 4 : 2;
    const uint64_t values = uint64_t{frames} * channels;
    if ((frames_ + frames) * channels_ * bytes_per_sample > max_data_bytes) {
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
    out_.write(reinterpret_cast<const char*>(scratch_.data()), static_cast<std::streamsize>(scratch_.size()));
    if (!out_) throw std::runtime_error("cannot write " + path_.u8string());
    frames_ += frames;
}

void wav_writer::finish() {
    if (finished_) return;
    finished_ = true;
    if (channels_ == 0) {
        // Nothing was decoded: still a valid, empty file.
        channels_ = 2;
        rate_ = 32000;
    }
    out_.seekp(0);
    write_header();
    out_.close();
    if (!out_) throw std::runtime_error("cannot write " + path_.u8string());
}

// Float files carry the fact chunk their format asks for.
void wav_writer::write_header() {
    const bool is_float = type_ == sample_type::float32;
    const uint32_t bytes_per_sample = is_float ? 4 : 2;
    const auto data_bytes = static_cast<uint32_t>(frames_ * channels_ * bytes_per_sample);
    const uint32_t fmt_bytes = is_float ? 18 : 16;
    const uint32_t fact_bytes = is_float ? 12 : 0;
    std::vector<uint8_t> header;
    put_tag(header, "RIFF");
    put32(header, 4 + 8 + fmt_bytes + fact_bytes + 8 + data_bytes);
    put_tag(header, "WAVE");
    put_tag(header, "fmt ");
    put32(header, fmt_bytes);
    put16(header, is_float ? 3 : 1);
    put16(header, channels_);
    put32(header, rate_);
    put32(header, rate_ * channels_ * bytes_per_sample);
    put16(header, channels_ * bytes_per_sample);
    put16(header, bytes_per_sample * 8);
    if (is_float) {
        put16(header, 0);
        put_tag(header, "fact");
        put32(header, 4);
        put32(header, static_cast<uint32_t>(frames_));
    }
    put_tag(header, "data");
    put32(header, data_bytes);
    out_.write(reinterpret_cast<const char*>(header.data()), static_cast<std::streamsize>(header.size()));
}
