// skip() against render() over the same minutes of the same songs: the
// milliseconds each takes and how many times faster skipping is ("ratio";
// 1.5 or more is the aim).
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "core/sound_system.h"

namespace {

using apu_bench::cpu_seconds;

constexpr size_t kFrames = 32000 * 180;
constexpr size_t kChunk = 3200;  // a player's 100 ms block; divides kFrames

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
    const auto image = apu_bench::read_song(path);
    std::vector<int16_t> out(kChunk * 2);
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

const bool registered = (apu_bench::register_per_song("skip_vs_render", skip_vs_render, 5), true);

}  // namespace
