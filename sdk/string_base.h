#pragma once
#include <cstdint>

// Text interfaces shared by the host and its components. Lengths and
// positions count bytes of UTF-8; a maximum count of string_npos means "up to
// the terminating 0 byte".
inline constexpr uint32_t string_npos = 0xFFFFFFFFu;

class string_receiver {
public:
    virtual void add_string(const char* text, uint32_t max_count = string_npos) = 0;

protected:
    string_receiver() = default;
    ~string_receiver() = default;
};

class string_base : public string_receiver {
public:
    virtual const char* get_ptr() const = 0;
    virtual void set_string(const char* text, uint32_t max_count = string_npos) = 0;
    virtual void truncate(uint32_t new_length) = 0;
    virtual uint32_t get_length() const = 0;
    virtual char* lock_buffer(uint32_t length) = 0;
    virtual void unlock_buffer() = 0;

protected:
    string_base() = default;
    ~string_base() = default;
};
