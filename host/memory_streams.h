#pragma once
#include <cstdint>
#include <vector>

#include "support/file_access.h"

// Reads from bytes held in memory.
class memory_reader : public stream_reader_exact {
public:
    explicit memory_reader(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}
    uint32_t read(void* buffer, uint32_t bytes, abort_callback& abort) override;
    uint64_t skip(uint64_t bytes, abort_callback& abort) override;

private:
    const std::vector<uint8_t>& bytes_;
    size_t position_ = 0;
};

// A host-side abort token that is never signalled.
class host_abort final : public abort_callback {
public:
    bool is_aborting() const override { return false; }
    void* get_abort_event() const override { return nullptr; }
};
