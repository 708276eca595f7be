#include "support/wav_header.h"

#include "support/little_endian.h"

std::vector<uint8_t> wav_header(bool is_float, uint32_t channels, uint32_t rate, uint32_t bits, uint64_t frames,
                                bool streaming) {
    const uint32_t frame_bytes = channels * bits / 8;
    const uint32_t fmt_bytes = is_float ? 18 : 16;
    const uint32_t fact_bytes = is_float ? 12 : 0;
    const auto data_bytes = static_cast<uint32_t>(frames * frame_bytes);
    const uint32_t unknown = 0xFFFFFFFF;
    std::vector<uint8_t> header;
    const auto tag = [&](const char* name) { header.insert(header.end(), name, name + 4); };
    tag("RIFF");
    put32(header, streaming ? unknown : 4 + 8 + fmt_bytes + fact_bytes + 8 + data_bytes);
    tag("WAVE");
    tag("fmt ");
    put32(header, fmt_bytes);
    put16(header, is_float ? 3 : 1);
    put16(header, channels);
    put32(header, rate);
    put32(header, rate * frame_bytes);
    put16(header, frame_bytes);
    put16(header, bits);
    if (is_float) {
        put16(header, 0);
        tag("fact");
        put32(header, 4);
        put32(header, streaming ? unknown : static_cast<uint32_t>(frames));
    }
    tag("data");
    put32(header, streaming ? unknown : data_bytes);
    return header;
}
