#pragma once
#include <cstdint>

// An owned byte array of exact size: no spare capacity, so the size is
// always what was last asked for.
class byte_buffer {
public:
    byte_buffer() = default;
    explicit byte_buffer(uint32_t size) { set_size(size); }
    byte_buffer(const byte_buffer& other);
    byte_buffer(byte_buffer&& other) noexcept;
    byte_buffer& operator=(const byte_buffer& other);
    byte_buffer& operator=(byte_buffer&& other) noexcept;
    ~byte_buffer();

    uint32_t size() const { return m_size; }
    uint8_t* data() { return m_data; }
    const uint8_t* data() const { return m_data; }
    uint8_t& operator[](uint32_t i) { return m_data[i]; }
    const uint8_t& operator[](uint32_t i) const { return m_data[i]; }

    // Reallocates to exactly size bytes keeping the leading ones; 0 frees.
    // Throws std::bad_alloc on failure, leaving the buffer unchanged.
    void set_size(uint32_t size);
    void fill(uint8_t value);

private:
    uint8_t* m_data = nullptr;
    uint32_t m_size = 0;
};
