// The script acts at its moments in the SPC700's time: its port writes are
// seen from the cycle its waits add up to, and a wait on the SPC700 ends
// at the access it waits for.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "script700/script_timeline.h"
#include "script_support.h"
#include "tests/spc700_program.h"

namespace {

using namespace script700_test;

// Logs each read of port 0 into page 1, one every 12 cycles:
// loop: MOV A,!$00F4 ; MOV (X)+,A ; BRA loop, with the direct page at 0x100.
void start_logging(apu::SoundSystem& core) {
    apu_test::start_program(core, {0xE5, 0xF4, 0x00, 0xAF, 0x2F, 0xFA});
    apu::CpuRegisters r = core.registers();
    r.psw |= 0x20;
    r.x = 0;
    core.set_registers(r);
    core.write_port(0, 0x11);
}

TEST(Script700Timeline, APortWriteIsSeenFromTheCycleTheWaitsAddUpTo) {
    for (const uint32_t units : {2000u, 2001u, 2010u, 2021u}) {
        SCOPED_TRACE(units);
        auto core = std::make_unique<apu::SoundSystem>();
        start_logging(*core);
        Interpreter script;
        script.load(parsed("w #" + std::to_string(units / 2) + " w #" + std::to_string(units - units / 2) +
                           " m #0x55 i0"));
        script.restart(*core);
        advance_with_script(script, *core, 80, nullptr, false);  // 2560 cycles: fewer than 256 reads
        const uint8_t* log = core->ram() + 0x100;
        int first = 0;
        while (first < 256 && log[first] == 0x11) ++first;
        ASSERT_LT(first, 256);
        for (int k = first; k < 200; ++k) ASSERT_EQ(log[k], 0x55) << k;
        // Read k takes place at cycle 12k + 3, the instruction's last.
        const uint64_t due = (units + 1) / 2;
        EXPECT_GE(uint64_t(first) * 12 + 3, due);
        EXPECT_LT(uint64_t(first - 1) * 12 + 3, due);
    }
}

// A write every 12 cycles, each on its cycle: the commands run ahead of
// the CPU, so their writes wait in the core, which must not overflow.
TEST(Script700Timeline, ManyWritesAheadEachLandOnItsCycle) {
    auto core = std::make_unique<apu::SoundSystem>();
    start_logging(*core);
    Interpreter script;
    script.load(parsed("m #0 w0 :0 w #24 a #1 w0 m w0 i0 bra 0"));
    script.restart(*core);
    for (uint64_t frame = 1; frame <= 80; frame += 7) advance_with_script(script, *core, frame, nullptr, false);
    const uint8_t* log = core->ram() + 0x100;
    EXPECT_EQ(log[0], 0x11);
    // Value n is written at cycle 12n; read k, at 12k + 3, sees k.
    for (int k = 1; k < 200; ++k) ASSERT_EQ(log[k], k) << k;
}

TEST(Script700Timeline, AWaitOnTheSpc700EndsAtItsAccess) {
    auto core = std::make_unique<apu::SoundSystem>();
    // MOV X,#200 ; DEC X ; BNE -3 ; MOV $F5,#$77 ; SLEEP
    apu_test::start_program(*core, {0xCD, 200, 0x1D, 0xD0, 0xFD, 0x8F, 0x77, 0xF5, 0xEF});
    Interpreter script;
    script.load(parsed(":1 wo #1 m #? w0 c #0x77 o1 bne 1 m #0x42 i2 q"));
    script.restart(*core);
    advance_with_script(script, *core, 32, nullptr, false);  // 1024 cycles: not yet
    EXPECT_EQ(script.state().wait, Wait::write);
    EXPECT_EQ(core->bus().input_port(2), 0);
    advance_with_script(script, *core, 64, nullptr, false);
    EXPECT_EQ(script.state().wait, Wait::stopped);
    EXPECT_EQ(core->bus().input_port(2), 0x42);
    // The loop takes 2 + 200 * 6 - 2 cycles, the store's write is its 5th.
    const uint32_t write_cycle = 2 + 200 * 6 - 2 + 4;
    EXPECT_EQ(script.state().work[0], 2 * write_cycle) << "CMP1: the wait's length in half cycles";
}

TEST(Script700Timeline, FramesComeOutWhateverTheScriptDoes) {
    for (const char* text : {":0 bra 0", ":0 wi #0 bra 0", "w #1 w #1 w #1 q", ":0 w #1 bra 0"}) {
        SCOPED_TRACE(text);
        auto core = std::make_unique<apu::SoundSystem>();
        start_logging(*core);
        Interpreter script;
        script.load(parsed(text));
        script.restart(*core);
        std::vector<int16_t> frames(2 * 100);
        advance_with_script(script, *core, 100, frames.data(), false);
        EXPECT_EQ(core->frames_rendered(), 100u);
        advance_with_script(script, *core, 150, nullptr, true);
        EXPECT_EQ(core->frames_rendered(), 150u);
    }
}

}  // namespace
