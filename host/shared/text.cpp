#include <cstdint>

#include "sdk/shared.h"

namespace {

// Reads one UTF-8 sequence; malformed bytes are taken one at a time as themselves.
uint32_t next_code_point(const unsigned char*& p) {
    uint32_t c = *p++;
    int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    if (extra == 0) return c;
    uint32_t value = c & (0x3F >> extra);
    for (int i = 0; i < extra; ++i) {
        if ((p[i] & 0xC0) != 0x80) return c;
    }
    for (int i = 0; i < extra; ++i) value = (value << 6) | (*p++ & 0x3F);
    return value;
}

// Simple case folding for the scripts that tags commonly use.
uint32_t fold(uint32_t c) {
    if (c >= 'A' && c <= 'Z') return c + 0x20;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 0x20;
    if (c >= 0x100 && c <= 0x17F && c != 0x130 && c != 0x131 && c != 0x138 && c != 0x149) {
        bool odd_lower = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        if (odd_lower) return (c & 1) ? c + 1 : c;
        return c | 1;
    }
    if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return c + 0x20;
    if (c >= 0x410 && c <= 0x42F) return c + 0x20;
    if (c >= 0x400 && c <= 0x40F) return c + 0x50;
    return c;
}

}  // namespace

int stricmp_utf8(const char* a, const char* b) {
    auto pa = reinterpret_cast<const unsigned char*>(a);
    auto pb = reinterpret_cast<const unsigned char*>(b);
    for (;;) {
        if (*pa == 0 || *pb == 0) return (*pa != 0) - (*pb != 0);
        uint32_t ca = fold(next_code_point(pa));
        uint32_t cb = fold(next_code_point(pb));
        if (ca != cb) return ca < cb ? -1 : 1;
    }
}

namespace audio_math {

void convert_from_int16(const int16_t* source, size_t count, float* target, float scale) {
    const float factor = scale / 32768.0f;
    for (size_t i = 0; i < count; ++i) target[i] = static_cast<float>(source[i]) * factor;
}

void convert_from_int32(const int32_t* source, size_t count, float* target, float scale) {
    const float factor = scale / 2147483648.0f;
    for (size_t i = 0; i < count; ++i) target[i] = static_cast<float>(source[i]) * factor;
}

}  // namespace audio_math
