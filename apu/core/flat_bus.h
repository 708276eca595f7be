#pragma once
#include <cstdint>
#include <vector>

namespace apu {

// One CPU cycle as seen on the bus.
struct BusCycle {
    enum Kind : uint8_t { Read, Write, Wait };
    uint16_t address = 0;  // unused for Wait
    uint8_t value = 0;     // unused for Wait
    Kind kind = Wait;
};

// Plain 64 KiB of RAM with no I/O and no ROM, optionally recording every
// cycle; lets the CPU be checked in isolation, one bus cycle at a time.
class FlatBus {
public:
    uint8_t ram[0x10000] = {};
    std::vector<BusCycle>* log = nullptr;
    uint64_t limit = 0;  // see SystemBus::run_limit

    uint8_t read(uint16_t address, uint64_t) {
        const uint8_t value = ram[address];
        if (log) log->push_back({address, value, BusCycle::Read});
        return value;
    }
    uint8_t read_dp(uint16_t address, uint64_t now) { return read(address, now); }
    void write(uint16_t address, uint8_t value, uint64_t) {
        ram[address] = value;
        if (log) log->push_back({address, value, BusCycle::Write});
    }
    uint64_t run_limit() const { return limit; }
    void set_run_limit(uint64_t cycle) { limit = cycle; }
    void idle(uint64_t) {
        if (log) log->push_back({0, 0, BusCycle::Wait});
    }
};

}  // namespace apu
