#pragma once
#include <cstdint>

#include "sdk/string_base.h"

// The host's metadata record of one track: meta fields with several values
// each (names match without regard to case), technical info fields and the
// length in seconds.
class track_info {
public:
    static constexpr uint32_t npos = 0xFFFFFFFFu;
    static constexpr double no_gain = -1000.0;

    virtual void set_length(double seconds) = 0;
    virtual double get_length() const = 0;  // 0 when unset

    virtual uint32_t meta_get_count() const = 0;
    virtual const char* meta_enum_name(uint32_t index) const = 0;
    virtual uint32_t meta_find(const char* name) const = 0;  // npos when absent
    virtual uint32_t meta_enum_value_count(uint32_t index) const = 0;
    virtual const char* meta_enum_value(uint32_t index, uint32_t value_index) const = 0;
    // Replaces every value of the field with one value.
    virtual void meta_set(const char* name, const char* value) = 0;
    virtual void meta_insert_value(uint32_t index, uint32_t value_index, const char* value) = 0;
    virtual void meta_remove(const char* name) = 0;

    virtual uint32_t info_get_count() const = 0;
    virtual const char* info_enum_name(uint32_t index) const = 0;
    virtual const char* info_enum_value(uint32_t index) const = 0;
    virtual const char* info_get(const char* name) const = 0;  // null when absent
    virtual void info_set(const char* name, const char* value) = 0;

    virtual double get_album_gain() const = 0;
    virtual double get_track_gain() const = 0;

protected:
    ~track_info() = default;
};

// Rendered audio handed to the host: interleaved 32-bit floats.
class audio_chunk {
public:
    virtual void set_data_size(uint32_t floats) = 0;
    virtual float* get_data() = 0;
    virtual void set_sample_count(uint32_t frames) = 0;
    virtual void set_sample_rate(uint32_t rate) = 0;
    virtual void set_channels(uint32_t count, uint32_t channel_mask) = 0;

protected:
    ~audio_chunk() = default;
};

// A resizable block of bytes owned by the host.
class mem_block {
public:
    virtual void set_size(uint32_t bytes) = 0;
    virtual uint32_t get_size() const = 0;
    virtual void* get_ptr() = 0;

protected:
    ~mem_block() = default;
};
