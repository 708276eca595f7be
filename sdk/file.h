#pragma once
#include <cstdint>

#include "sdk/abort.h"
#include "sdk/service.h"

// Sequential byte sources and sinks. The exact forms raise
// exception_io_data_truncation when fewer bytes were transferred.
class stream_reader {
public:
    virtual uint32_t read(void* buffer, uint32_t bytes, abort_callback& abort) = 0;
    virtual void read_object(void* buffer, uint32_t bytes, abort_callback& abort) = 0;
    virtual uint64_t skip(uint64_t bytes, abort_callback& abort) = 0;
    virtual void skip_object(uint64_t bytes, abort_callback& abort) = 0;

protected:
    ~stream_reader() = default;
};

class stream_writer {
public:
    // Writes every byte or raises an exception_io.
    virtual void write(const void* buffer, uint32_t bytes, abort_callback& abort) = 0;

protected:
    ~stream_writer() = default;
};

// An open file of one of the host's file systems, with its reader and writer facets.
class file : public service_base, public stream_reader, public stream_writer {
public:
    using parent_class = service_base;
    static constexpr guid_t class_guid = {0x6D2E6C5A, 0x30B1, 0x4D7E, {0x9C, 0x11, 0x52, 0xA4, 0x0E, 0x73, 0x1B, 0xC8}};

    virtual uint64_t get_size(abort_callback& abort) = 0;
    virtual uint64_t get_position(abort_callback& abort) = 0;
    // Sets the length; the position is kept unless it lies past the new end.
    virtual void resize(uint64_t length, abort_callback& abort) = 0;
    virtual void seek(uint64_t position, abort_callback& abort) = 0;
    virtual void on_idle(abort_callback& abort) = 0;
    virtual uint64_t get_timestamp(abort_callback& abort) = 0;
    virtual void rewind(abort_callback& abort) = 0;

protected:
    ~file() = default;
};

enum file_open_mode : int { file_open_read = 0, file_open_write_existing = 1 };

class file_system : public service_base {
public:
    using parent_class = service_base;
    static constexpr guid_t class_guid = {0x2FBCE1E5, 0x902E, 0x49E0, {0xB9, 0xCF, 0xCE, 0x0F, 0xBA, 0x76, 0x53, 0x48}};

    virtual bool is_our_path(const char* path) = 0;
    virtual void open(service_ptr_t<file>& out, const char* path, int mode, abort_callback& abort) = 0;

protected:
    ~file_system() = default;
};
