#pragma once
#include <vector>

#include "sdk/track_info.h"

// The host's block of decoded audio.
class audio_chunk_impl final : public audio_chunk {
public:
    void set_data_size(uint32_t floats) override { data_.resize(floats); }
    float* get_data() override { return data_.data(); }
    void set_sample_count(uint32_t frames) override { frames_ = frames; }
    void set_sample_rate(uint32_t rate) override { rate_ = rate; }
    void set_channels(uint32_t count, uint32_t channel_mask) override {
        channels_ = count;
        channel_mask_ = channel_mask;
    }

    const std::vector<float>& data() const { return data_; }
    uint32_t frames() const { return frames_; }
    uint32_t rate() const { return rate_; }
    uint32_t channels() const { return channels_; }
    uint32_t channel_mask() const { return channel_mask_; }

private:
    std::vector<float> data_;
    uint32_t frames_ = 0;
    uint32_t rate_ = 0;
    uint32_t channels_ = 0;
    uint32_t channel_mask_ = 0;
};
