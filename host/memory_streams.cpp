#include "host/memory_streams.h"

#include <algorithm>
#include <cstring>

uint32_t memory_reader::read(void* buffer, uint32_t bytes, abort_callback&) {
    size_t count = std::min<size_t>(bytes, bytes_.size() - position_);
    if (count) std::memcpy(buffer, bytes_.data() + position_, count);
    position_ += count;
    return static_cast<uint32_t>(count);
}

uint64_t memory_reader::skip(uint64_t bytes, abort_callback&) {
    uint64_t count = std::min<uint64_t>(bytes, bytes_.size() - position_);
    position_ += static_cast<size_t>(count);
    return count;
}
