#pragma once
// Runs a parsed script against a sound system through the seams its core
// offers: the four ports, RAM and the CPU's cycle count. It keeps the
// script's own time, in the language's unit of half an SPC700 cycle
// (2,048,000 a second), counted from the cycle where the script began.
#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

#include "core/sound_system.h"
#include "script700/program.h"

namespace apu::script700 {

// Why a script stopped before its end.
enum class Fault : uint8_t {
    none,
    zero_wait,       // w 0
    zero_divisor,    // d, n / \ % $ by 0
    no_label,        // a branch to a label never defined
    data_label,      // a branch to a data-area label, or l of a script label
    empty_stack,     // r with nothing to return to
    work_register,   // w? past w7
    data_range,      // a data-area access past its end
    label_range,     // l? past 1023
};
const char* fault_text(Fault fault);

enum class Wait : uint8_t {
    none,     // runs on
    time,     // until the SPC700 reaches a cycle
    read,     // wi: until the SPC700 reads an input port
    write,    // wo: until the SPC700 writes an output port
    flush,    // f: until output port 0 equals input port 0
    stopped,  // q, the end, or a fault
};

// The script's whole state but its data area, as one plain value.
struct MachineState {
    static constexpr uint32_t kStack = 64;
    uint32_t pc = 0;
    uint32_t work[8] = {};
    uint32_t cmp[2] = {};
    uint32_t stack[kStack] = {};  // a ring: the oldest return goes when it is full
    uint32_t stack_depth = 0, stack_top = 0;
    uint8_t stack_storing = 1;
    uint8_t ports_direct = 1;  // f0 holds input port writes back until f
    uint8_t ports[4] = {};     // what the script last wrote to each input port
    Wait wait = Wait::none;
    uint8_t wait_port = 0;
    Fault fault = Fault::none;
    uint32_t fault_pc = 0;
    uint64_t base_cycle = 0;
    uint64_t clock = 0;       // half cycles since base_cycle
    uint64_t wait_since = 0;  // the cycle a port wait began
    uint32_t steps = 0;       // commands run since the last wait
};
static_assert(std::is_trivially_copyable_v<MachineState>);

class Interpreter {
public:
    // Commands run without a wait before the script is made to wait one
    // millisecond, so that a loop that never waits cannot hold the sound
    // system up.
    static constexpr uint32_t kStepsBeforeYield = 1024;
    static constexpr uint32_t kYieldUnits = 2048;
    // Input port writes one run_ahead() may leave waiting in the core, which
    // holds 16 (see SystemBus::write_input_port_at).
    static constexpr uint32_t kWritesAhead = 12;

    void load(Program program);
    void clear();
    bool loaded() const { return loaded_; }
    const Program& program() const { return program_; }

    // From the first command, at the core's current cycle.
    void restart(const SoundSystem& core);

    // Runs the script on, from a time wait the caller found over or from no
    // wait, until it waits again or stops.
    void run(SoundSystem& core);
    // Runs on ahead of the CPU, through the moments before cycle `until`,
    // as long as the commands need nothing of the CPU (no output port or
    // RAM, no wait on the SPC700): their input port writes are sent ahead
    // to their cycles. It stops before the first command that does, which
    // then waits for its moment as the script would have. The effects are
    // those of running each command at its moment, at a fraction of the
    // cost of stopping the core there.
    void run_ahead(SoundSystem& core, uint64_t until);
    // The cycle a time wait ends at (0 when the script does not wait);
    // UINT64_MAX while it waits on the SPC700 or has stopped.
    uint64_t wakes_at() const;
    // The port accesses the script waits on, as SoundSystem::run_until
    // takes them.
    uint8_t watched_ports() const;
    // A watched access happened: the wait it ends is over (run() goes on).
    void accessed(const PortAccess& access);

    const MachineState& state() const { return state_; }
    // Bytes allocated for the program and the data area.
    size_t heap_bytes() const;
    const std::vector<uint8_t>& data() const { return data_; }
    // The position of the command that faulted, when one did.
    Position fault_position() const;

    // The state and data area as bytes, and back; restore() refuses bytes
    // that do not fit the loaded program.
    std::vector<uint8_t> save() const;
    bool restore(const std::vector<uint8_t>& bytes);

private:
    // Runs from where the script waits (a wait that is over) until it waits
    // again; `ahead`: stops instead before a command that needs the CPU, or
    // that would write a port past `writes_left` (false).
    bool resume(SoundSystem& core, bool ahead, uint32_t& writes_left);
    void execute(const Instruction& in, SoundSystem& core);
    uint32_t read(const Operand& o, int place, SoundSystem& core);
    void write(const Operand& o, int place, uint32_t value, SoundSystem& core);
    bool compute(uint8_t op, uint32_t value, uint32_t& target);
    void branch(const Instruction& in);
    void flush(SoundSystem& core);
    void wait_for(uint64_t units);
    void stop(Fault fault);
    // The first whole cycle at or after the script's time.
    uint64_t now() const { return state_.base_cycle + (state_.clock + 1) / 2; }
    uint32_t index(const Operand& o, int place) const { return o.dynamic ? state_.cmp[place] : o.value; }

    Program program_;
    std::vector<uint8_t> needs_cpu_;  // by instruction
    bool loaded_ = false;
    MachineState state_;
    std::vector<uint8_t> data_;
};

}  // namespace apu::script700
