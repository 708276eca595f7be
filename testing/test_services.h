#pragma once
#include <cstring>
#include <string>
#include <vector>

#include "sdk/exceptions.h"
#include "sdk/file.h"
#include "sdk/host_services.h"
#include "sdk/service_impl.h"
#include "sdk/track_info.h"

// Host-side test doubles that the real host would also offer in some form.

// Records every console line.
class recording_console : public console_receiver {
public:
    void print(const char* text, uint32_t length) override {
        lines.emplace_back(text, length == string_npos ? std::strlen(text) : length);
    }
    std::vector<std::string> lines;
};

// A file held in memory; its reads can be made to fail with a host exception.
class test_memory_file : public file {
public:
    explicit test_memory_file(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}

    uint32_t read(void* buffer, uint32_t bytes, abort_callback&) override {
        if (fail_reads) throw sonmara_io::exception_io_sharing_violation();
        size_t count = std::min<size_t>(bytes, bytes_.size() - std::min(position_, bytes_.size()));
        if (count) std::memcpy(buffer, bytes_.data() + position_, count);
        position_ += count;
        return static_cast<uint32_t>(count);
    }
    void read_object(void* buffer, uint32_t bytes, abort_callback& abort) override {
        if (read(buffer, bytes, abort) != bytes) throw sonmara_io::exception_io_data_truncation();
    }
    uint64_t skip(uint64_t bytes, abort_callback&) override {
        uint64_t count = std::min<uint64_t>(bytes, bytes_.size() - std::min(position_, bytes_.size()));
        position_ += static_cast<size_t>(count);
        return count;
    }
    void skip_object(uint64_t bytes, abort_callback& abort) override {
        if (skip(bytes, abort) != bytes) throw sonmara_io::exception_io_data_truncation();
    }
    void write(const void* buffer, uint32_t bytes, abort_callback&) override {
        if (position_ + bytes > bytes_.size()) bytes_.resize(position_ + bytes);
        std::memcpy(bytes_.data() + position_, buffer, bytes);
        position_ += bytes;
    }
    uint64_t get_size(abort_callback&) override { return bytes_.size(); }
    uint64_t get_position(abort_callback&) override { return position_; }
    void resize(uint64_t length, abort_callback&) override { bytes_.resize(static_cast<size_t>(length)); }
    void seek(uint64_t position, abort_callback&) override { position_ = static_cast<size_t>(position); }
    void on_idle(abort_callback&) override { ++idle_calls; }
    uint64_t get_timestamp(abort_callback&) override { return 132000000000000000ull; }
    void rewind(abort_callback&) override { position_ = 0; }

    const std::vector<uint8_t>& bytes() const { return bytes_; }
    bool fail_reads = false;
    int idle_calls = 0;

private:
    std::vector<uint8_t> bytes_;
    size_t position_ = 0;
};

// A reference count the test can watch.
class counted_memory_file : public test_memory_file {
public:
    using test_memory_file::test_memory_file;
    int service_release() noexcept override { return --references; }
    int service_add_ref() noexcept override { return ++references; }
    bool service_query(service_base*& out, const guid_t& guid) override {
        return service_query_chain<file>(this, out, guid);
    }
    int references = 1;
};

class never_aborting final : public abort_callback {
public:
    bool is_aborting() const override { return false; }
    void* get_abort_event() const override { return nullptr; }
};

class aborting_callback final : public abort_callback {
public:
    bool is_aborting() const override { return true; }
    void* get_abort_event() const override { return nullptr; }
};
