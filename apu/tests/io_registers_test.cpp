#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <memory>
#include <utility>
#include <vector>

#include "core/cpu.h"
#include "core/ipl_rom.h"
#include "spc700_program.h"

namespace {

using apu::SoundSystem;
using apu_test::run_program;

constexpr uint8_t SLEEP = 0xEF;

std::unique_ptr<SoundSystem> make() { return std::make_unique<SoundSystem>(); }

TEST(IoRegisters, PortsConnectTheTwoProcessors) {
    auto s = make();
    s->write_port(0, 0x55);
    s->write_port(3, 0x66);
    // MOV A,$F4 ; MOV $F5,A ; MOV X,$F7 ; MOV $F6,X
    run_program(*s, {0xE4, 0xF4, 0xC4, 0xF5, 0xF8, 0xF7, 0xD8, 0xF6, SLEEP});
    EXPECT_EQ(s->read_port(1), 0x55);
    EXPECT_EQ(s->read_port(2), 0x66);
    EXPECT_EQ(s->ram()[0xF5], 0x55) << "writes reach the RAM beneath";
    EXPECT_EQ(s->peek(0xF5), 0x00) << "the CPU reads the main CPU's value, not its own";
}

TEST(IoRegisters, OnlyDirectPageZeroReachesTheRegisters) {
    auto s = make();
    s->write_port(0, 0x55);
    s->ram()[0x1F4] = 0x99;
    s->ram()[0x1F5] = 0x77;
    // SETP ; MOV A,$F4 ; MOV X,#$F5 ; MOV Y,$00+X ; CLRP ; MOV X,$F4 ; SLEEP
    run_program(*s, {0x40, 0xE4, 0xF4, 0xCD, 0xF5, 0xFB, 0x00, 0x20, 0xF8, 0xF4, SLEEP});
    EXPECT_EQ(s->registers().a, 0x99) << "page 1 at $F4 is RAM";
    EXPECT_EQ(s->registers().y, 0x77) << "so is page 1 at $F5, X-indexed";
    EXPECT_EQ(s->registers().x, 0x55) << "page 0 at $F4 is the port";
}

TEST(IoRegisters, ControlClearsInputPortsInPairs) {
    auto s = make();
    for (int i = 0; i < 4; ++i) s->write_port(i, uint8_t(0x10 + i));
    run_program(*s, {0x8F, 0x10, 0xF1, SLEEP});  // MOV $F1,#$10
    EXPECT_EQ(s->peek(0xF4), 0);
    EXPECT_EQ(s->peek(0xF5), 0);
    EXPECT_EQ(s->peek(0xF6), 0x12);
    run_program(*s, {0x8F, 0x20, 0xF1, SLEEP});
    EXPECT_EQ(s->peek(0xF6), 0);
    EXPECT_EQ(s->peek(0xF7), 0);
}

TEST(IoRegisters, WriteOnlyRegistersReadZeroAuxiliaryBytesReadBack) {
    auto s = make();
    // MOV $F8,#$12 ; MOV $F9,#$34 ; MOV $FA,#$56 ; MOV $FD,#$77 ; SLEEP
    run_program(*s, {0x8F, 0x12, 0xF8, 0x8F, 0x34, 0xF9, 0x8F, 0x56, 0xFA, 0x8F, 0x77, 0xFD, SLEEP});
    EXPECT_EQ(s->peek(0xF8), 0x12);
    EXPECT_EQ(s->peek(0xF9), 0x34);
    for (uint16_t a : {0xF0, 0xF1, 0xFA, 0xFB, 0xFC}) EXPECT_EQ(s->peek(a), 0) << std::hex << a;
    EXPECT_EQ(s->peek(0xFD), 0) << "counters ignore writes";
    EXPECT_EQ(s->bus().timers().target(0), 0x56);
}

TEST(IoRegisters, DspRegistersThroughAddressAndData) {
    auto s = make();
    // MOV $F2,#$2C ; MOV $F3,#$7F ; MOV $F2,#$AC ; MOV $F3,#$11 ; MOV A,$F3 ; SLEEP
    run_program(*s, {0x8F, 0x2C, 0xF2, 0x8F, 0x7F, 0xF3, 0x8F, 0xAC, 0xF2, 0x8F, 0x11, 0xF3, 0xE4, 0xF3, SLEEP});
    EXPECT_EQ(s->dsp().read(0x2C), 0x7F);
    EXPECT_EQ(s->registers().a, 0x7F) << "0x80..0xFF mirror the registers for reading; writes there are dropped";
    EXPECT_EQ(s->peek(0xF2), 0xAC);
}

TEST(IoRegisters, IplRomSwitchesOverRamThatWritesStillReach) {
    auto s = make();
    EXPECT_EQ(s->peek(0xFFC0), apu::kIplRom[0]);
    // MOV $FFC0,A (A=$42) with the ROM in, then switch it out.
    // MOV A,#$42 ; MOV $FFC0,A ; MOV X,$FFC0 -> ROM ; MOV $F1,#0 ; MOV Y,$FFC0 -> RAM
    run_program(*s, {0xE8, 0x42, 0xC5, 0xC0, 0xFF, 0xE9, 0xC0, 0xFF, 0x8F, 0x00, 0xF1, 0xEC, 0xC0, 0xFF, SLEEP});
    EXPECT_EQ(s->registers().x, apu::kIplRom[0]);
    EXPECT_EQ(s->registers().y, 0x42);
    EXPECT_FALSE(s->bus().ipl_enabled());
    run_program(*s, {0x8F, 0x80, 0xF1, SLEEP});
    EXPECT_EQ(s->peek(0xFFFF), apu::kIplRom[63]);
}

TEST(IoRegisters, TimerCounterReadThroughTheCpuClearsIt) {
    auto s = make();
    // MOV $FA,#1 ; MOV $F1,#$01 ; SLEEP — timer 0 ticks every 128 cycles.
    run_program(*s, {0x8F, 0x01, 0xFA, 0x8F, 0x01, 0xF1, SLEEP}, 128 * 10);
    const uint8_t ticks = s->peek(0xFD);
    EXPECT_GE(ticks, 8);
    EXPECT_LE(ticks, 10);
    run_program(*s, {0xE4, 0xFD, 0xF8, 0xFD, SLEEP}, 20);  // MOV A,$FD ; MOV X,$FD
    EXPECT_GE(s->registers().a, ticks);
    EXPECT_EQ(s->registers().x, 0);
}

TEST(IoRegisters, DummyReadOfAStoreClearsACounter) {
    auto s = make();
    run_program(*s, {0x8F, 0x01, 0xFA, 0x8F, 0x01, 0xF1, SLEEP}, 128 * 5);
    ASSERT_GT(s->peek(0xFD), 0);
    run_program(*s, {0xC4, 0xFD, SLEEP}, 10);  // MOV $FD,A reads the address first
    EXPECT_EQ(s->peek(0xFD), 0);
}

// From power-on the boot ROM clears page 0 and signals 0xBBAA on ports 0/1,
// then waits for 0xCC; a main CPU that uploads a program through the ports
// gets it run.
TEST(IoRegisters, BootRomAcceptsAnUploadThroughThePorts) {
    auto s = make();
    s->run(4000);
    ASSERT_EQ(s->read_port(0), 0xAA);
    ASSERT_EQ(s->read_port(1), 0xBB);

    const uint8_t program[] = {0xE8, 0x5A, 0xC4, 0xF7, 0xEF};  // MOV A,#$5A ; MOV $F7,A ; SLEEP
    const uint16_t dest = 0x0300;
    auto handshake = [&](uint8_t port0) {
        for (int i = 0; i < 1000 && s->read_port(0) != port0; ++i) s->run(16);
        ASSERT_EQ(s->read_port(0), port0);
    };
    s->write_port(1, 1);  // non-zero: a block follows
    s->write_port(2, uint8_t(dest));
    s->write_port(3, uint8_t(dest >> 8));
    s->write_port(0, 0xCC);
    handshake(0xCC);
    for (uint8_t i = 0; i < sizeof program; ++i) {
        s->write_port(1, program[i]);
        s->write_port(0, i);
        handshake(i);
    }
    s->write_port(1, 0);  // no more blocks: jump to the address in ports 2/3
    s->write_port(2, uint8_t(dest));
    s->write_port(3, uint8_t(dest >> 8));
    s->write_port(0, uint8_t(sizeof program + 1));
    for (int i = 0; i < 100 && !s->halted(); ++i) s->run(64);
    EXPECT_TRUE(s->halted());
    EXPECT_EQ(s->read_port(3), 0x5A);
    EXPECT_EQ(s->ram()[dest + 1], 0x5A);
}

TEST(SoundSystem, RunKeepsTheDspInStepWithTheCpu) {
    auto s = make();
    std::vector<int16_t> frames(2 * 200);
    s->set_output(frames.data(), 200);
    for (int i = 0; i < 10; ++i) s->run(320);  // 100 samples' worth
    // The last instruction may overrun the target by a few cycles.
    EXPECT_GE(s->cycles(), 3200u);
    EXPECT_LT(s->cycles(), 3200u + 12);
    EXPECT_EQ(s->frames_written(), size_t(s->cycles() / 32));
}

// Runs `code` at 0x200 in chunks of varying length and checks that the
// state at every run boundary is the one executing each instruction gives.
void expect_run_matches_stepping(const std::vector<uint8_t>& code, const std::vector<uint8_t>& sub = {}) {
    auto fast = make();
    auto slow = make();
    apu::Cpu<apu::SystemBus> cpu(slow->bus());
    for (SoundSystem* s : {fast.get(), slow.get()}) {
        std::memcpy(s->ram() + 0x200, code.data(), code.size());
        if (!sub.empty()) std::memcpy(s->ram() + 0x330, sub.data(), sub.size());
    }
    apu::CpuRegisters r;
    r.pc = 0x200;
    r.sp = 0xEF;
    fast->set_registers(r);
    cpu.set_registers(r);
    uint64_t target = 0;
    for (int chunk = 0; chunk < 300; ++chunk) {
        const uint32_t cycles = 37 + (chunk * 53) % 700;
        target += cycles;
        fast->run(cycles);
        while (cpu.cycle() < target) cpu.step();
        ASSERT_EQ(fast->cycles(), cpu.cycle()) << chunk;
        const apu::CpuRegisters a = fast->registers(), b = cpu.registers();
        ASSERT_EQ(a.pc, b.pc) << chunk;
        ASSERT_EQ(a.a, b.a) << chunk;
        ASSERT_EQ(a.x, b.x) << chunk;
        ASSERT_EQ(a.y, b.y) << chunk;
        ASSERT_EQ(a.psw, b.psw) << chunk;
        ASSERT_EQ(fast->read_port(0), slow->read_port(0)) << chunk;
        ASSERT_EQ(fast->read_port(1), slow->read_port(1)) << chunk;
        ASSERT_EQ(0, std::memcmp(fast->ram() + 0x40, slow->ram() + 0x40, 0x50)) << chunk;
    }
    EXPECT_TRUE(fast->read_port(0) != 0 || fast->ram()[0x41] != 0) << "the loops ran";
}

// Polling loops on the timers (direct-page and absolute loads) are skipped
// over in bulk.
TEST(SoundSystem, SkippedTimerPollingMatchesStepping) {
    expect_run_matches_stepping({
        0x8F, 0x03, 0xFC,        // MOV $FC,#3     timer 2 target
        0x8F, 0x02, 0xFB,        // MOV $FB,#2     timer 1 target
        0x8F, 0x06, 0xF1,        // MOV $F1,#6     enable timers 1 and 2
        0xE4, 0xFF,              // 0209: MOV A,$FF
        0xF0, 0xFC,              // BEQ 0209
        0xC4, 0xF4,              // MOV $F4,A
        0xEC, 0xFE, 0x00,        // 020F: MOV Y,!$00FE
        0xF0, 0xFB,              // BEQ 020F
        0xCB, 0xF5,              // MOV $F5,Y
        0x2F, 0xF1,              // BRA 0209
    });
}

// Longer idle loops (a call that polls a port, a total rewritten with the
// same value) are skipped whole; a loop that changes RAM on every pass is not.
TEST(SoundSystem, SkippedIdleLoopsMatchStepping) {
    expect_run_matches_stepping(
        {
            0x8F, 0x04, 0xFA,        // MOV $FA,#4     timer 0 target
            0x8F, 0x03, 0xFC,        // MOV $FC,#3     timer 2 target
            0x8F, 0x05, 0xF1,        // MOV $F1,#5     enable timers 0 and 2
            0x3F, 0x30, 0x03,        // 0209: CALL $0330
            0xEB, 0xFD,              // MOV Y,$FD
            0xF0, 0xF9,              // BEQ 0209
            0xAB, 0x40,              // INC $40
            0xE4, 0x82,              // 0212: MOV A,$82
            0x60,                    // CLRC
            0x84, 0xFF,              // ADC A,$FF
            0xC4, 0x82,              // MOV $82,A
            0x68, 0x03,              // CMP A,#3
            0x90, 0xF5,              // BCC 0212
            0x8F, 0x00, 0x82,        // MOV $82,#0
            0xAB, 0x41,              // INC $41
            0xAB, 0x50,              // 0222: INC $50
            0xE4, 0xFD,              // MOV A,$FD
            0xF0, 0xFA,              // BEQ 0222
            0x2F, 0xDF,              // BRA 0209
        },
        {
            0xF8, 0xF4,              // 0330: MOV X,$F4
            0x6F,                    // RET
        });
}

// Voice 1 plays a constant level at full volume, mixing its left side at
// cycle 3 of every period. The CPU idles until cycle `write_cycle`, where
// `tail` starts with a 5-cycle instruction whose last cycle writes the DSP;
// the system runs in chunks of `chunk` cycles (1: the DSP in step with the
// CPU; large: far behind it at every access). Returns the frames.
constexpr int kWritePeriod = 200;

std::vector<int16_t> render_voice_with_writes(int write_cycle, const std::vector<uint8_t>& tail, uint32_t chunk,
                                              SoundSystem& s) {
    uint8_t* ram = s.ram();
    ram[0x8000] = 0x00;  // source 0 starts and loops at 0x8100
    ram[0x8001] = 0x81;
    ram[0x8002] = 0x00;
    ram[0x8003] = 0x81;
    ram[0x8100] = 0xC3;  // shift 12, loop and end: a constant level
    for (int i = 1; i < 9; ++i) ram[0x8100 + i] = 0x11;
    for (auto [reg, value] : std::initializer_list<std::pair<uint8_t, uint8_t>>{
             {0x6C, 0x20}, {0x5D, 0x80}, {0x0C, 0x7F}, {0x1C, 0x7F}, {0x10, 0x7F}, {0x11, 0x7F},
             {0x13, 0x10}, {0x14, 0x00}, {0x15, 0x00}, {0x17, 0x7F}, {0x4C, 0x02}})
        s.dsp().write(reg, value);
    // NOPs (and MOV A,$00 for an odd count of cycles) before the tail.
    const int idle = write_cycle - 4;
    const bool odd = idle % 2;
    std::vector<uint8_t> code((idle - 3 * odd) / 2, 0x00);
    if (odd) code.insert(code.end(), {0xE4, 0x00});
    EXPECT_EQ(2 * int(code.size() - 2 * odd) + 3 * odd, idle);
    code.insert(code.end(), tail.begin(), tail.end());
    std::memcpy(ram + 0x200, code.data(), code.size());
    apu::CpuRegisters r;
    r.pc = 0x200;
    s.set_registers(r);
    std::vector<int16_t> frames(2 * (kWritePeriod + 10));
    s.set_output(frames.data(), kWritePeriod + 10);
    while (s.cycles() < 32u * (kWritePeriod + 5)) s.run(chunk);
    return frames;
}

// A VOLL write at cycle 0 or 3 already silences that period's sample, one
// at cycle 5 only the next; reading the register back right after the
// write gives the new value.
TEST(SoundSystem, DspWritesTakeEffectFromTheirCycleOn) {
    for (int k : {0, 3, 5}) {
        for (uint32_t chunk : {1u, 10000u}) {
            auto s = make();
            // MOV $F2,#$10 ; MOV $F3,#$00 ; MOV A,$F3 ; MOV $F4,A ; SLEEP
            const auto frames = render_voice_with_writes(
                32 * kWritePeriod + k - 5, {0x8F, 0x10, 0xF2, 0x8F, 0x00, 0xF3, 0xE4, 0xF3, 0xC4, 0xF4, SLEEP}, chunk,
                *s);
            SCOPED_TRACE(testing::Message() << "write at cycle " << k << ", runs of " << chunk);
            EXPECT_EQ(s->read_port(0), 0x00);
            EXPECT_NE(frames[2 * (kWritePeriod - 1)], 0);
            EXPECT_EQ(frames[2 * kWritePeriod] != 0, k > 3);
            EXPECT_EQ(frames[2 * (kWritePeriod + 1)], 0);
            EXPECT_NE(frames[2 * (kWritePeriod + 1) + 1], 0);  // the right side plays on
        }
    }
}

// Reading a register does not move the DSP on: a write right after the read
// takes effect from its own cycle, as without the read. (The reference
// renderer takes such writes up to a sample late after reads of DIR, NON,
// EON, KON and of some voices' VOLR, GAIN and ENVX; the hardware reads each
// register at fixed clocks of the period whatever the CPU read before.)
TEST(SoundSystem, AReadLeavesTheNextWriteOnItsCycle) {
    for (uint8_t read : {0x5D, 0x3D, 0x4C, 0x07, 0x18, 0x19, 0x7C}) {
        for (int k : {0, 3, 5}) {
            for (uint32_t chunk : {1u, 10000u}) {
                auto s = make();
                // MOV $F2,#read ; MOV A,$F3 ; MOV $F2,#$10 ; MOV $F3,#$00 (cycle k) ; SLEEP
                const auto frames = render_voice_with_writes(
                    32 * kWritePeriod + k - 13,
                    {0x8F, read, 0xF2, 0xE4, 0xF3, 0x8F, 0x10, 0xF2, 0x8F, 0x00, 0xF3, SLEEP}, chunk, *s);
                SCOPED_TRACE(testing::Message() << "read of " << int(read) << ", write at cycle " << k << ", runs of "
                                                << chunk);
                EXPECT_NE(frames[2 * (kWritePeriod - 1)], 0);
                EXPECT_EQ(frames[2 * kWritePeriod] != 0, k > 3);
                EXPECT_EQ(frames[2 * (kWritePeriod + 1)], 0);
            }
        }
    }
}

// A second write later in the same period replaces the first even when the
// DSP has meanwhile caught up (here through an ENDX read) and takes it at once.
TEST(SoundSystem, ALaterDspWriteReplacesOneStillWaiting) {
    for (uint32_t chunk : {1u, 10000u}) {
        auto s = make();
        s->bus().write(0xF2, 0x10, 0);
        // At cycle 5: MOV $F3,#$00 ; MOV $F2,#$7C ; MOV A,$F3 ; MOV $F2,#$10 ;
        // MOV $F3,#$40 (cycle 23) ; MOV A,$F3 ; MOV $F4,A ; SLEEP
        const auto frames = render_voice_with_writes(
            32 * kWritePeriod + 5,
            {0x8F, 0x00, 0xF3, 0x8F, 0x7C, 0xF2, 0xE4, 0xF3, 0x8F, 0x10, 0xF2, 0x8F, 0x40, 0xF3, 0xE4, 0xF3, 0xC4,
             0xF4, SLEEP},
            chunk, *s);
        SCOPED_TRACE(testing::Message() << "runs of " << chunk);
        EXPECT_EQ(s->read_port(0), 0x40);
        const int full = frames[2 * (kWritePeriod - 1)];
        EXPECT_EQ(frames[2 * kWritePeriod], full);  // the first write came after the use
        EXPECT_NE(frames[2 * (kWritePeriod + 1)], 0);
        EXPECT_LT(frames[2 * (kWritePeriod + 1)], full);
    }
}

TEST(SoundSystem, SystemsAreIndependent) {
    auto a = make();
    auto b = make();
    a->ram()[0x1234] = 0x99;
    a->write_port(0, 7);
    a->run(5000);
    EXPECT_EQ(b->ram()[0x1234], 0);
    EXPECT_EQ(b->cycles(), 0u);
    EXPECT_EQ(b->peek(0xF4), 0);
}

}  // namespace
