// skip() against render() over the same minutes of the same songs: the
// milliseconds each takes and how many times faster skipping is ("ratio";
// 1.5 or more is the aim).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "core/sound_system.h"

namespace {

constexpr size_t kFrames = 32000 * 180;
constexpr size_t kChunk = 3200;  // a player's 100 ms block; divides kFrames

double cpu_seconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + t.tv_nsec * 1e-9;
}

double time_advance(const std::vector<uint8_t>& image, std::vector<int16_t>* out) {
    auto system = std::make_unique<apu::SoundSystem>();
    system->load_spc(image.data(), image.size());
    const double start = cpu_seconds();
    for (size_t done = 0; done < kFrames; done += kChunk) {
        if (out) system->render(out->data(), kChunk);
        else system->skip(kChunk);
    }
    return cpu_seconds() - start;
}

void skip_vs_render(benchmark::State& state, const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> image((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<int16_t> out(kChunk * 2);
    // The fastest pass of each counts, as on a shared machine the slower
    // ones measure the neighbours.
    double rendered = 1e9, skipped = 1e9;
    for (auto _ : state) {
        const double a = time_advance(image, &out);
        const double b = time_advance(image, nullptr);
        rendered = std::min(rendered, a);
        skipped = std::min(skipped, b);
        state.SetIterationTime(a + b);
    }
    state.counters["render_ms"] = rendered * 1000;
    state.counters["skip_ms"] = skipped * 1000;
    state.counters["ratio"] = rendered / skipped;
}

const bool registered = [] {
    const std::filesystem::path dir = std::filesystem::path(VELMO_SHARED_DIR) / "corpus" / "spc";
    for (const char* name : {"fpga-smw-title.spc", "aikiriao-eyes-on-me.spc", "snesapu-ferris-nu.spc", "gimic-gtme.spc",
                             "naari3-twinbee.spc"}) {
        const std::filesystem::path path = dir / name;
        if (!std::filesystem::exists(path)) continue;
        benchmark::RegisterBenchmark(("skip_vs_render/" + std::string(name)).c_str(), skip_vs_render, path.string())
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond)
            ->Iterations(5);
    }
    return true;
}();

}  // namespace
