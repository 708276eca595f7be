#pragma once
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <vector>

// Writes a WAV file as blocks arrive: 32-bit float samples, or 16-bit PCM
// rounded to the nearest value (no dither). The sizes in the header are
// filled in by finish(). Failures throw std::runtime_error.
class wav_writer {
public:
    enum class sample_type { float32, pcm16 };

    wav_writer(const std::filesystem::path& path, sample_type type);
    ~wav_writer();
    wav_writer(const wav_writer&) = delete;
    wav_writer& operator=(const wav_writer&) = delete;

    // The format is taken from the first block; later blocks must keep it.
    void write(const float* samples, uint32_t frames, uint32_t channels, uint32_t rate);
    void finish();
    uint64_t frames() const { return frames_; }

private:
    void write_header();

    std::filesystem::path path_;
    std::ofstream out_;
    sample_type type_;
    uint32_t channels_ = 0;
    uint32_t rate_ = 0;
    uint64_t frames_ = 0;
    bool finished_ = false;
    std::vector<uint8_t> scratch_;
};
