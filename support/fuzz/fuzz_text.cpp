// Feeds arbitrary bytes to the text converters and checks that every output
// is terminated, stays inside its buffer and that valid text round-trips.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "support/ansi_code_page.h"
#include "support/utf8.h"

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

constexpr char16_t guard16 = 0xA5A5;
constexpr char guard8 = 0x5A;

// Converts into a buffer of exactly out_units, with guard units behind it.
std::u16string to_utf16(const std::string& in, size_t out_units) {
    std::vector<char16_t> out(out_units + 4, guard16);
    const size_t n = utf8_to_utf16(out.data(), out_units, in.data(), in.size());
    if (out_units == 0) {
        check(n == 0 && out[0] == guard16);
        return {};
    }
    check(n < out_units && out[n] == 0);
    for (size_t i = out_units; i < out.size(); ++i) check(out[i] == guard16);
    return std::u16string(out.data(), n);
}

std::string to_utf8(const std::u16string& in, size_t out_bytes) {
    std::vector<char> out(out_bytes + 4, guard8);
    const size_t n = utf16_to_utf8(out.data(), out_bytes, in.data(), in.size());
    if (out_bytes == 0) {
        check(n == 0 && out[0] == guard8);
        return {};
    }
    check(n < out_bytes && out[n] == 0);
    for (size_t i = out_bytes; i < out.size(); ++i) check(out[i] == guard8);
    return std::string(out.data(), n);
}

bool is_surrogate(uint32_t v) { return v >= 0xD800 && v <= 0xDFFF; }

void check_utf8_side(const std::string& in, size_t small) {
    // Every decoded character stays inside the input.
    std::string canonical;
    size_t pos = 0;
    for (;;) {
        uint32_t value;
        const uint32_t length = utf8_decode_char(in.data() + pos, value, in.size() - pos);
        check(length <= in.size() - pos && length <= utf8_max_char_bytes);
        if (!length) break;
        pos += length;
        if (is_surrogate(value) || value > 0xFFFFF) continue;
        char bytes[utf8_max_char_bytes];
        canonical.append(bytes, utf8_encode_char(value, bytes));
    }

    const std::u16string full = to_utf16(in, utf16_units_for_utf8(in.size()));
    const std::u16string cut = to_utf16(in, small);
    check(full.compare(0, cut.size(), cut) == 0);

    // Text of encodable, non-surrogate characters survives both directions.
    const std::u16string wide = to_utf16(canonical, utf16_units_for_utf8(canonical.size()));
    check(to_utf8(wide, utf8_bytes_for_utf16(wide.size())) == canonical);
}

void check_utf16_side(const uint8_t* data, size_t size, size_t small) {
    std::u16string in(size / 2, 0);
    if (!in.empty()) std::memcpy(in.data(), data, in.size() * 2);
    const size_t end = in.find(char16_t(0));
    if (end != std::u16string::npos) in.resize(end);

    const std::string full = to_utf8(in, utf8_bytes_for_utf16(in.size()));
    const std::string cut = to_utf8(in, small);
    check(full.compare(0, cut.size(), cut) == 0);

    // Back to UTF-16 gives the same units unless a pair held a value past
    // 0xFFFFF, which becomes '?'.
    bool large_pair = false;
    for (size_t i = 0; i + 1 < in.size(); ++i)
        if (in[i] >= 0xDBC0 && in[i] <= 0xDBFF && in[i + 1] >= 0xDC00 && in[i + 1] <= 0xDFFF) large_pair = true;
    if (!large_pair) check(to_utf16(full, utf16_units_for_utf8(full.size())) == in);
}

void check_ansi(const std::string& in) {
    byte_buffer utf8, back;
    ansi_to_utf8(utf8, in.c_str());
    check(utf8.size() >= 1 && utf8[utf8.size() - 1] == 0);
    check(std::strlen(reinterpret_cast<const char*>(utf8.data())) == utf8.size() - 1);
    utf8_to_ansi(back, reinterpret_cast<const char*>(utf8.data()));
    check(back.size() >= 1 && back[back.size() - 1] == 0);
    const std::string prefix = in.substr(0, std::strlen(in.c_str()));
    check(std::string(reinterpret_cast<const char*>(back.data()), back.size() - 1) == prefix);

    byte_buffer ansi;
    utf8_to_ansi(ansi, in.c_str());
    check(ansi.size() >= 1 && ansi[ansi.size() - 1] == 0);
    check(std::strlen(reinterpret_cast<const char*>(ansi.data())) == ansi.size() - 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const size_t small = data[0] % 16;
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    check_utf8_side(text, small);
    check_utf16_side(data + 1, size - 1, small);
    check_ansi(text);
    return 0;
}
