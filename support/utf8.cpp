#include "support/utf8.h"

#include <new>

namespace {

// Smallest low-six-bit value of the third byte when the first two carry no
// value bits, indexed by sequence length; rejects overlong 3- to 6-byte forms.
constexpr uint8_t overlong_floor[7] = {0, 0, 0, 0x10, 0x08, 0x04, 0x02};

uint32_t decode(const unsigned char* s, uint32_t& value, size_t available) {
    value = 0;
    if (available == 0) return 0;
    const unsigned char first = s[0];
    if (first < 0x80) {
        value = first;
        return first ? 1 : 0;
    }
    uint32_t length;
    if ((first & 0xE0) == 0xC0) length = 2;
    else if ((first & 0xF0) == 0xE0) length = 3;
    else if ((first & 0xF8) == 0xF0) length = 4;
    else if ((first & 0xFC) == 0xF8) length = 5;
    else if ((first & 0xFE) == 0xFC) length = 6;
    else return 0;
    if (length > available) return 0;
    if (length == 2 && first < 0xC2) return 0;
    // Checked one by one, so a 0 byte stops the scan before the next is read.
    for (uint32_t i = 1; i < length; ++i)
        if ((s[i] & 0xC0) != 0x80) return 0;
    const uint32_t first_bits = first & (0x7Fu >> length);
    if (length >= 3 && first_bits == 0 && (s[1] & 0x3F) == 0 && (s[2] & 0x3F) < overlong_floor[length])
        return 0;
    uint32_t v = first_bits;
    for (uint32_t i = 1; i < length; ++i) v = (v << 6) | (s[i] & 0x3F);
    value = v;
    return length;
}

template <class unit>
size_t to_utf16(unit* out, size_t out_units, const char* src, size_t src_max) {
    if (out_units == 0) return 0;
    const auto* s = reinterpret_cast<const unsigned char*>(src);
    size_t written = 0, read = 0;
    const size_t room = out_units - 1;
    for (;;) {
        uint32_t value;
        const uint32_t length = decode(s + read, value, src_max - read);
        if (length == 0) break;
        if (value >= 0x10000 && value <= 0xFFFFF) {
            if (room - written < 2) break;
            value -= 0x10000;
            out[written++] = static_cast<unit>(0xD800 | (value >> 10));
            out[written++] = static_cast<unit>(0xDC00 | (value & 0x3FF));
        } else {
            if (room - written < 1) break;
            out[written++] = static_cast<unit>(value > 0xFFFFF ? '?' : value);
        }
        read += length;
    }
    out[written] = 0;
    return written;
}

// One character from a non-empty run of units; returns the units it took.
template <class unit>
size_t read_utf16(const unit* src, size_t available, uint32_t& value) {
    value = static_cast<uint16_t>(src[0]);
    if (value >= 0xD800 && value <= 0xDBFF && available > 1) {
        const uint32_t low = static_cast<uint16_t>(src[1]);
        if (low >= 0xDC00 && low <= 0xDFFF) {
            value = 0x10000 + ((value - 0xD800) << 10) + (low - 0xDC00);
            return 2;
        }
    }
    return 1;
}

template <class unit>
size_t to_utf8(char* out, size_t out_bytes, const unit* src, size_t src_max) {
    if (out_bytes == 0) return 0;
    size_t written = 0, read = 0;
    const size_t room = out_bytes - 1;
    while (read < src_max && src[read] != 0) {
        uint32_t value;
        const size_t used = read_utf16(src + read, src_max - read, value);
        char bytes[utf8_max_char_bytes];
        const uint32_t length = utf8_encode_char(value, bytes);
        if (room - written < length) break;
        for (uint32_t i = 0; i < length; ++i) out[written++] = bytes[i];
        read += used;
    }
    out[written] = 0;
    return written;
}

uint32_t size_or_throw(size_t size) {
    if (size > UINT32_MAX) throw std::bad_alloc();
    return static_cast<uint32_t>(size);
}

}  // namespace

uint32_t utf8_decode_char(const char* src, uint32_t& value) {
    return decode(reinterpret_cast<const unsigned char*>(src), value, SIZE_MAX);
}

uint32_t utf8_decode_char(const char* src, uint32_t& value, size_t available) {
    return decode(reinterpret_cast<const unsigned char*>(src), value, available);
}

uint32_t utf8_encode_char(uint32_t value, char* out) {
    if (value < 0x80) {
        out[0] = static_cast<char>(value);
        return 1;
    }
    uint32_t length;
    if (value < 0x800) length = 2;
    else if (value < 0x10000) length = 3;
    else if (value < 0x200000) length = 4;
    else if (value < 0x4000000) length = 5;
    else if (value < 0x80000000) length = 6;
    else return 0;
    for (uint32_t i = length - 1; i > 0; --i) {
        out[i] = static_cast<char>(0x80 | (value & 0x3F));
        value >>= 6;
    }
    const uint8_t lead_marks = static_cast<uint8_t>(0xFF00 >> length);
    out[0] = static_cast<char>(lead_marks | value);
    return length;
}

size_t utf8_to_utf16(char16_t* out, size_t out_units, const char* src, size_t src_max) {
    return to_utf16(out, out_units, src, src_max);
}

size_t utf16_to_utf8(char* out, size_t out_bytes, const char16_t* src, size_t src_max) {
    return to_utf8(out, out_bytes, src, src_max);
}

#ifdef _WIN32
size_t utf8_to_utf16(wchar_t* out, size_t out_units, const char* src, size_t src_max) {
    return to_utf16(out, out_units, src, src_max);
}

size_t utf16_to_utf8(char* out, size_t out_bytes, const wchar_t* src, size_t src_max) {
    return to_utf8(out, out_bytes, src, src_max);
}
#endif

// Every UTF-8 byte yields at most one unit (four bytes give a pair).
uint32_t utf16_units_for_utf8(size_t utf8_bytes) {
    if (utf8_bytes >= UINT32_MAX) throw std::bad_alloc();
    return size_or_throw(utf8_bytes + 1);
}

// Every unit yields at most three bytes (a pair gives four).
uint32_t utf8_bytes_for_utf16(size_t utf16_units) {
    if (utf16_units >= UINT32_MAX / 3) throw std::bad_alloc();
    return size_or_throw(utf16_units * 3 + 1);
}

void utf8_append_utf16(string_receiver& out, const char16_t* src, size_t src_max) {
    char chunk[256];
    uint32_t filled = 0;
    size_t read = 0;
    while (read < src_max && src[read] != 0) {
        uint32_t value;
        read += read_utf16(src + read, src_max - read, value);
        if (sizeof chunk - filled < utf8_max_char_bytes) {
            out.add_string(chunk, filled);
            filled = 0;
        }
        filled += utf8_encode_char(value, chunk + filled);
    }
    if (filled) out.add_string(chunk, filled);
}
