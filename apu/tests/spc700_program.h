#pragma once
// Runs a short SPC700 program on a whole sound system; programs end in
// SLEEP, which halts the CPU.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "core/sound_system.h"

namespace apu_test {

inline constexpr uint16_t kProgramBase = 0x0200;

// Puts the program at kProgramBase and the CPU at its start.
inline void start_program(apu::SoundSystem& s, const std::vector<uint8_t>& code) {
    std::memcpy(s.ram() + kProgramBase, code.data(), code.size());
    apu::CpuRegisters r;
    r.pc = kProgramBase;
    r.sp = 0xEF;
    s.set_registers(r);
}

inline void run_program(apu::SoundSystem& s, const std::vector<uint8_t>& code, uint32_t cycles = 2000) {
    start_program(s, code);
    s.run(cycles);
    ASSERT_TRUE(s.halted()) << "program did not reach SLEEP";
}

}  // namespace apu_test
