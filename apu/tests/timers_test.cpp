#include <gtest/gtest.h>

#include "core/timers.h"

namespace {

using apu::Timers;

// Timers 0 and 1 count 8 kHz ticks (every 128 CPU cycles), timer 2 64 kHz
// ticks (every 16). Enabling at a tick boundary makes the first output tick
// land exactly target x divider cycles later.
TEST(Timers, CounterTicksAfterTargetTimesDivider) {
    for (int timer = 0; timer < 3; ++timer) {
        const uint64_t divider = timer == 2 ? 16 : 128;
        Timers t;
        const uint64_t start = 4 * 128;
        t.write_target(timer, 5, start);
        t.write_control(uint8_t(1 << timer), start);
        EXPECT_EQ(t.peek_counter(timer, start + 5 * divider - 1), 0) << timer;
        EXPECT_EQ(t.peek_counter(timer, start + 5 * divider), 1) << timer;
        EXPECT_EQ(t.peek_counter(timer, start + 15 * divider), 3) << timer;
        EXPECT_EQ(t.read_counter(timer, start + 15 * divider), 3) << timer;
        EXPECT_EQ(t.read_counter(timer, start + 15 * divider), 0) << "reading clears, timer " << timer;
        EXPECT_EQ(t.read_counter(timer, start + 20 * divider), 1) << timer;
    }
}

TEST(Timers, TargetZeroMeans256AndCounterWrapsAtSixteen) {
    Timers t;
    t.write_target(2, 0, 0);
    t.write_control(0x04, 0);
    EXPECT_EQ(t.peek_counter(2, 255 * 16), 0);
    EXPECT_EQ(t.peek_counter(2, 256 * 16), 1);
    // 17 periods: the 4-bit counter has wrapped once.
    EXPECT_EQ(t.peek_counter(2, 17 * 256 * 16), 1);
}

TEST(Timers, PrescalerRunsFreeSoLateEnableTicksEarly) {
    Timers t;
    t.write_target(0, 1, 0);
    t.write_control(0x01, 100);  // 28 cycles before the next 8 kHz tick
    EXPECT_EQ(t.peek_counter(0, 127), 0);
    EXPECT_EQ(t.peek_counter(0, 128), 1);
}

TEST(Timers, DisabledTimersHoldAndReenablingRestarts) {
    Timers t;
    t.write_target(1, 2, 0);
    t.write_control(0x02, 0);
    EXPECT_EQ(t.peek_counter(1, 6 * 128), 3);
    t.write_control(0x00, 6 * 128);
    EXPECT_EQ(t.peek_counter(1, 60 * 128), 3) << "a disabled timer does not count";
    t.write_control(0x02, 60 * 128);  // 0->1 clears the stage and the counter
    EXPECT_EQ(t.peek_counter(1, 61 * 128), 0);
    EXPECT_EQ(t.peek_counter(1, 62 * 128), 1);
    t.write_control(0x02, 62 * 128);  // staying enabled restarts nothing
    EXPECT_EQ(t.peek_counter(1, 64 * 128), 2);
}

TEST(Timers, LoweringTheTargetBelowTheStageWrapsThroughItsEightBits) {
    Timers t;
    t.write_target(0, 10, 0);
    t.write_control(0x01, 0);
    t.write_target(0, 3, 5 * 128);  // stage is at 5 now
    EXPECT_EQ(t.peek_counter(0, (5 + 253) * 128), 0);
    EXPECT_EQ(t.peek_counter(0, (5 + 254) * 128), 1);
    EXPECT_EQ(t.peek_counter(0, (5 + 254 + 3) * 128), 2);
}

// A snapshot keeps no stage counter; a running timer resumes one stage on,
// so its first output comes one stage sooner than after a fresh start (as
// the reference emulator shows for every restart phase probed).
TEST(Timers, RestoreKeepsTheCounterAndResumesOneStageOn) {
    Timers t;
    t.restore(0, true, 4, 0x1B, 0);
    EXPECT_TRUE(t.enabled(0));
    EXPECT_EQ(t.target(0), 4);
    EXPECT_EQ(t.peek_counter(0, 0), 0x0B);
    EXPECT_EQ(t.peek_counter(0, 3 * 128 - 1), 0x0B);
    EXPECT_EQ(t.peek_counter(0, 3 * 128), 0x0C);
    EXPECT_EQ(t.next_output(1, 0), UINT64_MAX);

    // Target 1: the one stage already reaches it.
    t.restore(2, true, 1, 0, 0);
    EXPECT_EQ(t.peek_counter(2, 0), 1);
    // A stopped timer starts afresh when enabled.
    t.restore(1, false, 4, 0, 0);
    t.write_control(0x03, 0);
    EXPECT_EQ(t.peek_counter(1, 4 * 128 - 1), 0);
    EXPECT_EQ(t.peek_counter(1, 4 * 128), 1);
}

// Nor does it keep the prescaler's phase: the prescaler starts over where
// the CPU resumes, so ticks fall a whole divider after that cycle.
TEST(Timers, TheRestartedPrescalerCountsFromItsNewOrigin) {
    for (uint64_t origin : {0u, 1u, 37u}) {
        Timers t;
        t.restart_prescaler(origin);
        t.restore(2, true, 3, 0, origin);  // one stage on: two more ticks to go
        EXPECT_EQ(t.next_output(2, origin), origin + 2 * 16) << origin;
        EXPECT_EQ(t.peek_counter(2, origin + 2 * 16 - 1), 0) << origin;
        EXPECT_EQ(t.peek_counter(2, origin + 2 * 16), 1) << origin;
    }
}

}  // namespace
