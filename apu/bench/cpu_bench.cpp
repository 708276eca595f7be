// Emulation speed in CPU cycles per second ("cycles/s"), on the example
// song and on the corpus songs:
// - CpuFlat: the interpreter alone, over the song's RAM as plain memory
//   (no timers or DSP, so polling loops simply spin);
// - System: the whole sound system, CPU with timers, ports and the S-DSP.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/cpu.h"
#include "core/flat_bus.h"
#include "core/snapshot.h"
#include "core/sound_system.h"
#include "testing/shared_files.h"
#include "tools/example_spc.h"

namespace {

constexpr uint32_t kSlice = apu::SoundSystem::kCpuHz / 10;

const char* const kSongs[] = {"example", "fpga-smw-title.spc", "fpga-ct-wind-scene.spc", "gimic-gtme.spc",
                              "naari3-twinbee.spc", "snesspcjs-prophecy.spc", "rustspc-surprise.spc"};

std::vector<uint8_t> song_image(int index) {
    if (index == 0) return apu::example::build_example_spc().image;
    std::vector<uint8_t> data;
    const std::string path = (shared_files::spc_corpus() / kSongs[index]).string();
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        data.resize(0x20000);
        data.resize(std::fread(data.data(), 1, data.size(), f));
        std::fclose(f);
    }
    return data;
}

void BM_CpuFlat(benchmark::State& state) {
    const auto image = song_image(int(state.range(0)));
    state.SetLabel(kSongs[state.range(0)]);
    if (image.size() < apu::spc::kSnapshotSize) return state.SkipWithError("song not available");
    auto bus = std::make_unique<apu::FlatBus>();
    std::memcpy(bus->ram, image.data() + apu::spc::kRam, sizeof bus->ram);
    apu::Cpu<apu::FlatBus> cpu(*bus);
    apu::CpuRegisters r;
    r.pc = uint16_t(image[apu::spc::kPc] | image[apu::spc::kPc + 1] << 8);
    r.a = image[apu::spc::kA];
    r.x = image[apu::spc::kX];
    r.y = image[apu::spc::kY];
    r.psw = image[apu::spc::kPsw];
    r.sp = image[apu::spc::kSp];
    cpu.set_registers(r);
    for (auto _ : state) cpu.run(cpu.cycle() + kSlice);
    state.counters["cycles/s"] = benchmark::Counter(double(cpu.cycle()), benchmark::Counter::kIsRate);
}

void BM_System(benchmark::State& state) {
    const auto image = song_image(int(state.range(0)));
    state.SetLabel(kSongs[state.range(0)]);
    if (image.size() < apu::spc::kSnapshotSize) return state.SkipWithError("song not available");
    auto s = std::make_unique<apu::SoundSystem>();
    s->load_spc(image.data(), image.size());
    std::vector<int16_t> frames(2 * (kSlice / 32 + 16));
    for (auto _ : state) {
        s->set_output(frames.data(), frames.size() / 2);
        s->run(kSlice);
    }
    state.counters["cycles/s"] = benchmark::Counter(double(s->cycles()), benchmark::Counter::kIsRate);
    if (s->halted()) state.SkipWithError("CPU halted");
}

BENCHMARK(BM_CpuFlat)->DenseRange(0, 6)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_System)->DenseRange(0, 6)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
