// What a running Script700 script costs: a song rendered through the
// library's instance at 44.1 kHz with a script beside it, against the same
// song without one, counted as the percentage of render time the script
// adds (script_pct; the aim is at most 10). Three scripts: the example that
// counts milliseconds until it starts the drums of the title song (its
// commands need nothing of the CPU, so they run ahead of it), one that
// reads the song's port 0 every millisecond, so that the core stops for it
// each time, and the worst case: the same every sample period. The last two
// write no port, so that the song plays as it does alone and only the
// script's own cost is counted (the title song takes port 0 for commands).
//
// Beside them, what parsing costs: a 200 KB script laid out as generated
// ones are (a short script area, an empty extended area, a long data
// area), timed per parse as a share of a 60 Hz frame (frame_pct; the aim
// is at most 10), with the bytes the loaded program keeps (program_kb).
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "api/apu_instance.h"
#include "bench/bench_support.h"
#include "script700/folder_includes.h"
#include "script700/parser.h"
#include "testing/shared_files.h"

namespace {

using apu_bench::cpu_seconds;

constexpr uint32_t kRate = 44100;
constexpr int kSeconds = 10;
constexpr size_t kBlock = 4410;

const std::filesystem::path kExamples = shared_files::script700_examples();
const std::filesystem::path kSong = shared_files::spc_corpus() / "fpga-smw-title.spc";
constexpr const char* kEveryMillisecond = ":0 w #2048 m o0 w1 a w1 w2 bra 0";
constexpr const char* kEverySample = ":0 w #64 m o0 w1 a w1 w2 bra 0";

double render(const std::vector<uint8_t>& image, const std::string& script) {
    auto apu = std::make_unique<apu::api::ApuInstance>();
    const auto includes = apu::script700::folder_includes(kExamples.string());
    if (!script.empty() && !apu->set_script(script.c_str(), &includes)) return -1;
    apu->load(image.data());
    apu->set_options(2, 16, kRate, 3, 0);
    std::vector<uint8_t> out(kBlock * apu->frame_bytes());
    const double start = cpu_seconds();
    for (size_t done = 0; done < size_t(kRate) * kSeconds; done += kBlock) apu->emulate(out.data(), kBlock);
    return cpu_seconds() - start;
}

void script_cost(benchmark::State& state, const std::string& script) {
    if (!std::filesystem::exists(kSong)) {
        state.SkipWithError("no title song in the corpus");
        return;
    }
    const auto image = apu_bench::read_song(kSong.string());
    double best_plain = 1e9, best_scripted = 1e9;
    for (auto _ : state) {
        const double plain = render(image, "");
        const double scripted = render(image, script);
        if (scripted < 0) {
            state.SkipWithError("the script did not parse");
            return;
        }
        best_plain = std::min(best_plain, plain);
        best_scripted = std::min(best_scripted, scripted);
        state.SetIterationTime(scripted);
    }
    state.counters["script_pct"] = 100 * (best_scripted - best_plain) / best_plain;
    state.counters["realtime_x"] = kSeconds / best_scripted;
}

std::string example(const char* name) {
    std::ifstream in(kExamples / name, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string generated_script(size_t bytes) {
    std::string text =
        "; generated\nm #0 w0\n:1\nc w0 #0\nm db? w1\nm w1 i1\nw #2048\na #1 w0\nc l3 w0\nblt 1\nq\n"
        "e\n::\ne\n::\n";
    for (uint32_t k = 0; text.size() < bytes; ++k) {
        if (k % 4096 == 0) text += "\n:" + std::to_string(2 + k / 4096) + "\n";
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02X%c", uint8_t(k * 37 + k / 256), k % 16 == 15 ? '\n' : ' ');
        text += hex;
    }
    return text;
}

void parse_cost(benchmark::State& state) {
    const std::string text = generated_script(200 * 1024);
    apu::script700::Program program;
    apu::script700::ParseError error;
    double best = 1e9;
    for (auto _ : state) {
        const double start = cpu_seconds();
        const bool parsed = apu::script700::parse(text, nullptr, program, error);
        const double took = cpu_seconds() - start;
        if (!parsed) {
            state.SkipWithError(error.reason.c_str());
            return;
        }
        best = std::min(best, took);
        state.SetIterationTime(took);
    }
    apu::api::ApuInstance apu;
    apu.set_script(text.c_str());
    state.counters["script_kb"] = double(text.size()) / 1024;
    state.counters["data_kb"] = double(program.data.size()) / 1024;
    state.counters["frame_pct"] = 100 * best * 60;
    state.counters["program_kb"] = double(apu.script().heap_bytes()) / 1024;
}

const bool registered = [] {
    benchmark::RegisterBenchmark("script700/parse_200k", parse_cost)
        ->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(50);
    if (std::filesystem::exists(kExamples / "drums2.700"))
        benchmark::RegisterBenchmark("script700/example_drums2", script_cost, example("drums2.700"))
            ->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(9);
    for (const auto& [name, script] : {std::pair{"script700/every_millisecond", kEveryMillisecond},
                                       std::pair{"script700/every_sample", kEverySample}})
        benchmark::RegisterBenchmark(name, script_cost, std::string(script))
            ->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(9);
    return true;
}();

}  // namespace
