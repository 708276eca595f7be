#include "support/ansi_code_page.h"

#include <cstring>
#include <new>
#include <vector>

#include "support/string8.h"
#include "support/utf8.h"

#ifdef _WIN32
#include <windows.h>
using wide_unit = wchar_t;
#else
using wide_unit = char16_t;
#endif

namespace {

#ifdef _WIN32

int int_or_throw(size_t n) {
    if (n > 0x7FFFFFFF) throw std::bad_alloc();
    return static_cast<int>(n);
}

// No flags and no default character: Windows picks its own replacement.
void wide_to_ansi(byte_buffer& out, const wide_unit* wide, size_t units) {
    const int count = units ? WideCharToMultiByte(CP_ACP, 0, wide, int_or_throw(units), nullptr, 0, nullptr, nullptr) : 0;
    const uint32_t size = count > 0 ? static_cast<uint32_t>(count) : 0;
    out.set_size(size + 1);
    out.fill(0);
    const int written = size ? WideCharToMultiByte(CP_ACP, 0, wide, int_or_throw(units), reinterpret_cast<char*>(out.data()),
                                                   count, nullptr, nullptr)
                             : 0;
    out[written > 0 ? static_cast<uint32_t>(written) : 0] = 0;
}

std::vector<wide_unit> ansi_to_wide(const char* text, uint32_t bytes, size_t& units) {
    const int count = bytes ? MultiByteToWideChar(CP_ACP, 0, text, int_or_throw(bytes), nullptr, 0) : 0;
    units = count > 0 ? static_cast<size_t>(count) : 0;
    std::vector<wide_unit> wide(units + 1, 0);
    if (units) {
        const int written = MultiByteToWideChar(CP_ACP, 0, text, int_or_throw(bytes), wide.data(), count);
        units = written > 0 ? static_cast<size_t>(written) : 0;
        wide[units] = 0;
    }
    return wide;
}

#else

// Windows-1252 bytes 0x80-0x9F. The five bytes the code page leaves
// undefined map to the C1 control of the same value, as Windows maps them.
constexpr char16_t cp1252_high[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char to_cp1252(uint32_t value) {
    if (value < 0x80 || (value >= 0xA0 && value <= 0xFF)) return static_cast<char>(value);
    for (unsigned i = 0; i < 32; ++i)
        if (cp1252_high[i] == value) return static_cast<char>(0x80 + i);
    return '?';
}

void wide_to_ansi(byte_buffer& out, const wide_unit* wide, size_t units) {
    // A surrogate pair is one character and so one replacement.
    std::vector<char> bytes;
    bytes.reserve(units);
    for (size_t i = 0; i < units; ++i) {
        const uint32_t unit = wide[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units && wide[i + 1] >= 0xDC00 && wide[i + 1] <= 0xDFFF) ++i;
        bytes.push_back(unit >= 0xD800 && unit <= 0xDFFF ? '?' : to_cp1252(unit));
    }
    out.set_size(static_cast<uint32_t>(bytes.size()) + 1);
    out.fill(0);
    if (!bytes.empty()) std::memcpy(out.data(), bytes.data(), bytes.size());
}

std::vector<wide_unit> ansi_to_wide(const char* text, uint32_t bytes, size_t& units) {
    std::vector<wide_unit> wide(static_cast<size_t>(bytes) + 1, 0);
    for (uint32_t i = 0; i < bytes; ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        wide[i] = byte >= 0x80 && byte < 0xA0 ? cp1252_high[byte - 0x80] : byte;
    }
    units = bytes;
    return wide;
}

#endif

}  // namespace

void utf8_to_ansi(byte_buffer& out, const char* text, uint32_t max_count) {
    const uint32_t bytes = text_length(text, max_count);
    std::vector<wide_unit> wide(utf16_units_for_utf8(bytes));
    const size_t units = utf8_to_utf16(wide.data(), wide.size(), text ? text : "", bytes);
    wide_to_ansi(out, wide.data(), units);
}

void ansi_to_utf8(byte_buffer& out, const char* text, uint32_t max_count) {
    const uint32_t bytes = text_length(text, max_count);
    size_t units = 0;
    const std::vector<wide_unit> wide = ansi_to_wide(text, bytes, units);
    out.set_size(utf8_bytes_for_utf16(units));
    const size_t written = utf16_to_utf8(reinterpret_cast<char*>(out.data()), out.size(), wide.data(), units);
    out.set_size(static_cast<uint32_t>(written) + 1);
}

void ansi_to_utf8(string_base& out, const char* text, uint32_t max_count) {
    byte_buffer utf8;
    ansi_to_utf8(utf8, text, max_count);
    out.set_string(reinterpret_cast<const char*>(utf8.data()), utf8.size() - 1);
}
