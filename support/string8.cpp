#include "support/string8.h"

#include <cstdlib>
#include <cstring>
#include <functional>
#include <new>
#include <utility>

#include "sdk/exceptions.h"

namespace {

const char g_empty_text[1] = {0};

uint32_t checked_add(uint32_t a, uint32_t b) {
    if (b > UINT32_MAX - a) throw std::bad_alloc();
    return a + b;
}

}  // namespace

uint32_t text_length(const char* text, uint32_t max_count) {
    if (!text) return 0;
    uint32_t n = 0;
    while (n < max_count && text[n] != 0) ++n;
    return n;
}

string8_t::string8_t(string8_t&& other) noexcept
    : m_buffer(std::exchange(other.m_buffer, nullptr)),
      m_allocated(std::exchange(other.m_allocated, 0)),
      m_length(std::exchange(other.m_length, 0)) {}

string8_t& string8_t::operator=(const string8_t& other) {
    set_string(other.get_ptr(), other.m_length);
    return *this;
}

string8_t& string8_t::operator=(string8_t&& other) noexcept {
    if (this != &other) {
        std::free(m_buffer);
        m_buffer = std::exchange(other.m_buffer, nullptr);
        m_allocated = std::exchange(other.m_allocated, 0);
        m_length = std::exchange(other.m_length, 0);
    }
    return *this;
}

string8_t& string8_t::operator=(const char* text) {
    set_string(text);
    return *this;
}

string8_t::~string8_t() { std::free(m_buffer); }

bool string8_t::owns(const char* p) const {
    // std::less gives a total order even for pointers into other objects.
    std::less<const char*> before;
    return m_buffer && !before(p, m_buffer) && before(p, m_buffer + m_allocated);
}

void string8_t::make_space(uint32_t length) {
    const uint32_t needed = checked_add(length, 1);
    uint32_t target;
    if (m_allocated < needed)
        target = checked_add(needed, 16);
    else if (m_allocated - needed > 32)
        target = needed;
    else
        return;
    void* p = std::realloc(m_buffer, target);
    if (!p) throw std::bad_alloc();
    m_buffer = static_cast<char*>(p);
    m_allocated = target;
}

void string8_t::add_string(const char* text, uint32_t max_count) {
    const uint32_t count = text_length(text, max_count);
    if (count == 0) return;
    if (owns(text)) {
        const string8_t copy(text, count);
        add_string(copy.m_buffer, count);
        return;
    }
    const uint32_t new_length = checked_add(m_length, count);
    make_space(new_length);
    std::memcpy(m_buffer + m_length, text, count);
    m_length = new_length;
    m_buffer[m_length] = 0;
}

void string8_t::set_string(const char* text, uint32_t max_count) {
    const uint32_t count = text_length(text, max_count);
    if (count && owns(text)) {
        const string8_t copy(text, count);
        set_string(copy.m_buffer, count);
        return;
    }
    make_space(count);
    if (count) std::memcpy(m_buffer, text, count);
    m_length = count;
    m_buffer[m_length] = 0;
}

const char* string8_t::get_ptr() const { return m_length ? m_buffer : g_empty_text; }

void string8_t::truncate(uint32_t new_length) {
    if (new_length >= m_length) return;
    m_length = new_length;
    m_buffer[m_length] = 0;
    make_space(m_length);
}

void string8_t::remove_chars(uint32_t first, uint32_t count) {
    if (first > m_length) first = m_length;
    if (count > m_length - first) count = m_length - first;
    if (count == 0) return;
    std::memmove(m_buffer + first, m_buffer + first + count, m_length - first - count + 1);
    m_length -= count;
    make_space(m_length);
}

char* string8_t::lock_buffer(uint32_t length) {
    if (length == string_npos) throw exception_overflow();
    make_space(length);
    std::memset(m_buffer, 0, m_allocated);
    // The buffer may have shrunk below the old length; the zeroed text is empty.
    m_length = 0;
    return m_buffer;
}

void string8_t::unlock_buffer() {
    if (!m_buffer) return;
    // Bounded by the buffer: a caller that filled every byte keeps what fits.
    const void* end = std::memchr(m_buffer, 0, m_allocated);
    m_length = end ? static_cast<uint32_t>(static_cast<const char*>(end) - m_buffer) : m_allocated - 1;
    m_buffer[m_length] = 0;
    make_space(m_length);
}

uint32_t string8_t::find_last(char c) const {
    for (uint32_t i = m_length; i > 0; --i)
        if (m_buffer[i - 1] == c) return i - 1;
    return string_npos;
}

uint32_t string8_t::filename_start() const {
    for (uint32_t i = m_length; i > 0; --i) {
        const char c = m_buffer[i - 1];
        if (c == '/' || c == ':' || c == '\\' || c == '|') return i;
    }
    return 0;
}

bool operator==(const string8_t& a, const string8_t& b) {
    return a.get_length() == b.get_length() && std::memcmp(a.get_ptr(), b.get_ptr(), a.get_length()) == 0;
}

bool operator==(const string8_t& a, const char* b) { return std::strcmp(a.get_ptr(), b ? b : "") == 0; }
