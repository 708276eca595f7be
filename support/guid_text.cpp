#include "support/guid_text.h"

#include <cstdio>

namespace {

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::string guid_text(const guid_t& g) {
    char text[40];
    std::snprintf(text, sizeof text, "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X", unsigned(g.data1),
                  unsigned(g.data2), unsigned(g.data3), g.data4[0], g.data4[1], g.data4[2], g.data4[3], g.data4[4],
                  g.data4[5], g.data4[6], g.data4[7]);
    return text;
}

std::optional<guid_t> parse_guid_text(const std::string& text) {
    // Hex digits in groups of 8-4-4-4-12.
    if (text.size() != 36) return std::nullopt;
    uint8_t bytes[16];
    size_t digit = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (i == 8 || i == 13 || i == 18 || i == 23) {
            if (text[i] != '-') return std::nullopt;
            continue;
        }
        const int value = hex_digit(text[i]);
        if (value < 0) return std::nullopt;
        if (digit % 2 == 0) bytes[digit / 2] = uint8_t(value << 4);
        else bytes[digit / 2] |= uint8_t(value);
        ++digit;
    }
    guid_t g;
    g.data1 = uint32_t(bytes[0]) << 24 | uint32_t(bytes[1]) << 16 | uint32_t(bytes[2]) << 8 | bytes[3];
    g.data2 = uint16_t(bytes[4] << 8 | bytes[5]);
    g.data3 = uint16_t(bytes[6] << 8 | bytes[7]);
    for (int i = 0; i < 8; ++i) g.data4[i] = bytes[8 + i];
    return g;
}
