#pragma once
// Small songs that each exercise one DSP feature, for the tests that hold
// the DSP to an oracle.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "tests/song_builder.h"

namespace apu_test {

inline std::vector<std::pair<std::string, SongBuilder>> feature_songs() {
    std::vector<std::pair<std::string, SongBuilder>> songs;
    auto add = [&](const char* name) -> SongBuilder& { return songs.emplace_back(name, SongBuilder{}).second; };
    add("adsr").write(0x4C, 1);
    add("adsr slow").reg(0x05, 0xC3).reg(0x06, 0x4F).write(0x4C, 1);
    add("gain bent").reg(0x05, 0).reg(0x07, 0xE8).write(0x4C, 1);
    add("gain linear").reg(0x05, 0).reg(0x07, 0xCC).write(0x4C, 1);
    add("gain exp").reg(0x05, 0).reg(0x07, 0x7F).write(0x4C, 1).wait(255).wait(255).write(0x07, 0xB0);
    add("noise").reg(0x3D, 1).reg(0x6C, 0x3A).write(0x4C, 1);
    add("pitch mod")
        .reg(0x02, 0x20).reg(0x03, 0x20).reg(0x00, 0).reg(0x01, 0)
        .reg(0x14, 1).reg(0x13, 0x08).reg(0x15, 0xFF).reg(0x16, 0xE0).reg(0x10, 0x60).reg(0x11, 0x60)
        .reg(0x2D, 0x02).write(0x4C, 3);
    add("key off").write(0x4C, 1).wait_long(20).write(0x5C, 1);
    add("key on timing")
        .reg(0x14, 1).reg(0x13, 0x08).reg(0x15, 0xFF).reg(0x16, 0xE0).reg(0x10, 0x40).reg(0x11, 0x40)
        .write(0x4C, 1).wait(37).write(0x4C, 2).wait(100).write(0x4C, 1).wait(3).write(0x4C, 2);
    add("end without loop").reg(0x04, 2).reg(0x03, 0x04).write(0x4C, 1);
    // Keyed off, silent for 60 ms, then keyed on with a one-block filter-3
    // loop (source 3), which sounds from the history decoded last.
    auto& held = add("silent history").add_sample({0x9F, 0xA7, 0xB9, 0xF8, 0x48, 0x31, 0xBF, 0x1D, 0x67}, 0);
    held.reg(0x04, 0).reg(0x05, 0).reg(0x07, 0x7F).write(0x4C, 1).wait_long(3).write(0x5C, 1).wait_long(40);
    held.write(0x5C, 0).write(0x04, 3).write(0x02, 0xAB).write(0x03, 0x02).write(0x4C, 1);
    add("echo")
        .reg(0x6C, 0).reg(0x4D, 1).reg(0x7D, 2).reg(0x6D, 0x40).reg(0x0D, 0x40).reg(0x0F, 0x7F)
        .reg(0x2C, 0x40).reg(0x3C, 0x40).write(0x4C, 1);
    auto& fir = add("echo fir").reg(0x6C, 0).reg(0x4D, 1).reg(0x7D, 3).reg(0x6D, 0x40).reg(0x0D, 0x50);
    const uint8_t taps[8] = {0xFF, 0x08, 0x17, 0x24, 0x24, 0x17, 0x08, 0xFF};
    for (int i = 0; i < 8; ++i) fir.reg(static_cast<uint8_t>(i * 16 + 0x0F), taps[i]);
    fir.reg(0x2C, 0x60).reg(0x3C, 0xA0).write(0x4C, 1);
    return songs;
}

// After 0x02 x 0x63 = 0x00C6 a BEQ silences voice 0 when taken, which it
// is when MUL YA sets Z from the product's high byte, as the chip does.
inline std::vector<uint8_t> multiply_zero_probe() {
    SongBuilder s;
    s.reg(0x00, 0x7F).write(0x4C, 1).wait(20);
    auto& code = s.program();
    code.mov_y_imm(0x02);
    code.mov_a_imm(0x63);
    code.mul_ya();
    code.beq("silent");
    code.dsp_write(0x00, 0x7F);
    code.bra("end");
    code.label("silent");
    code.dsp_write(0x00, 0x00);
    code.label("end");
    s.repeat_from_here();
    return s.image();
}

// The left channel's peak from frame 400 on, once the probe has branched.
inline int probe_peak(const std::vector<int16_t>& frames) {
    int p = 0;
    for (size_t i = 2 * 400; i < frames.size(); i += 2) p = std::max(p, std::abs(int(frames[i])));
    return p;
}

}  // namespace apu_test
