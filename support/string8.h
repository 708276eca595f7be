#pragma once
#include <cstdint>

#include "sdk/string_base.h"

// Bytes of text up to max_count or its first 0 byte, never reading past either.
uint32_t text_length(const char* text, uint32_t max_count);

// The growable, 0-terminated UTF-8 string. Lengths and positions count bytes.
// Its buffer keeps at most 32 spare bytes and grows with 16 spare bytes, so
// callers can rely on how often it reallocates.
class string8_t final : public string_base {
public:
    string8_t() = default;
    string8_t(const char* text, uint32_t max_count = string_npos) { set_string(text, max_count); }
    string8_t(const string8_t& other) { set_string(other.m_buffer, other.m_length); }
    string8_t(string8_t&& other) noexcept;
    string8_t& operator=(const string8_t& other);
    string8_t& operator=(string8_t&& other) noexcept;
    string8_t& operator=(const char* text);
    ~string8_t();

    void add_string(const char* text, uint32_t max_count = string_npos) override;
    const char* get_ptr() const override;
    void set_string(const char* text, uint32_t max_count = string_npos) override;
    void truncate(uint32_t new_length) override;
    uint32_t get_length() const override { return m_length; }
    // The whole buffer is zeroed; the text is empty until unlock_buffer.
    char* lock_buffer(uint32_t length) override;
    void unlock_buffer() override;

    string8_t& operator+=(const char* text) { add_string(text); return *this; }
    string8_t& operator+=(const string8_t& other) { add_string(other.get_ptr(), other.m_length); return *this; }
    string8_t& operator+=(char c) { add_string(&c, 1); return *this; }
    bool is_empty() const { return m_length == 0; }
    void reset() { truncate(0); }

    // Removes count bytes from first on; both are clamped to the text.
    void remove_chars(uint32_t first, uint32_t count);
    // Index of the last occurrence of c, string_npos when absent.
    uint32_t find_last(char c) const;
    // Index just after the last '/', ':', '\' or '|'; 0 when there is none.
    uint32_t filename_start() const;

    uint32_t allocated_size() const { return m_allocated; }

private:
    // Makes room for a text of the given length (plus its terminator).
    void make_space(uint32_t length);
    bool owns(const char* p) const;

    char* m_buffer = nullptr;
    uint32_t m_allocated = 0;
    uint32_t m_length = 0;
};

bool operator==(const string8_t& a, const string8_t& b);
bool operator==(const string8_t& a, const char* b);
