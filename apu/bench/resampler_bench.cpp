// Resampling cost per output frame (stereo), from the core's int16 frames:
// conversion to float, then the resampler, with the dot products the
// processor does best and with SSE2 alone. At 44100 Hz the whole output
// stage has about 5 ns per frame, a tenth of what the core spends making
// the audio. Where libsoxr is installed, its "HQ" setting runs beside it on
// the same input.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "output/resampler.h"

#if defined(VELMO_HAVE_SOXR)
#include <soxr.h>
#endif

namespace {

constexpr size_t kBlock = 1024;  // output frames per call

// Half a second of two tones at 32 kHz, as the core would deliver it.
std::vector<int16_t> core_output() {
    std::vector<int16_t> frames(2 * 16000);
    for (size_t i = 0; i < 16000; ++i) {
        frames[2 * i] = static_cast<int16_t>(12000 * std::sin(i * 0.0713));
        frames[2 * i + 1] = static_cast<int16_t>(9000 * std::sin(i * 0.3071));
    }
    return frames;
}

void per_frame(benchmark::State& state, size_t frames) {
    // Seconds per frame, printed with an SI prefix (n for ns).
    state.counters["per_frame"] = benchmark::Counter(static_cast<double>(frames),
                                                     benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// Second argument 1: SSE2 only, as on processors without AVX2 and FMA.
void BM_Resampler(benchmark::State& state) {
    using apu::output::Resampler;
    Resampler resampler(static_cast<uint32_t>(state.range(0)),
                        state.range(1) ? Resampler::Instructions::sse2 : Resampler::Instructions::best);
    const std::vector<int16_t> source = core_output();
    std::vector<float> input(2 * (resampler.input_for(kBlock) + 8)), output(2 * kBlock);
    size_t at = 0, frames = 0;
    for (auto _ : state) {
        const size_t needed = resampler.input_for(kBlock);
        if (2 * (at + needed) > source.size()) at = 0;
        for (size_t i = 0; i < 2 * needed; ++i) input[i] = source[2 * at + i];
        resampler.process(input.data(), output.data(), kBlock);
        benchmark::DoNotOptimize(output.data());
        at += needed;
        frames += kBlock;
    }
    per_frame(state, frames);
    state.counters["taps"] = resampler.taps();
    state.counters["wide"] = resampler.wide();
    state.counters["KiB"] = static_cast<double>(resampler.memory_bytes()) / 1024;
}
BENCHMARK(BM_Resampler)
    ->ArgsProduct({{44100, 48000, 96000, 22050, 8000, 192000, 44101}, {0, 1}})
    ->MinTime(0.2);

#if defined(VELMO_HAVE_SOXR)
void BM_SoxrHQ(benchmark::State& state) {
    const double rate = static_cast<double>(state.range(0));
    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
    soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
    soxr_error_t error = nullptr;
    soxr_t soxr = soxr_create(32000, rate, 2, &error, &io, &quality, &runtime);
    if (error) {
        state.SkipWithError(error);
        return;
    }
    const std::vector<int16_t> source = core_output();
    const size_t in_block = static_cast<size_t>(kBlock * 32000 / rate) + 1;
    std::vector<float> input(2 * in_block), output(2 * 2 * kBlock);
    size_t at = 0, frames = 0;
    for (auto _ : state) {
        if (2 * (at + in_block) > source.size()) at = 0;
        for (size_t i = 0; i < 2 * in_block; ++i) input[i] = source[2 * at + i];
        size_t used = 0, made = 0;
        soxr_process(soxr, input.data(), in_block, &used, output.data(), 2 * kBlock, &made);
        benchmark::DoNotOptimize(output.data());
        at += used;
        frames += made;
    }
    soxr_delete(soxr);
    per_frame(state, frames);
}
BENCHMARK(BM_SoxrHQ)->Arg(44100)->Arg(48000)->Arg(96000)->Arg(22050)->Arg(8000)->Arg(192000)->Arg(44101)->MinTime(0.2);
#endif

}  // namespace
