#include "support/byte_buffer.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

byte_buffer::byte_buffer(const byte_buffer& other) {
    set_size(other.m_size);
    if (m_size) std::memcpy(m_data, other.m_data, m_size);
}

byte_buffer::byte_buffer(byte_buffer&& other) noexcept
    : m_data(std::exchange(other.m_data, nullptr)), m_size(std::exchange(other.m_size, 0)) {}

byte_buffer& byte_buffer::operator=(const byte_buffer& other) {
    if (this != &other) {
        byte_buffer copy(other);
        *this = std::move(copy);
    }
    return *this;
}

byte_buffer& byte_buffer::operator=(byte_buffer&& other) noexcept {
    if (this != &other) {
        std::free(m_data);
        m_data = std::exchange(other.m_data, nullptr);
        m_size = std::exchange(other.m_size, 0);
    }
    return *this;
}

byte_buffer::~byte_buffer() { std::free(m_data); }

void byte_buffer::set_size(uint32_t size) {
    if (size == m_size) return;
    if (size == 0) {
        std::free(m_data);
        m_data = nullptr;
        m_size = 0;
        return;
    }
    void* p = std::realloc(m_data, size);
    if (!p) throw std::bad_alloc();
    m_data = static_cast<uint8_t*>(p);
    m_size = size;
}

void byte_buffer::fill(uint8_t value) {
    if (m_size) std::memset(m_data, value, m_size);
}
