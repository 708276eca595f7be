#pragma once
#include <cstdint>
#include <vector>

// The header of a WAV file of `frames` frames: integer PCM, or 32-bit float
// with the fact chunk that format asks for. A stream, whose length is not
// known yet, gives 0xFFFFFFFF for every size.
std::vector<uint8_t> wav_header(bool is_float, uint32_t channels, uint32_t rate, uint32_t bits, uint64_t frames,
                                bool streaming);
