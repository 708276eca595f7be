#pragma once
#include <cstdint>

#include "sdk/exceptions.h"
#include "sdk/input.h"
#include "sdk/service_impl.h"

// Templates that turn a single-track input class into the host's input entry
// and per-file interfaces. The input class I provides open, get_info,
// get_file_stats, the decode_* operations, retag_set_info and the static
// g_* queries of the entry.

enum input_open_reason : int { input_open_info_read = 0, input_open_decode = 1, input_open_info_write = 2 };

template <class I>
class input_wrapper_singletrack_t : public I {
public:
    uint32_t get_subsong_count() { return 1; }
    uint32_t get_subsong(uint32_t) { return 0; }

    void get_info(uint32_t subsong, track_info& info, abort_callback& abort) {
        check_subsong(subsong);
        I::get_info(info, abort);
    }
    void decode_initialize(uint32_t subsong, unsigned flags, abort_callback& abort) {
        check_subsong(subsong);
        I::decode_initialize(flags, abort);
    }
    void retag_set_info(uint32_t subsong, const track_info& info, abort_callback& abort) {
        check_subsong(subsong);
        I::retag_set_info(info, abort);
    }
    // set_info has already written the file.
    void retag_commit(abort_callback&) {}

    bool decode_get_dynamic_info_track(track_info&, double&) { return false; }
    bool decode_run_raw(audio_chunk&, mem_block&, abort_callback&) { throw exception_not_implemented(); }
    void set_logger(service_ptr_t<event_logger>) {}
    void set_pause(bool) {}
    bool flush_on_pause() { return false; }
    intptr_t extended_param(const guid_t&, intptr_t, void*, uint32_t) { return 0; }

private:
    static void check_subsong(uint32_t subsong) {
        if (subsong != 0) throw sonmara_io::exception_io_bad_subsong_index();
    }
};

// The operations every role shares.
template <class W, class Interface>
class input_impl_interface_wrapper_base : public Interface {
public:
    void open(const service_ptr_t<file>& hint, const char* path, input_open_reason reason, abort_callback& abort) {
        instance_.open(hint, path, reason, abort);
    }

    uint32_t get_subsong_count() override { return instance_.get_subsong_count(); }
    uint32_t get_subsong(uint32_t index) override { return instance_.get_subsong(index); }
    void get_info(uint32_t subsong, track_info& info, abort_callback& abort) override {
        instance_.get_info(subsong, info, abort);
    }
    file_stats get_file_stats(abort_callback& abort) override { return instance_.get_file_stats(abort); }

protected:
    W instance_;
};

template <class W, class Interface>
class input_impl_interface_wrapper_t;

template <class W>
class input_impl_interface_wrapper_t<W, input_info_reader> : public input_impl_interface_wrapper_base<W, input_info_reader> {};

template <class W>
class input_impl_interface_wrapper_t<W, input_info_writer> : public input_impl_interface_wrapper_base<W, input_info_writer> {
public:
    void update_info(uint32_t subsong, const track_info& info, abort_callback& abort) override {
        this->instance_.retag_set_info(subsong, info, abort);
    }
    void commit(abort_callback& abort) override { this->instance_.retag_commit(abort); }
};

template <class W>
class input_impl_interface_wrapper_t<W, input_decoder_v4> : public input_impl_interface_wrapper_base<W, input_decoder_v4> {
public:
    void initialize(uint32_t subsong, unsigned flags, abort_callback& abort) override {
        this->instance_.decode_initialize(subsong, flags, abort);
    }
    bool run(audio_chunk& chunk, abort_callback& abort) override { return this->instance_.decode_run(chunk, abort); }
    void seek(double seconds, abort_callback& abort) override { this->instance_.decode_seek(seconds, abort); }
    bool can_seek() override { return this->instance_.decode_can_seek(); }
    bool get_dynamic_info(track_info& info, double& delta) override {
        return this->instance_.decode_get_dynamic_info(info, delta);
    }
    bool get_dynamic_info_track(track_info& info, double& delta) override {
        return this->instance_.decode_get_dynamic_info_track(info, delta);
    }
    void on_idle(abort_callback& abort) override { this->instance_.decode_on_idle(abort); }
    bool run_raw(audio_chunk& chunk, mem_block& raw, abort_callback& abort) override {
        return this->instance_.decode_run_raw(chunk, raw, abort);
    }
    void set_logger(service_ptr_t<event_logger> logger) override { this->instance_.set_logger(logger); }
    void set_pause(bool paused) override { this->instance_.set_pause(paused); }
    bool flush_on_pause() override { return this->instance_.flush_on_pause(); }
    intptr_t extended_param(const guid_t& type, intptr_t arg1, void* arg2, uint32_t arg2_size) override {
        return this->instance_.extended_param(type, arg1, arg2, arg2_size);
    }
};

template <class W, unsigned Flags, class Decoder, class Reader, class Writer>
class input_entry_impl_t : public input_entry_v2 {
public:
    bool is_our_content_type(const char* type) override { return W::g_is_our_content_type(type); }
    bool is_our_path(const char* path, const char* extension) override { return W::g_is_our_path(path, extension); }

    void open_for_decoding(service_ptr_t<input_decoder>& out, const service_ptr_t<file>& hint, const char* path,
                           abort_callback& abort) override {
        open_as<Decoder>(out, hint, path, input_open_decode, abort);
    }
    void open_for_info_read(service_ptr_t<input_info_reader>& out, const service_ptr_t<file>& hint,
                            const char* path, abort_callback& abort) override {
        open_as<Reader>(out, hint, path, input_open_info_read, abort);
    }
    void open_for_info_write(service_ptr_t<input_info_writer>& out, const service_ptr_t<file>& hint,
                             const char* path, abort_callback& abort) override {
        open_as<Writer>(out, hint, path, input_open_info_write, abort);
    }
    void get_extended_data(const service_ptr_t<file>&, const char*, const guid_t&, mem_block& out,
                           abort_callback&) override {
        out.set_size(0);
    }

    unsigned get_flags() override { return Flags; }
    guid_t get_guid() override { return W::g_get_guid(); }
    const char* get_name() override { return W::g_get_name(); }
    guid_t get_preferences_guid() override { return W::g_get_preferences_guid(); }
    bool is_low_merit() override { return W::g_is_low_merit(); }

private:
    // A failed open drops the only reference, destroying the new object.
    template <class Role, class Out>
    static void open_as(service_ptr_t<Out>& out, const service_ptr_t<file>& hint, const char* path,
                        input_open_reason reason, abort_callback& abort) {
        service_ptr_t<file> local_hint = hint;
        auto instance = service_new<input_impl_interface_wrapper_t<W, Role>>();
        instance->open(local_hint, path, reason, abort);
        out.reset(instance.get());
    }
};

template <class I, unsigned Flags>
using input_singletrack_factory_t =
    service_factory_single_t<input_entry_impl_t<input_wrapper_singletrack_t<I>, Flags, input_decoder_v4,
                                                input_info_reader, input_info_writer>>;
