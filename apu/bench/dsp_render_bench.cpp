// Rendering speed of the whole sound system (CPU + DSP) next to libgme on the
// same corpus songs in the same run: seconds of audio per second of CPU time
// for both, and ours divided by theirs ("ratio"; 1 or more meets the target).
#if defined(VELMO_HAVE_GME)
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "core/sound_system.h"

namespace {

using apu_bench::cpu_seconds;

constexpr int kSeconds = 10;  // audio rendered per emulator per iteration
constexpr size_t kFrames = 32000 * kSeconds;
constexpr size_t kChunk = 1000;  // divides kFrames

double time_ours(const std::vector<uint8_t>& image, std::vector<int16_t>& out) {
    auto system = std::make_unique<apu::SoundSystem>();
    system->load_spc(image.data(), image.size());
    out.resize(kFrames * 2);
    const double start = cpu_seconds();
    for (size_t done = 0; done < kFrames; done += kChunk) system->render(out.data() + done * 2, kChunk);
    return cpu_seconds() - start;
}

void side_by_side(benchmark::State& state, const std::string& path) {
    const auto image = apu_bench::read_song(path);
    std::vector<int16_t> out;
    double ours = 1e9, theirs = 1e9;
    for (auto _ : state) {
        const double a = time_ours(image, out);
        const double b = apu_bench::time_libgme(image, 32000, kFrames, kChunk, out);
        if (b < 0) {
            state.SkipWithError("not accepted by libgme");
            return;
        }
        ours = std::min(ours, a);
        theirs = std::min(theirs, b);
        state.SetIterationTime(a + b);
    }
    state.counters["ours_x"] = kSeconds / ours;
    state.counters["libgme_x"] = kSeconds / theirs;
    state.counters["ratio"] = theirs / ours;
}

const bool registered = (apu_bench::register_per_song("render_vs_libgme", side_by_side, 9), true);

}  // namespace
#endif
