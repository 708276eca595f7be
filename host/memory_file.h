#pragma once
#include <cstdint>
#include <vector>

#include "sdk/file.h"

// A read-only file over bytes held in memory (an archive member). Writing and
// resizing raise exception_io_denied.
class memory_file : public file {
public:
    memory_file(std::vector<uint8_t> bytes, uint64_t timestamp) : bytes_(std::move(bytes)), timestamp_(timestamp) {}

    uint32_t read(void* buffer, uint32_t bytes, abort_callback& abort) override;
    void read_object(void* buffer, uint32_t bytes, abort_callback& abort) override;
    uint64_t skip(uint64_t bytes, abort_callback& abort) override;
    void skip_object(uint64_t bytes, abort_callback& abort) override;
    void write(const void* buffer, uint32_t bytes, abort_callback& abort) override;

    uint64_t get_size(abort_callback&) override { return bytes_.size(); }
    uint64_t get_position(abort_callback&) override { return position_; }
    void resize(uint64_t length, abort_callback& abort) override;
    void seek(uint64_t position, abort_callback& abort) override;
    void on_idle(abort_callback&) override {}
    uint64_t get_timestamp(abort_callback&) override { return timestamp_; }
    void rewind(abort_callback& abort) override { seek(0, abort); }

private:
    std::vector<uint8_t> bytes_;
    uint64_t position_ = 0;
    uint64_t timestamp_;
};
