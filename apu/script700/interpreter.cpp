#include "script700/interpreter.h"

#include <cstring>
#include <limits>

#include "core/ipl_rom.h"

namespace apu::script700 {

const char* fault_text(Fault fault) {
    switch (fault) {
    case Fault::none: return "no fault";
    case Fault::zero_wait: return "a wait of 0";
    case Fault::zero_divisor: return "a division by 0";
    case Fault::no_label: return "a branch to a label that is not defined";
    case Fault::data_label: return "a label of the wrong area";
    case Fault::empty_stack: return "a return with nothing to return to";
    case Fault::work_register: return "a work register past w7";
    case Fault::data_range: return "an access past the end of the data area";
    case Fault::label_range: return "a label past 1023";
    }
    return "unknown fault";
}

namespace {

bool reads_the_cpu(const Operand& o) { return o.space == Space::output_port || o.space == Space::ram; }

bool needs_the_cpu(const Instruction& in) {
    return in.op == Op::wait_read || in.op == Op::wait_write || in.op == Op::flush || reads_the_cpu(in.a) ||
           reads_the_cpu(in.b);
}

}  // namespace

void Interpreter::load(Program program) {
    program_ = std::move(program);
    needs_cpu_.clear();
    for (const Instruction& in : program_.code) needs_cpu_.push_back(needs_the_cpu(in));
    loaded_ = true;
    state_ = {};
    data_ = program_.data;
}

void Interpreter::clear() {
    program_ = Program{};
    needs_cpu_.clear();
    loaded_ = false;
    state_ = {};
    data_.clear();
}

void Interpreter::restart(const SoundSystem& core) {
    state_ = {};
    state_.base_cycle = core.cycles();
    data_ = program_.data;
    if (!loaded_) state_.wait = Wait::stopped;
}

uint64_t Interpreter::wakes_at() const {
    return state_.wait == Wait::time   ? now()
           : state_.wait == Wait::none ? 0
                                       : UINT64_MAX;
}

uint8_t Interpreter::watched_ports() const {
    switch (state_.wait) {
    case Wait::read: return uint8_t(1 << state_.wait_port);
    case Wait::write: return uint8_t(0x10 << state_.wait_port);
    case Wait::flush: return 0x10;
    default: return 0;
    }
}

void Interpreter::accessed(const PortAccess& access) {
    const uint8_t bit = uint8_t(1 << (access.port + (access.write ? 4 : 0)));
    if (!(watched_ports() & bit)) return;
    if (state_.wait == Wait::flush && access.value != state_.ports[0]) return;
    if (state_.wait != Wait::flush) state_.cmp[0] = uint32_t((access.cycle - state_.wait_since) * 2);
    if (access.cycle > now()) state_.clock = (access.cycle - state_.base_cycle) * 2;
    state_.wait = Wait::none;
}

void Interpreter::wait_for(uint64_t units) {
    state_.clock += units;
    state_.wait = Wait::time;
}

void Interpreter::stop(Fault fault) {
    if (state_.wait == Wait::stopped) return;
    state_.wait = Wait::stopped;
    state_.fault = fault;
    state_.fault_pc = state_.pc ? state_.pc - 1 : 0;
}

Position Interpreter::fault_position() const {
    if (state_.fault == Fault::none || state_.fault_pc >= program_.code.size()) return {};
    return program_.code[state_.fault_pc].at;
}

void Interpreter::run(SoundSystem& core) {
    uint32_t unlimited = UINT32_MAX;
    resume(core, false, unlimited);
}

void Interpreter::run_ahead(SoundSystem& core, uint64_t until) {
    uint32_t writes_left = kWritesAhead;
    while (state_.wait == Wait::time && now() < until && resume(core, true, writes_left)) {
    }
}

bool Interpreter::resume(SoundSystem& core, bool ahead, uint32_t& writes_left) {
    if (state_.wait == Wait::time) state_.wait = Wait::none;
    while (state_.wait == Wait::none) {
        if (state_.pc >= program_.code.size()) {
            stop(Fault::none);  // the end of the script area ends it, as q does
            break;
        }
        if (state_.steps == kStepsBeforeYield) {
            wait_for(kYieldUnits);
            break;
        }
        const Instruction& in = program_.code[state_.pc];
        if (ahead) {
            const bool writes = in.b.space == Space::input_port && in.op != Op::compare;
            if (needs_cpu_[state_.pc] || (writes && writes_left == 0)) {
                state_.wait = Wait::time;  // at its moment, which has not come
                return false;
            }
            if (writes) --writes_left;
        }
        ++state_.pc;
        ++state_.steps;
        execute(in, core);
    }
    state_.steps = 0;
    return true;
}

uint32_t Interpreter::read(const Operand& o, int place, SoundSystem& core) {
    const uint32_t at = index(o, place);
    switch (o.space) {
    case Space::literal: return at;
    case Space::input_port: return state_.ports[at & 3];
    case Space::output_port: return core.read_port(int(at & 3));
    case Space::work:
        if (at < 8) return state_.work[at];
        stop(Fault::work_register);
        return 0;
    case Space::ram: {
        uint32_t v = 0;
        for (int k = o.width - 1; k >= 0; --k) v = v << 8 | core.ram()[(at + uint32_t(k)) & 0xFFFF];
        return v;
    }
    case Space::rom: return kIplRom[at & 0x3F];
    case Space::data: {
        if (at > data_.size() || data_.size() - at < o.width) {
            stop(Fault::data_range);
            return 0;
        }
        uint32_t v = 0;
        for (int k = o.width - 1; k >= 0; --k) v = v << 8 | data_[at + uint32_t(k)];
        return v;
    }
    case Space::label:
        if (at >= Program::kLabels) {
            stop(Fault::label_range);
            return 0;
        }
        if (program_.labels[at].kind != Label::Kind::data) {
            stop(program_.labels[at].kind == Label::Kind::none ? Fault::no_label : Fault::data_label);
            return 0;
        }
        return program_.labels[at].where;
    }
    return 0;
}

void Interpreter::write(const Operand& o, int place, uint32_t value, SoundSystem& core) {
    if (state_.wait == Wait::stopped) return;  // a fault while reading
    const uint32_t at = index(o, place);
    switch (o.space) {
    case Space::input_port:
        state_.ports[at & 3] = uint8_t(value);
        if (state_.ports_direct) core.write_port_at(int(at & 3), uint8_t(value), now());
        break;
    case Space::work:
        if (at < 8) state_.work[at] = value;
        else stop(Fault::work_register);
        break;
    case Space::ram:
        for (uint32_t k = 0; k < o.width; ++k) core.ram()[(at + k) & 0xFFFF] = uint8_t(value >> (8 * k));
        break;
    case Space::data:
        if (at > data_.size() || data_.size() - at < o.width) {
            stop(Fault::data_range);
            break;
        }
        for (uint32_t k = 0; k < o.width; ++k) data_[at + k] = uint8_t(value >> (8 * k));
        break;
    default: break;  // the parser lets no other destination through
    }
}

// `target op= value`; false for a division by zero.
bool Interpreter::compute(uint8_t op, uint32_t value, uint32_t& target) {
    const auto s = [](uint32_t v) { return int32_t(v); };
    const bool min_by_minus_one = target == 0x80000000u && value == 0xFFFFFFFFu;
    switch (Compute(op)) {
    case Compute::add: target += value; break;
    case Compute::sub: target -= value; break;
    case Compute::mul: target *= value; break;
    case Compute::sdiv:
        if (!value) return false;
        if (!min_by_minus_one) target = uint32_t(s(target) / s(value));
        break;
    case Compute::udiv:
        if (!value) return false;
        target /= value;
        break;
    case Compute::rem:
        if (!value) return false;
        target = min_by_minus_one ? 0 : uint32_t(s(target) % s(value));
        break;
    case Compute::mod: {
        if (!value) return false;
        const int64_t m = int64_t(s(value)) < 0 ? -int64_t(s(value)) : int64_t(s(value));
        target = uint32_t(((int64_t(s(target)) % m) + m) % m);
        break;
    }
    case Compute::bit_and: target &= value; break;
    case Compute::bit_or: target |= value; break;
    case Compute::bit_xor: target ^= value; break;
    // Shifts by 32 or more leave nothing but the sign.
    case Compute::shl: target = value < 32 ? target << value : 0; break;
    case Compute::sar: target = uint32_t(s(target) >> (value < 32 ? value : 31)); break;
    case Compute::shr: target = value < 32 ? target >> value : 0; break;
    case Compute::bit_not: target = ~value; break;
    }
    return true;
}

void Interpreter::branch(const Instruction& in) {
    const uint32_t a = state_.cmp[0], b = state_.cmp[1];
    const int32_t sa = int32_t(a), sb = int32_t(b);
    bool taken = false;
    switch (Condition(in.kind)) {
    case Condition::always: taken = true; break;
    case Condition::eq: taken = b == a; break;
    case Condition::ne: taken = b != a; break;
    case Condition::ge: taken = sb >= sa; break;
    case Condition::le: taken = sb <= sa; break;
    case Condition::gt: taken = sb > sa; break;
    case Condition::lt: taken = sb < sa; break;
    case Condition::cc: taken = b >= a; break;
    case Condition::lo: taken = b <= a; break;
    case Condition::hi: taken = b > a; break;
    case Condition::cs: taken = b < a; break;
    }
    if (!taken) return;
    uint32_t label = index(in.a, 0);
    if (in.a.space == Space::work) {
        if (label >= 8) return stop(Fault::work_register);
        label = state_.work[label] % Program::kLabels;
    } else if (in.a.space == Space::literal) {
        label %= Program::kLabels;
    } else if (label >= Program::kLabels) {
        return stop(Fault::label_range);
    }
    const Label& target = program_.labels[label];
    if (target.kind != Label::Kind::script)
        return stop(target.kind == Label::Kind::none ? Fault::no_label : Fault::data_label);
    if (state_.stack_storing) {
        state_.stack[state_.stack_top] = state_.pc;
        state_.stack_top = (state_.stack_top + 1) % MachineState::kStack;
        if (state_.stack_depth < MachineState::kStack) ++state_.stack_depth;
    }
    state_.pc = target.where;
}

void Interpreter::flush(SoundSystem& core) {
    state_.ports_direct = 1;
    for (const int p : {1, 2, 3, 0}) core.write_port_at(p, state_.ports[p], now());
    if (core.read_port(0) != state_.ports[0]) {
        state_.wait = Wait::flush;
        state_.wait_since = now();
    }
}

void Interpreter::execute(const Instruction& in, SoundSystem& core) {
    switch (in.op) {
    case Op::wait: {
        const uint32_t units = read(in.a, 0, core);
        if (state_.wait == Wait::stopped) return;
        if (!units) return stop(Fault::zero_wait);
        return wait_for(units);
    }
    case Op::wait_read:
    case Op::wait_write:
        state_.wait_port = uint8_t(read(in.a, 0, core) & 3);
        if (state_.wait == Wait::stopped) return;
        state_.wait = in.op == Op::wait_read ? Wait::read : Wait::write;
        state_.wait_since = now();
        return;
    case Op::move: return write(in.b, 1, read(in.a, 0, core), core);
    case Op::compare: {
        const uint32_t a = read(in.a, 0, core);
        const uint32_t b = read(in.b, 1, core);
        state_.cmp[0] = a;
        state_.cmp[1] = b;
        return;
    }
    case Op::add:
    case Op::subtract:
    case Op::multiply:
    case Op::divide:
    case Op::compute: {
        static constexpr Compute kBasic[] = {Compute::add, Compute::sub, Compute::mul, Compute::sdiv};
        const uint8_t op = in.op == Op::compute ? in.kind : uint8_t(kBasic[int(in.op) - int(Op::add)]);
        const uint32_t value = read(in.a, 0, core);
        uint32_t target = Compute(op) == Compute::bit_not ? 0 : read(in.b, 1, core);
        if (state_.wait == Wait::stopped) return;
        if (!compute(op, value, target)) return stop(Fault::zero_divisor);
        return write(in.b, 1, target, core);
    }
    case Op::branch: return branch(in);
    case Op::ret:
        if (!state_.stack_depth) return stop(Fault::empty_stack);
        state_.stack_storing = 1;
        state_.stack_top = (state_.stack_top + MachineState::kStack - 1) % MachineState::kStack;
        --state_.stack_depth;
        state_.pc = state_.stack[state_.stack_top];
        return;
    case Op::stack_off: state_.stack_storing = 0; return;
    case Op::stack_on: state_.stack_storing = 1; return;
    case Op::flush: return flush(core);
    case Op::ports_cached: state_.ports_direct = 0; return;
    case Op::ports_direct: state_.ports_direct = 1; return;
    case Op::quit: return stop(Fault::none);
    }
}

size_t Interpreter::heap_bytes() const {
    return program_.code.capacity() * sizeof(Instruction) + program_.data.capacity() +
           program_.samples.capacity() * sizeof(SampleCommand) + data_.capacity();
}

std::vector<uint8_t> Interpreter::save() const {
    std::vector<uint8_t> bytes(sizeof state_ + data_.size());
    std::memcpy(bytes.data(), &state_, sizeof state_);
    if (!data_.empty()) std::memcpy(bytes.data() + sizeof state_, data_.data(), data_.size());
    return bytes;
}

bool Interpreter::restore(const std::vector<uint8_t>& bytes) {
    if (bytes.size() != sizeof state_ + program_.data.size()) return false;
    std::memcpy(&state_, bytes.data(), sizeof state_);
    data_.assign(bytes.begin() + sizeof state_, bytes.end());
    return true;
}

}  // namespace apu::script700
