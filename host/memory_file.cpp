#include "host/memory_file.h"

#include <algorithm>
#include <cstring>

#include "sdk/exceptions.h"
#include "support/file_access.h"

uint32_t memory_file::read(void* buffer, uint32_t bytes, abort_callback& abort) {
    check_abort(abort);
    uint64_t left = position_ < bytes_.size() ? bytes_.size() - position_ : 0;
    uint32_t count = static_cast<uint32_t>(std::min<uint64_t>(bytes, left));
    if (count) std::memcpy(buffer, bytes_.data() + position_, count);
    position_ += count;
    return count;
}

void memory_file::read_object(void* buffer, uint32_t bytes, abort_callback& abort) {
    if (read(buffer, bytes, abort) != bytes) throw sonmara_io::exception_io_data_truncation();
}

uint64_t memory_file::skip(uint64_t bytes, abort_callback& abort) {
    check_abort(abort);
    uint64_t left = position_ < bytes_.size() ? bytes_.size() - position_ : 0;
    uint64_t count = std::min(bytes, left);
    position_ += count;
    return count;
}

void memory_file::skip_object(uint64_t bytes, abort_callback& abort) {
    if (skip(bytes, abort) != bytes) throw sonmara_io::exception_io_data_truncation();
}

void memory_file::write(const void*, uint32_t, abort_callback&) { throw sonmara_io::exception_io_denied(); }

void memory_file::resize(uint64_t, abort_callback&) { throw sonmara_io::exception_io_denied(); }

void memory_file::seek(uint64_t position, abort_callback& abort) {
    check_abort(abort);
    if (position > bytes_.size()) throw sonmara_io::exception_io("Seek past the end of the file");
    position_ = position;
}
