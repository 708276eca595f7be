#include "script700/script_timeline.h"

#include <algorithm>

namespace apu::script700 {

namespace {

constexpr uint64_t kCyclesPerFrame = 32;
// The script acts before the CPU reaches its moment by up to the longest
// instruction's cycles, so that the port writes it makes at that moment
// are still ahead of the CPU and land on their cycle.
constexpr uint64_t kLead = 12;

}  // namespace

void advance_with_script(Interpreter& script, SoundSystem& core, uint64_t target, int16_t* out, bool skip) {
    while (core.frames_rendered() < target) {
        const uint64_t end = target * kCyclesPerFrame;
        if (core.cycles() + kLead >= script.wakes_at()) script.run(core);
        script.run_ahead(core, end);
        const uint64_t done = core.frames_rendered();
        const size_t left = size_t(target - done);
        const uint64_t wake = script.wakes_at();
        const uint64_t run_to = wake > kLead ? wake - kLead : 0;
        const uint8_t watch = script.watched_ports();
        if (run_to >= end && !watch) {
            // Nothing the script waits for falls in the rest of the span.
            if (skip) core.skip(left);
            else core.render(out, left);
            return;
        }
        const uint64_t stop = std::min(run_to, end);
        if (!watch && stop / kCyclesPerFrame > done) {
            // The whole frames before the moment go the usual way.
            const size_t whole = size_t(stop / kCyclesPerFrame - done);
            if (skip) {
                core.skip(whole);
            } else {
                core.render(out, whole);
                if (out) out += 2 * whole;
            }
            continue;
        }
        core.set_output(out, out ? left : 0);
        PortAccess access;
        const bool hit = core.run_until(stop, watch, &access);
        if (out) out += 2 * (core.frames_rendered() - done);
        if (hit) script.accessed(access);
    }
}

}  // namespace apu::script700
