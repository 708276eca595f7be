#pragma once
#include <cstdint>
#include <exception>
#include <new>
#include <string>

// The exception tree shared by the host and its components. Every class has a
// fixed message; the default constructor points at static text, and copies
// duplicate whatever text they carry.
class exception_message {
public:
    explicit exception_message(const char* static_text) noexcept : static_text_(static_text) {}
    exception_message(std::string owned) : static_text_(nullptr), owned_(std::move(owned)) {}
    const char* c_str() const noexcept { return static_text_ ? static_text_ : owned_.c_str(); }

private:
    const char* static_text_;
    std::string owned_;
};

#define VELMO_EXCEPTION_ROOT(name, default_text)                                   \
    class name : public std::exception {                                           \
    public:                                                                        \
        name() noexcept : message_(default_text) {}                                \
        explicit name(const char* text) : message_(std::string(text)) {}           \
        const char* what() const noexcept override { return message_.c_str(); }   \
                                                                                   \
    protected:                                                                     \
        struct static_text_tag {};                                                 \
        name(static_text_tag, const char* text) noexcept : message_(text) {}       \
                                                                                   \
    private:                                                                       \
        exception_message message_;                                                \
    }

#define VELMO_EXCEPTION_CHILD(name, base, default_text)                            \
    class name : public base {                                                     \
    public:                                                                        \
        name() noexcept : base(static_text_tag{}, default_text) {}                 \
        explicit name(const char* text) : base(text) {}                            \
                                                                                   \
    protected:                                                                     \
        name(static_text_tag tag, const char* text) noexcept : base(tag, text) {}  \
    }

VELMO_EXCEPTION_ROOT(exception_overflow, "Overflow");
VELMO_EXCEPTION_ROOT(exception_bug_check, "Bug check");
VELMO_EXCEPTION_CHILD(exception_not_implemented, exception_bug_check, "Feature not implemented");

// A Windows error code turned into text; the code stays readable. The
// support layer that both sides link formats the text.
class exception_win32 : public std::exception {
public:
    explicit exception_win32(uint32_t code);
    const char* what() const noexcept override { return message_.c_str(); }
    uint32_t get_code() const noexcept { return code_; }

private:
    std::string message_;
    uint32_t code_;
};

namespace sonmara_io {

VELMO_EXCEPTION_ROOT(exception_io, "Generic I/O error");
VELMO_EXCEPTION_CHILD(exception_io_data, exception_io, "Unsupported format or corrupted file");
VELMO_EXCEPTION_CHILD(exception_io_unsupported_format, exception_io_data, "Unsupported file format");
VELMO_EXCEPTION_CHILD(exception_io_bad_subsong_index, exception_io_data, "Unexpected subsong index");
VELMO_EXCEPTION_CHILD(exception_io_data_truncation, exception_io_data, "Unsupported format or corrupted file");
VELMO_EXCEPTION_CHILD(exception_io_no_handler_for_path, exception_io, "Invalid path");
// Raised by the host's file systems.
VELMO_EXCEPTION_CHILD(exception_io_not_found, exception_io, "Object not found");
VELMO_EXCEPTION_CHILD(exception_io_denied, exception_io, "Access denied");
VELMO_EXCEPTION_CHILD(exception_io_sharing_violation, exception_io, "File is already in use");

// Not an exception_io: a handler for I/O errors never swallows a cancellation.
VELMO_EXCEPTION_ROOT(exception_aborted, "User abort");

}  // namespace sonmara_io

#undef VELMO_EXCEPTION_ROOT
#undef VELMO_EXCEPTION_CHILD
