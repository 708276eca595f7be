#include "core/timers.h"

#include <cstdint>

namespace apu {

void Timers::advance(int timer, uint64_t now) {
    Timer& t = timers_[timer];
    const unsigned s = shift(timer);
    // The prescaler runs from its origin whether or not the timer is enabled.
    const uint64_t ticks = ((now - origin_) >> s) - ((t.synced - origin_) >> s);
    t.synced = now;
    if (t.enabled) count(t, ticks);
}

void Timers::count(Timer& t, uint64_t ticks) {
    if (ticks == 0) return;
    // The stage counter wraps at 256, so a target below it is reached only
    // after wrapping; target 0 therefore means a period of 256.
    const uint32_t to_first = uint8_t(t.target - t.stage) == 0 ? 256u : uint8_t(t.target - t.stage);
    if (ticks < to_first) {
        t.stage = uint8_t(t.stage + ticks);
        return;
    }
    const uint32_t period = t.target == 0 ? 256u : t.target;
    const uint64_t rest = ticks - to_first;
    t.counter = uint8_t((t.counter + 1 + rest / period) & 0x0F);
    t.stage = uint8_t(rest % period);
}

void Timers::write_control(uint8_t control, uint64_t now) {
    for (int i = 0; i < 3; ++i) {
        advance(i, now);
        Timer& t = timers_[i];
        const bool on = (control >> i) & 1;
        if (on && !t.enabled) {
            t.stage = 0;
            t.counter = 0;
        }
        t.enabled = on;
    }
}

void Timers::write_target(int timer, uint8_t target, uint64_t now) {
    advance(timer, now);
    timers_[timer].target = target;
}

uint8_t Timers::read_counter(int timer, uint64_t now) {
    advance(timer, now);
    const uint8_t value = timers_[timer].counter;
    timers_[timer].counter = 0;
    return value;
}

uint8_t Timers::peek_counter(int timer, uint64_t now) {
    advance(timer, now);
    return timers_[timer].counter;
}

uint64_t Timers::next_output(int timer, uint64_t now) {
    // Worked out on a copy: the timer is not advanced ahead of the CPU.
    const Timer saved = timers_[timer];
    advance(timer, now);
    const Timer t = timers_[timer];
    timers_[timer] = saved;
    if (t.counter) return now;
    if (!t.enabled) return UINT64_MAX;
    const unsigned s = shift(timer);
    const uint32_t to_first = uint8_t(t.target - t.stage) == 0 ? 256u : uint8_t(t.target - t.stage);
    return origin_ + ((((now - origin_) >> s) + to_first) << s);
}

void Timers::restore(int timer, bool enabled, uint8_t target, uint8_t counter, uint64_t now) {
    Timer& t = timers_[timer];
    t.synced = now;
    t.enabled = enabled;
    t.target = target;
    t.stage = 0;
    t.counter = counter & 0x0F;
    // A snapshot keeps no stage counter. A timer that was running has
    // counted at least the prescaler tick that led up to the snapshot, so
    // it resumes one stage on: its first output comes one stage sooner
    // than from a fresh start.
    if (enabled) count(t, 1);
}

}  // namespace apu
