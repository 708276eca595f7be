#pragma once
// Songs built for a test: a program that writes a list of DSP registers,
// keys voices on and then idles, over a looping sine instrument.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "core/snapshot.h"
#include "tools/spc_assembler.h"

namespace apu_test {

struct DspWrite {
    uint8_t reg, value;
};

// Voice 0 plays a sine (64-sample loop at pitch 0x1000: 500 Hz) at full
// volume on both sides with a direct-gain envelope; `writes` come after
// that and may change anything, then KON keys on `keyed` voices.
inline std::vector<uint8_t> test_song(const std::vector<DspWrite>& writes, uint8_t keyed = 0x01) {
    constexpr uint16_t kCode = 0x0200, kDir = 0x0300, kSample = 0x0400;
    std::vector<uint8_t> image(apu::spc::kSnapshotSize, 0);
    std::copy_n("SNES-SPC700 Sound File Data v0.30", 33, image.begin());
    uint8_t* ram = image.data() + apu::spc::kRam;
    // Four BRR blocks, range 11, filter 0: one period of a sine, looping.
    for (int block = 0; block < 4; ++block) {
        uint8_t* b = ram + kSample + block * 9;
        b[0] = uint8_t(0xB0 | 0x02 | (block == 3 ? 0x01 : 0x00));
        for (int i = 0; i < 16; ++i) {
            const int n = int(std::lround(7.0 * std::sin(2 * 3.14159265358979 * (block * 16 + i) / 64.0))) & 0x0F;
            b[1 + i / 2] |= uint8_t(i % 2 ? n : n << 4);
        }
    }
    for (int srcn = 0; srcn < 4; ++srcn) {
        ram[kDir + srcn * 4] = ram[kDir + srcn * 4 + 2] = uint8_t(kSample & 0xFF);
        ram[kDir + srcn * 4 + 1] = ram[kDir + srcn * 4 + 3] = uint8_t(kSample >> 8);
    }
    std::vector<DspWrite> all = {{0x6C, 0x20}, {0x0C, 127}, {0x1C, 127}, {0x5D, kDir >> 8}, {0x00, 127},
                                 {0x01, 127},  {0x02, 0x00}, {0x03, 0x10}, {0x04, 0},        {0x05, 0x00},
                                 {0x07, 0x7F}};
    all.insert(all.end(), writes.begin(), writes.end());
    all.push_back({0x4C, keyed});
    apu::example::Assembler a(kCode);
    for (const DspWrite& w : all) a.dsp_write(w.reg, w.value);
    a.label("idle");
    a.bra("idle");
    const std::vector<uint8_t> code = a.finish();
    std::copy(code.begin(), code.end(), ram + kCode);
    image[apu::spc::kPc] = uint8_t(kCode);
    image[apu::spc::kPc + 1] = uint8_t(kCode >> 8);
    image[apu::spc::kSp] = 0xEF;
    image[apu::spc::kDspRegisters + 0x6C] = 0xE0;
    return image;
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
