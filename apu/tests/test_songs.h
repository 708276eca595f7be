#pragma once
// Songs for the library's tests: a list of DSP register writes, then a
// key-on, over the song builder's sine.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "core/snapshot.h"
#include "tests/song_builder.h"

namespace apu_test {

struct DspWrite {
    uint8_t reg, value;
};

// Voice 0 plays the builder's sine (source 1: a 32-sample period, 1 kHz
// at pitch 0x1000) at full volume on both sides with a direct-gain
// envelope; `writes` come after that and may change anything, then KON
// keys on `keyed` voices. Every register goes through the program, so a
// song's writes alone decide when its voices start.
inline std::vector<uint8_t> test_song(const std::vector<DspWrite>& writes, uint8_t keyed = 0x01) {
    SongBuilder song;
    for (const DspWrite& w : {DspWrite{0x6C, 0x20}, DspWrite{0x00, 127}, DspWrite{0x01, 127}, DspWrite{0x02, 0x00},
                              DspWrite{0x03, 0x10}, DspWrite{0x04, 1}, DspWrite{0x05, 0x00}, DspWrite{0x07, 0x7F}})
        song.write(w.reg, w.value);
    for (const DspWrite& w : writes) song.write(w.reg, w.value);
    song.write(0x4C, keyed);
    return song.image();
}

// Echo on voice 0: buffer at 0x8000, 32 ms, feedback and a low-pass FIR.
inline std::vector<DspWrite> echo_writes(int8_t left = 64, int8_t right = 64) {
    return {{0x6D, 0x80}, {0x7D, 0x02}, {0x4D, 0x01}, {0x2C, uint8_t(left)}, {0x3C, uint8_t(right)},
            {0x0D, 0x40}, {0x0F, 0x10}, {0x1F, 0x20}, {0x2F, 0x20}, {0x3F, 0x10}, {0x6C, 0x00}};
}

// A song as the component hands it over: padded to a whole snapshot.
inline std::vector<uint8_t> padded(std::vector<uint8_t> image) {
    image.resize(std::max<size_t>(image.size(), apu::spc::kSnapshotSize), 0);
    return image;
}

}  // namespace apu_test
