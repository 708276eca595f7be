// The seams a script interpreter drives the sound system through: input
// port writes that take effect at a given cycle, and runs that end at a
// cycle or at a watched port access.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "core/sound_system.h"
#include "spc700_program.h"

namespace {

using apu::PortAccess;
using apu::SoundSystem;
using apu_test::start_program;

constexpr uint8_t kReadPort0 = 0x01, kReadPort3 = 0x08, kWritePort1 = 0x20;

// loop: MOV A,$F4 ; MOV $F5,A ; BRA loop (3 + 4 + 4 cycles)
const std::vector<uint8_t> kEcho = {0xE4, 0xF4, 0xC4, 0xF5, 0x2F, 0xFA};

std::unique_ptr<SoundSystem> echoing() {
    auto s = std::make_unique<SoundSystem>();
    start_program(*s, kEcho);
    s->write_port(0, 0x11);
    return s;
}

TEST(PortSeams, AWatchedAccessEndsTheRunAfterItsInstruction) {
    auto s = echoing();
    PortAccess access;
    ASSERT_TRUE(s->run_until(100000, kWritePort1, &access));
    EXPECT_TRUE(access.write);
    EXPECT_EQ(access.port, 1);
    EXPECT_EQ(access.value, 0x11);
    EXPECT_EQ(access.cycle, 6u) << "the store's last cycle, in the first pass";
    EXPECT_EQ(s->cycles(), access.cycle + 1) << "stopped after the store";
    EXPECT_EQ(s->read_port(1), 0x11);

    // The next run goes on to the following store, one loop later.
    ASSERT_TRUE(s->run_until(100000, kWritePort1, &access));
    EXPECT_EQ(access.cycle, 6u + 11);
}

TEST(PortSeams, WithoutAWatchedAccessTheRunReachesItsCycle) {
    auto s = echoing();
    PortAccess access;
    EXPECT_FALSE(s->run_until(5000, kReadPort3, &access));
    EXPECT_GE(s->cycles(), 5000u);
    EXPECT_LT(s->cycles(), 5000u + 12);
    // run() goes on from the cycle asked for, not from the overrun.
    s->run(1000);
    EXPECT_GE(s->cycles(), 6000u);
    EXPECT_LT(s->cycles(), 6000u + 12);
}

// Whatever phase of the loop the write's cycle falls on, reads see the
// old value before it and the new one from it on; given a few reads
// ahead, or just before it, when the run may already be past it within
// an instruction.
TEST(PortSeams, APortWriteTakesEffectAtItsCycle) {
    for (const uint64_t lead : {30, 2}) {
        for (uint64_t at = 500; at < 511; ++at) {
            SCOPED_TRACE(at);
            auto s = echoing();
            s->run_until(at - lead, 0, nullptr);
            s->write_port_at(0, 0x55, at);
            int before = 0, after = 0;
            PortAccess access;
            while (s->run_until(at + 40, kReadPort0, &access)) {
                EXPECT_EQ(access.value, access.cycle >= at ? 0x55 : 0x11) << "read at " << access.cycle;
                ++(access.cycle >= at ? after : before);
            }
            EXPECT_GE(after, 3);
            if (lead > 11) {
                EXPECT_GE(before, 2);
            }
        }
    }
}

TEST(PortSeams, AWriteAtAPassedCycleTakesEffectAtOnce) {
    auto s = echoing();
    s->run_until(1000, 0, nullptr);
    s->write_port_at(0, 0x66, 10);
    PortAccess access;
    ASSERT_TRUE(s->run_until(2000, kReadPort0, &access));
    EXPECT_EQ(access.value, 0x66);
}

// A waiting write is part of the state: a restored system sees it too.
TEST(PortSeams, WaitingWritesAreSavedAndRestored) {
    auto s = echoing();
    s->run_until(100, 0, nullptr);
    s->write_port_at(0, 0x77, 400);
    apu::CoreState saved;
    s->save(saved);
    s->run_until(1000, 0, nullptr);
    ASSERT_EQ(s->read_port(1), 0x77);
    s->write_port(0, 0x11);
    s->restore(saved);
    s->run_until(300, 0, nullptr);
    EXPECT_EQ(s->read_port(1), 0x11);
    s->run_until(1000, 0, nullptr);
    EXPECT_EQ(s->read_port(1), 0x77);
}

// A loop that waits on a slow timer and reads the port between its reads
// is skipped while it idles; the skip must stop at a waiting write, so the
// loop leaves right after it.
TEST(PortSeams, AnIdleLoopSeesAWaitingWriteInTime) {
    auto s = std::make_unique<SoundSystem>();
    // MOV $FA,#0 (timer 0 every 256 ticks of 8 kHz) ; MOV $F1,#1 (start it)
    // loop: MOV A,$FD ; MOV A,$F4 ; CMP A,#$55 ; BNE loop ; MOV $F5,#1 ; SLEEP
    start_program(*s, {0x8F, 0x00, 0xFA, 0x8F, 0x01, 0xF1, 0xE4, 0xFD, 0xE4, 0xF4, 0x68, 0x55, 0xD0, 0xF8, 0x8F,
                       0x01, 0xF5, 0xEF});
    s->run_until(2000, 0, nullptr);  // in the loop, some iterations in
    const uint64_t at = 9000;        // well before the timer's first step
    s->write_port_at(0, 0x55, at);
    PortAccess access;
    ASSERT_TRUE(s->run_until(200000, kWritePort1, &access));
    EXPECT_GE(access.cycle, at);
    EXPECT_LT(access.cycle, at + 30) << "one iteration after the write, not at the timer's step";
}

}  // namespace
