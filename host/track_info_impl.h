#pragma once
#include <string>
#include <vector>

#include "sdk/track_info.h"

// The host's metadata record.
class track_info_impl final : public track_info {
public:
    void set_length(double seconds) override { length_ = seconds; has_length_ = true; }
    double get_length() const override { return length_; }
    bool has_length() const { return has_length_; }

    uint32_t meta_get_count() const override { return static_cast<uint32_t>(meta_.size()); }
    const char* meta_enum_name(uint32_t index) const override { return meta_[index].name.c_str(); }
    uint32_t meta_find(const char* name) const override;
    uint32_t meta_enum_value_count(uint32_t index) const override { return static_cast<uint32_t>(meta_[index].values.size()); }
    const char* meta_enum_value(uint32_t index, uint32_t value_index) const override {
        return meta_[index].values[value_index].c_str();
    }
    void meta_set(const char* name, const char* value) override;
    void meta_insert_value(uint32_t index, uint32_t value_index, const char* value) override;
    void meta_remove(const char* name) override;

    uint32_t info_get_count() const override { return static_cast<uint32_t>(info_.size()); }
    const char* info_enum_name(uint32_t index) const override { return info_[index].name.c_str(); }
    const char* info_enum_value(uint32_t index) const override { return info_[index].value.c_str(); }
    const char* info_get(const char* name) const override;
    void info_set(const char* name, const char* value) override;

    double get_album_gain() const override { return album_gain_; }
    double get_track_gain() const override { return track_gain_; }
    // Replay gains in dB; no_gain when there is none.
    void set_album_gain(double gain) { album_gain_ = gain; }
    void set_track_gain(double gain) { track_gain_ = gain; }

private:
    double album_gain_ = no_gain;
    double track_gain_ = no_gain;
    struct meta_field {
        std::string name;
        std::vector<std::string> values;
    };
    struct info_field {
        std::string name;
        std::string value;
    };
    std::vector<meta_field> meta_;
    std::vector<info_field> info_;
    double length_ = 0;
    bool has_length_ = false;
};
