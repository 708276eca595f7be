#pragma once
#include <cstdint>

#include "sdk/file.h"
#include "sdk/host_services.h"
#include "sdk/track_info.h"

struct file_stats {
    uint64_t size;
    uint64_t timestamp;
};

// Per-file objects that an input entry creates: an info reader, a decoder
// (four generations) and an info writer.
class input_info_reader : public service_base {
public:
    using parent_class = service_base;
    static constexpr guid_t class_guid = {0x5C1A4F7E, 0x0B8D, 0x4E45, {0x93, 0x2A, 0x6F, 0x01, 0xC4, 0x3B, 0x88, 0x17}};

    virtual uint32_t get_subsong_count() = 0;
    virtual uint32_t get_subsong(uint32_t index) = 0;
    virtual void get_info(uint32_t subsong, track_info& info, abort_callback& abort) = 0;
    virtual file_stats get_file_stats(abort_callback& abort) = 0;

protected:
    ~input_info_reader() = default;
};

class input_decoder : public input_info_reader {
public:
    using parent_class = input_info_reader;
    static constexpr guid_t class_guid = {0x5C1A4F7E, 0x0B8D, 0x4E45, {0x93, 0x2A, 0x6F, 0x01, 0xC4, 0x3B, 0x88, 0x18}};

    // Flags of initialize.
    static constexpr unsigned flag_no_looping = 1;
    static constexpr unsigned flag_playback = 2;

    virtual void initialize(uint32_t subsong, unsigned flags, abort_callback& abort) = 0;
    virtual bool run(audio_chunk& chunk, abort_callback& abort) = 0;
    virtual void seek(double seconds, abort_callback& abort) = 0;
    virtual bool can_seek() = 0;
    virtual bool get_dynamic_info(track_info& info, double& timestamp_delta) = 0;
    virtual bool get_dynamic_info_track(track_info& info, double& timestamp_delta) = 0;
    virtual void on_idle(abort_callback& abort) = 0;

protected:
    ~input_decoder() = default;
};

class input_decoder_v2 : public input_decoder {
public:
    using parent_class = input_decoder;
    static constexpr guid_t class_guid = {0x5C1A4F7E, 0x0B8D, 0x4E45, {0x93, 0x2A, 0x6F, 0x01, 0xC4, 0x3B, 0x88, 0x19}};

    virtual bool run_raw(audio_chunk& chunk, mem_block& raw, abort_callback& abort) = 0;
    virtual void set_logger(service_ptr_t<event_logger> logger) = 0;

protected:
    ~input_decoder_v2() = default;
};

class input_decoder_v3 : public input_decoder_v2 {
public:
    using parent_class = input_decoder_v2;
    static constexpr guid_t class_guid = {0x5C1A4F7E, 0x0B8D, 0x4E45, {0x93, 0x2A, 0x6F, 0x01, 0xC4, 0x3B, 0x88, 0x1A}};

    virtual void set_pause(bool paused) = 0;
    virtual bool flush_on_pause() = 0;

protected:
    ~input_decoder_v3() = default;
};

class input_decoder_v4 : public input_decoder_v3 {
public:
    using parent_class = input_decoder_v3;
    static constexpr guid_t class_guid = {0x5C1A4F7E, 0x0B8D, 0x4E45, {0x93, 0x2A, 0x6F, 0x01, 0xC4, 0x3B, 0x88, 0x1B}};

    virtual intptr_t extended_param(const guid_t& type, intptr_t arg1, void* arg2, uint32_t arg2_size) = 0;

protected:
    ~input_decoder_v4() = default;
};

class input_info_writer : public input_info_reader {
public:
    using parent_class = input_info_reader;
    static constexpr guid_t class_guid = {0x5C1A4F7E, 0x0B8D, 0x4E45, {0x93, 0x2A, 0x6F, 0x01, 0xC4, 0x3B, 0x88, 0x1C}};

    virtual void update_info(uint32_t subsong, const track_info& info, abort_callback& abort) = 0;
    virtual void commit(abort_callback& abort) = 0;

protected:
    ~input_info_writer() = default;
};

// The service through which the host finds and opens files of a format.
class input_entry : public service_base {
public:
    using parent_class = service_base;
    static constexpr guid_t class_guid = {0x1E0D0A3B, 0x6C52, 0x4F08, {0xB4, 0x7A, 0x3D, 0x9E, 0x21, 0x58, 0xC0, 0x64}};

    virtual bool is_our_content_type(const char* type) = 0;
    virtual bool is_our_path(const char* path, const char* extension) = 0;
    virtual void open_for_decoding(service_ptr_t<input_decoder>& out, const service_ptr_t<file>& hint,
                                   const char* path, abort_callback& abort) = 0;
    virtual void open_for_info_read(service_ptr_t<input_info_reader>& out, const service_ptr_t<file>& hint,
                                    const char* path, abort_callback& abort) = 0;
    virtual void open_for_info_write(service_ptr_t<input_info_writer>& out, const service_ptr_t<file>& hint,
                                     const char* path, abort_callback& abort) = 0;
    virtual void get_extended_data(const service_ptr_t<file>& hint, const char* path, const guid_t& what,
                                   mem_block& out, abort_callback& abort) = 0;

protected:
    ~input_entry() = default;
};

class input_entry_v2 : public input_entry {
public:
    using parent_class = input_entry;
    static constexpr guid_t class_guid = {0x1E0D0A3B, 0x6C52, 0x4F08, {0xB4, 0x7A, 0x3D, 0x9E, 0x21, 0x58, 0xC0, 0x65}};

    virtual unsigned get_flags() = 0;
    virtual guid_t get_guid() = 0;
    virtual const char* get_name() = 0;
    virtual guid_t get_preferences_guid() = 0;
    virtual bool is_low_merit() = 0;

protected:
    ~input_entry_v2() = default;
};
