#pragma once
#include <cstdint>
#include <cstring>

// A class identifier; in streams stored as 16 bytes with data1 to data3
// little-endian.
struct guid_t {
    uint32_t data1;
    uint16_t data2;
    uint16_t data3;
    uint8_t data4[8];

    friend constexpr bool operator==(const guid_t& a, const guid_t& b) {
        if (a.data1 != b.data1 || a.data2 != b.data2 || a.data3 != b.data3) return false;
        for (int i = 0; i < 8; ++i) {
            if (a.data4[i] != b.data4[i]) return false;
        }
        return true;
    }
    friend bool operator<(const guid_t& a, const guid_t& b) { return std::memcmp(&a, &b, sizeof a) < 0; }
};
