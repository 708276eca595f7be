#pragma once
#include <cstdint>
#include <cstdio>
#include <vector>

// Writes a WAV file as blocks arrive: 32-bit float samples, or 16-bit PCM
// rounded to the nearest value (no dither). On a seekable file finish()
// fills in the sizes; a stream's header, which cannot be rewritten, gives
// the streaming convention's lengths (0xFFFFFFFF). Failures throw
// std::runtime_error with the system's reason.
class wav_writer {
public:
    enum class sample_type { float32, pcm16 };

    wav_writer(std::FILE* out, bool seekable, sample_type type);
    wav_writer(const wav_writer&) = delete;
    wav_writer& operator=(const wav_writer&) = delete;

    // The format is the first block's, even an empty one's; later blocks must
    // keep it.
    void write(const float* samples, uint32_t frames, uint32_t channels, uint32_t rate);
    // Throws when no block came: the file could only claim a format.
    void finish();
    uint64_t frames() const { return frames_; }

private:
    uint32_t sample_bits() const { return type_ == sample_type::float32 ? 32 : 16; }
    void write_header(bool streaming);
    void put(const void* bytes, size_t size);

    std::FILE* out_;
    bool seekable_;
    sample_type type_;
    uint32_t channels_ = 0;
    uint32_t rate_ = 0;
    uint64_t frames_ = 0;
    std::vector<uint8_t> scratch_;
};
