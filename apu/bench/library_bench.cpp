// The library as a player uses it, loaded and bound by name: 44.1 kHz
// 16-bit stereo through EmuAPU next to libgme rendering the same songs at
// 44.1 kHz in the same run; what the output stage costs on top of the
// core; exact seeking three minutes forward in both modes and rewinding
// to points already played; and the memory an instance holds.
#if defined(VELMO_HAVE_GME)
#include <memory>
#include <string>
#include <vector>

#include "api/apu_instance.h"
#include "bench/bench_support.h"
#include "core/sound_system.h"
#include "output/output_stage.h"
#include "testing/snesapu_library.h"

namespace {

using apu_bench::cpu_seconds;
using apu_bench::read_song;

constexpr uint32_t kRate = 44100;
constexpr int kSeconds = 10;
constexpr size_t kBlock = 4410;  // 100 ms, as the component asks for it

apu_test::SnesApuLibrary& library() {
    static apu_test::SnesApuLibrary lib;
    return lib;
}

void start(apu_test::SnesApuLibrary& lib, const std::vector<uint8_t>& image, uint32_t rate) {
    lib.load(image.data());
    lib.set_options(3, 2, 16, rate, 3, 0);
}

double time_library(const std::vector<uint8_t>& image, uint32_t rate, std::vector<int16_t>& out) {
    auto& lib = library();
    start(lib, image, rate);
    const size_t block = rate / 10, frames = size_t(rate) * kSeconds;
    out.resize(frames * 2);
    const double t = cpu_seconds();
    for (size_t done = 0; done < frames; done += block) lib.emulate(out.data() + done * 2, uint32_t(block), 1);
    return cpu_seconds() - t;
}

double time_core(const std::vector<uint8_t>& image, std::vector<int16_t>& out) {
    auto core = std::make_unique<apu::SoundSystem>();
    core->load_spc(image.data(), image.size());
    const size_t frames = 32000 * kSeconds;
    out.resize(frames * 2);
    const double t = cpu_seconds();
    for (size_t done = 0; done < frames; done += 3200) core->render(out.data() + done * 2, 3200);
    return cpu_seconds() - t;
}

// The output stage alone (resampling, fade, peaks, 16-bit conversion) on
// the core's frames, in the component's 100 ms blocks: measured directly,
// not as the difference of two noisy runs.
double time_output_stage(const std::vector<int16_t>& core, uint32_t rate) {
    apu::output::OutputStage stage;
    stage.set_format({2, 16, rate});
    std::vector<uint8_t> out(size_t(rate / 10) * 4);
    const size_t block = rate / 10, frames = size_t(rate) * (kSeconds - 1);
    const int16_t* from = core.data();
    const double t = cpu_seconds();
    for (size_t done = 0; done < frames; done += block) {
        const size_t need = stage.core_frames_for(block);
        stage.process(from, block, 0, out.data());
        from += 2 * need;
    }
    benchmark::DoNotOptimize(out.data());
    return (cpu_seconds() - t) * kSeconds / (kSeconds - 1);
}

void playback(benchmark::State& state, const std::string& path) {
    if (!library().loaded()) {
        state.SkipWithError("SNESAPU.DLL not found");
        return;
    }
    const auto image = read_song(path);
    std::vector<int16_t> out;
    double ours = 1e9, theirs = 1e9, core = 1e9, at_core_rate = 1e9, stage = 1e9;
    for (auto _ : state) {
        const double a = time_library(image, kRate, out);
        const double b = apu_bench::time_libgme(image, kRate, size_t(kRate) * kSeconds, kBlock, out);
        const double c = time_core(image, out);
        const double e = time_output_stage(out, kRate);
        const double d = time_library(image, 32000, out);
        if (b < 0) {
            state.SkipWithError("not accepted by libgme");
            return;
        }
        ours = std::min(ours, a), theirs = std::min(theirs, b), core = std::min(core, c);
        at_core_rate = std::min(at_core_rate, d), stage = std::min(stage, e);
        state.SetIterationTime(a + b + c + d + e);
    }
    state.counters["ours_x"] = kSeconds / ours;
    state.counters["libgme_x"] = kSeconds / theirs;
    state.counters["ratio"] = theirs / ours;
    // Resampling and conversion over the core's own time; and everything
    // the library adds to the core, the stage included.
    state.counters["output_pct"] = 100 * stage / core;
    state.counters["library_pct"] = 100 * (ours - core) / core;
    state.counters["at_32k_pct"] = 100 * (at_core_rate - core) / core;
}

// Three minutes forward from the start, fast and slow, then rewinds to
// ten points already played; and the memory after five minutes.
void seeking(benchmark::State& state, const std::string& path) {
    auto& lib = library();
    if (!lib.loaded()) {
        state.SkipWithError("SNESAPU.DLL not found");
        return;
    }
    const auto image = read_song(path);
    constexpr uint32_t kThreeMinutes = 180 * 64000;
    double fast = 1e9, slow = 1e9, rewind = 0;
    for (auto _ : state) {
        // Another song first, so that no snapshot of this one helps.
        lib.load(nullptr);
        start(lib, image, kRate);
        double t = cpu_seconds();
        lib.seek(kThreeMinutes, 0);
        slow = std::min(slow, cpu_seconds() - t);
        lib.load(nullptr);
        start(lib, image, kRate);
        t = cpu_seconds();
        lib.seek(kThreeMinutes, 255);
        fast = std::min(fast, cpu_seconds() - t);
        for (int i = 1; i <= 10; ++i) {
            lib.load(image.data());
            t = cpu_seconds();
            lib.seek(uint32_t(uint64_t(kThreeMinutes) * i / 10 - 64000 * i / 7), 255);
            rewind = std::max(rewind, cpu_seconds() - t);
        }
        state.SetIterationTime(fast + slow);
    }
    auto apu = std::make_unique<apu::api::ApuInstance>();
    apu->load(image.data());
    apu->set_options(2, 16, kRate, 3, 0);
    std::vector<uint8_t> block(kBlock * 4);
    for (size_t done = 0; done < size_t(300) * kRate; done += kBlock) apu->emulate(block.data(), kBlock);
    state.counters["slow_ms"] = slow * 1000;
    state.counters["fast_ms"] = fast * 1000;
    state.counters["fast_speedup"] = slow / fast;
    state.counters["rewind_max_ms"] = rewind * 1000;
    state.counters["memory_kib_5min"] = double(apu->memory_bytes()) / 1024;
    state.counters["snapshots"] = double(apu->snapshots().count());
}

const bool registered = (apu_bench::register_per_song("playback_44k_vs_libgme", playback, 5),
                         apu_bench::register_per_song("seek_3min", seeking, 3), true);

}  // namespace
#endif
