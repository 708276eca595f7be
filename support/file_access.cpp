#include "support/file_access.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "sdk/shared.h"
#include "sdk/service.h"
#include "support/exceptions.h"

void g_open(service_ptr_t<file>& out, const char* path, int mode, abort_callback& abort) {
    uCallStackTracker tracker("filesystem::g_open");
    service_enum_t<file_system> systems;
    service_ptr_t<file_system> system;
    while (systems.next(system)) {
        if (system->is_our_path(path)) {
            system->open(out, path, mode, abort);
            return;
        }
    }
    throw sonmara_io::exception_io_no_handler_for_path();
}

namespace {

// Closes the event of a read-whole-file call on every way out.
class scoped_event {
public:
    scoped_event() {
        platform::set_last_error(0);
        handle_ = platform::create_event();
        if (!handle_) throw_last_error();
    }
    ~scoped_event() { platform::close_event(handle_); }
    platform::event_handle get() const { return handle_; }

private:
    platform::event_handle handle_;
};

}  // namespace

bool read_whole_file(byte_buffer& out, const char* path) {
    scoped_event event;
    abort_callback_impl abort(event.get());
    try {
        service_ptr_t<file> f;
        g_open(f, path, file_open_read, abort);
        uint64_t size = f->get_size(abort);
        // Sizes past 32 bits are unreadable here rather than wrapped.
        if (size >= 0xFFFFFFFFu) return false;
        out.set_size(static_cast<uint32_t>(size) + 1);
        f->read(out.data(), static_cast<uint32_t>(size), abort);
        out[static_cast<uint32_t>(size)] = 0;
        return true;
    } catch (const sonmara_io::exception_io&) {
        return false;
    }
}

void check_abort(abort_callback& abort) {
    if (abort.is_aborting()) throw sonmara_io::exception_aborted();
}

void stream_reader_exact::read_object(void* buffer, uint32_t bytes, abort_callback& abort) {
    if (read(buffer, bytes, abort) != bytes) throw sonmara_io::exception_io_data_truncation();
}

void stream_reader_exact::skip_object(uint64_t bytes, abort_callback& abort) {
    if (skip(bytes, abort) != bytes) throw sonmara_io::exception_io_data_truncation();
}

uint32_t limited_reader::read(void* buffer, uint32_t bytes, abort_callback& abort) {
    uint32_t wanted = static_cast<uint32_t>(std::min<uint64_t>(bytes, remaining_));
    uint32_t got = source_.read(buffer, wanted, abort);
    remaining_ -= got;
    return got;
}

uint64_t limited_reader::skip(uint64_t bytes, abort_callback& abort) {
    uint64_t got = source_.skip(std::min(bytes, remaining_), abort);
    remaining_ -= got;
    return got;
}

void memory_writer::write(const void* buffer, uint32_t bytes, abort_callback& abort) {
    check_abort(abort);
    if (bytes > 0xFFFFFFFFu - size_) throw std::bad_alloc();
    uint32_t needed = size_ + bytes;
    if (needed > buffer_.size()) {
        uint32_t capacity = buffer_.size() ? buffer_.size() : 1;
        while (capacity < needed) {
            if (capacity > 0x7FFFFFFFu) throw std::bad_alloc();
            capacity *= 2;
        }
        buffer_.set_size(capacity);
    }
    if (bytes) std::memcpy(buffer_.data() + size_, buffer, bytes);
    size_ = needed;
}
