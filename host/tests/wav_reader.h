#pragma once
// Reads back the WAV files the host writes, as a WAV reader would.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "support/little_endian.h"

struct wav_file {
    uint16_t format = 0, channels = 0, bits = 0;
    uint32_t rate = 0;
    bool streamed = false;  // the streaming convention's lengths: unknown, to the end
    std::vector<uint8_t> data;
};

constexpr uint32_t wav_unknown_length = 0xFFFFFFFF;

// Calls `visit(tag, offset, declared size)` for each chunk whose header the
// bytes hold, in order.
template <class Visit>
inline void walk_chunks(const std::vector<uint8_t>& bytes, Visit visit) {
    for (size_t at = 12; at + 8 <= bytes.size();) {
        const uint32_t size = get32(&bytes[at + 4]);
        visit(std::string(reinterpret_cast<const char*>(&bytes[at]), 4), at, size);
        if (size == wav_unknown_length) break;  // a stream's last chunk
        at += 8 + size + (size & 1);
    }
}

// Reads the chunks a WAV reader would; fails the test on a bad layout.
inline wav_file parse_wav(const std::vector<uint8_t>& bytes) {
    wav_file wav;
    EXPECT_GE(bytes.size(), 44u);
    if (bytes.size() < 44) return wav;
    EXPECT_EQ(std::memcmp(bytes.data(), "RIFF", 4), 0);
    wav.streamed = get32(&bytes[4]) == wav_unknown_length;
    if (!wav.streamed) {
        EXPECT_EQ(get32(&bytes[4]), bytes.size() - 8);
    }
    EXPECT_EQ(std::memcmp(&bytes[8], "WAVE", 4), 0);
    walk_chunks(bytes, [&](const std::string& tag, size_t at, uint32_t size) {
        const uint8_t* body = &bytes[at + 8];
        if (tag == "fmt ") {
            wav.format = static_cast<uint16_t>(get16(body));
            wav.channels = static_cast<uint16_t>(get16(body + 2));
            wav.rate = get32(body + 4);
            wav.bits = static_cast<uint16_t>(get16(body + 14));
        } else if (tag == "data") {
            if (wav.streamed) {
                EXPECT_EQ(size, wav_unknown_length);
            } else {
                EXPECT_EQ(at + 8 + size, bytes.size());
            }
            wav.data.assign(body, body + std::min<size_t>(size, bytes.size() - at - 8));
        }
    });
    return wav;
}
