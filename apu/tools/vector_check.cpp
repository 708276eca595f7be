#include "tools/vector_check.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include <nlohmann/json.hpp>

#include "core/cpu.h"
#include "core/flat_bus.h"

namespace apu::vectors {
namespace {

using nlohmann::json;

std::string hex(unsigned v, int digits) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%0*X", digits, v);
    return buf;
}

std::string describe(const BusCycle& c) {
    switch (c.kind) {
    case BusCycle::Read: return "read " + hex(c.address, 4) + "=" + hex(c.value, 2);
    case BusCycle::Write: return "write " + hex(c.address, 4) + "=" + hex(c.value, 2);
    default: return "wait";
    }
}

std::string describe(const json& c) {
    const std::string kind = c[2].get<std::string>();
    if (kind == "wait") return "wait";
    std::string s = kind + " " + hex(c[0].get<unsigned>(), 4);
    s += c[1].is_null() ? "=??" : "=" + hex(c[1].get<unsigned>(), 2);
    return s;
}

bool same_cycle(const BusCycle& got, const json& want) {
    const std::string kind = want[2].get<std::string>();
    if (kind == "wait") return got.kind == BusCycle::Wait;
    if (got.kind != (kind == "read" ? BusCycle::Read : BusCycle::Write)) return false;
    if (got.address != want[0].get<unsigned>()) return false;
    return want[1].is_null() || got.value == want[1].get<unsigned>();
}

CpuRegisters registers_of(const json& state) {
    CpuRegisters r;
    r.pc = state["pc"].get<uint16_t>();
    r.a = state["a"].get<uint8_t>();
    r.x = state["x"].get<uint8_t>();
    r.y = state["y"].get<uint8_t>();
    r.sp = state["sp"].get<uint8_t>();
    r.psw = state["psw"].get<uint8_t>();
    return r;
}

// Returns what differed, or an empty string when the vector passes.
std::string run_vector(const json& test) {
    auto bus = std::make_unique<FlatBus>();
    std::vector<BusCycle> log;
    Cpu<FlatBus> cpu(*bus);
    const json& initial = test["initial"];
    for (const json& entry : initial["ram"]) bus->ram[entry[0].get<uint16_t>()] = entry[1].get<uint8_t>();
    const CpuRegisters start = registers_of(initial);
    cpu.set_registers(start);
    const uint8_t opcode = bus->ram[start.pc];
    bus->log = &log;
    cpu.step();

    std::ostringstream diff;
    const CpuRegisters want = registers_of(test["final"]);
    const CpuRegisters got = cpu.registers();
    auto reg = [&](const char* name, unsigned g, unsigned w, int digits) {
        if (g != w) diff << ' ' << name << ' ' << hex(g, digits) << " (want " << hex(w, digits) << ')';
    };
    reg("pc", got.pc, want.pc, 4);
    reg("a", got.a, want.a, 2);
    reg("x", got.x, want.x, 2);
    reg("y", got.y, want.y, 2);
    reg("sp", got.sp, want.sp, 2);
    reg("psw", got.psw, want.psw, 2);
    for (const json& entry : test["final"]["ram"]) {
        const uint16_t address = entry[0].get<uint16_t>();
        reg(("ram[" + hex(address, 4) + "]").c_str(), bus->ram[address], entry[1].get<unsigned>(), 2);
    }

    // The vectors let SLEEP and STOP run on for seven cycles as if they were
    // slow NOPs; the chip halts instead. Only the cycles before the halt are
    // compared, and the CPU must then stay put.
    const json& cycles = test["cycles"];
    size_t expected = cycles.size();
    if (opcode == 0xEF || opcode == 0xFF) {
        expected = 3;
        if (!cpu.halted()) diff << " not halted";
        const size_t logged = log.size();
        cpu.step();
        cpu.step();
        if (cpu.registers().pc != got.pc) diff << " pc moved after halting";
        for (size_t i = logged; i < log.size(); ++i)
            if (log[i].kind != BusCycle::Wait) diff << " bus access while halted";
        log.resize(logged);
    }
    if (log.size() != expected) diff << " cycles " << log.size() << " (want " << expected << ')';
    for (size_t i = 0; i < std::min(log.size(), expected); ++i) {
        if (!same_cycle(log[i], cycles[i])) {
            diff << " cycle " << i << ": " << describe(log[i]) << " (want " << describe(cycles[i]) << ')';
            break;
        }
    }
    return diff.str();
}

}  // namespace

FileResult check_file(const std::string& path, size_t max_reported) {
    FileResult result;
    result.path = path;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        result.error = "cannot open";
        return result;
    }
    json tests;
    try {
        tests = json::parse(in);
    } catch (const json::exception& e) {
        result.error = e.what();
        return result;
    }
    for (const json& test : tests) {
        std::string diff;
        try {
            diff = run_vector(test);
        } catch (const json::exception& e) {
            diff = std::string(" malformed vector: ") + e.what();
        }
        if (diff.empty()) {
            ++result.passed;
            continue;
        }
        ++result.failed;
        if (result.failures.size() < max_reported)
            result.failures.push_back(test.value("name", std::string("?")) + ":" + diff);
    }
    return result;
}

std::vector<std::string> json_files_in(const std::string& folder) {
    std::vector<std::string> files;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
        if (entry.is_regular_file() && entry.path().extension() == ".json") files.push_back(entry.path().string());
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace apu::vectors
