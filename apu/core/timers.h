#pragma once
#include <cstdint>

namespace apu {

// The three timers: a free-running prescaler (128 CPU cycles for timers 0
// and 1, 16 for timer 2), an 8-bit stage counting prescaler ticks up to the
// target (0 means 256) and a 4-bit output counter cleared by reading it.
// They are brought up to date lazily, only when the CPU touches them, so the
// cost does not depend on how long they run.
class Timers {
public:
    // Enable bits 0..2 as written to CONTROL; a 0->1 edge restarts the timer.
    void write_control(uint8_t control, uint64_t now);
    void write_target(int timer, uint8_t target, uint64_t now);
    // Reads the 4-bit counter and clears it, as the CPU does at 0xFD..0xFF.
    uint8_t read_counter(int timer, uint64_t now);
    // Reads without clearing (for inspection).
    uint8_t peek_counter(int timer, uint64_t now);

    // The prescaler counts from `now` on, as after a snapshot, which does
    // not hold its phase: from where the CPU resumes.
    void restart_prescaler(uint64_t now) { origin_ = now; }

    // Puts a timer into a snapshot's state without the side effects of
    // enabling it: counter kept, and a running timer one stage on.
    void restore(int timer, bool enabled, uint8_t target, uint8_t counter, uint64_t now);

    // The first cycle from `now` on at which the timer's counter reads
    // nonzero (`now` itself when it already does; never when disabled).
    uint64_t next_output(int timer, uint64_t now);

    bool enabled(int timer) const { return timers_[timer].enabled; }
    uint8_t target(int timer) const { return timers_[timer].target; }

private:
    struct Timer {
        uint64_t synced = 0;  // cycle up to which the timer has been advanced
        uint8_t target = 0;
        uint8_t stage = 0;
        uint8_t counter = 0;
        bool enabled = false;
    };
    static unsigned shift(int timer) { return timer == 2 ? 4 : 7; }
    void advance(int timer, uint64_t now);
    // Counts prescaler ticks through the stage counter into the output.
    static void count(Timer& t, uint64_t ticks);

    Timer timers_[3];
    uint64_t origin_ = 0;  // the cycle the prescaler started from
};

}  // namespace apu
