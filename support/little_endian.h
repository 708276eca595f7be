#pragma once
#include <cstdint>
#include <vector>

// Little-endian numbers in SPC files: read from bytes, appended to a buffer.
inline uint32_t get16(const uint8_t* p) { return p[0] | p[1] << 8; }
inline uint32_t get32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }

inline void put16(std::vector<uint8_t>& out, uint32_t value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}
inline void put32(std::vector<uint8_t>& out, uint32_t value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}
