#include "support/number_text.h"

namespace {
const char digits[] = "0123456789ABCDEF";
}

void number_text::write_digits(uint64_t value, unsigned radix) {
    m_first = sizeof m_text - 1;
    m_text[m_first] = 0;
    do {
        m_text[--m_first] = digits[value % radix];
        value /= radix;
    } while (value);
}

number_text::number_text(int64_t value) {
    // Negated in unsigned arithmetic so that INT64_MIN keeps its magnitude.
    const uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    write_digits(magnitude, 10);
    if (value < 0) m_text[--m_first] = '-';
}

number_text::number_text(uint64_t value, unsigned radix) {
    write_digits(value, radix >= 2 && radix <= 16 ? radix : 10);
}
