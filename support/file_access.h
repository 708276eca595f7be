#pragma once
#include <cstdint>

#include "sdk/file.h"
#include "support/byte_buffer.h"
#include "support/platform.h"

// Opens a path through the first of the host's file systems that owns it.
// Raises exception_io_no_handler_for_path when none does.
void g_open(service_ptr_t<file>& out, const char* path, int mode, abort_callback& abort);

// Reads a whole file into out followed by one 0 byte. False when the file
// cannot be opened or read (any exception_io); other failures propagate.
bool read_whole_file(byte_buffer& out, const char* path);

// Raises exception_aborted once the operation was cancelled.
void check_abort(abort_callback& abort);

// The component's own cancellation token: never aborting, with its own event.
class abort_callback_impl final : public abort_callback {
public:
    explicit abort_callback_impl(platform::event_handle event) : event_(event) {}
    bool is_aborting() const override { return false; }
    void* get_abort_event() const override { return event_; }

private:
    platform::event_handle event_;
};

// Exact reads and skips on top of a plain read and skip.
class stream_reader_exact : public stream_reader {
public:
    void read_object(void* buffer, uint32_t bytes, abort_callback& abort) override;
    void skip_object(uint64_t bytes, abort_callback& abort) override;

protected:
    ~stream_reader_exact() = default;
};

// A view of another reader that ends after a byte budget.
class limited_reader final : public stream_reader_exact {
public:
    limited_reader(stream_reader& source, uint64_t budget) : source_(source), remaining_(budget) {}

    uint32_t read(void* buffer, uint32_t bytes, abort_callback& abort) override;
    uint64_t skip(uint64_t bytes, abort_callback& abort) override;
    uint64_t remaining() const { return remaining_; }

private:
    stream_reader& source_;
    uint64_t remaining_;
};

// Appends to a growable buffer, doubling its capacity.
class memory_writer final : public stream_writer {
public:
    void write(const void* buffer, uint32_t bytes, abort_callback& abort) override;

    const uint8_t* data() const { return buffer_.data(); }
    uint32_t size() const { return size_; }
    void clear() { size_ = 0; }

private:
    byte_buffer buffer_;
    uint32_t size_ = 0;
};
