#pragma once
#include <cstdint>

// The text of one integer, held in place: no allocation.
class number_text {
public:
    // Decimal, with a leading '-' for negative values.
    explicit number_text(int64_t value);
    // Radix 2 to 16, digits 0-9 then A-F; other radixes are taken as 10.
    number_text(uint64_t value, unsigned radix);

    const char* get_ptr() const { return m_text + m_first; }
    uint32_t get_length() const { return static_cast<uint32_t>(sizeof m_text - 1 - m_first); }

private:
    void write_digits(uint64_t value, unsigned radix);

    // 64 binary digits, a sign and the terminator.
    char m_text[66];
    uint32_t m_first = 0;
};
