// Tag parsing and info reporting alone, on images already in memory.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>

#include "host/track_info_impl.h"
#include "spc/input_velmo.h"
#include "testing/files.h"
#include "testing/shared_files.h"
#include "testing/test_services.h"

namespace {

void parse_and_report(benchmark::State& state) {
    std::vector<std::unique_ptr<counted_memory_file>> files;
    for (const auto& path : shared_files::spc_corpus_files())
        files.push_back(std::make_unique<counted_memory_file>(read_bytes(path)));
    if (files.empty()) {
        state.SkipWithError("no shared corpus");
        return;
    }
    never_aborting abort;
    std::vector<std::unique_ptr<input_velmo>> inputs;
    for (auto& f : files) {
        inputs.push_back(std::make_unique<input_velmo>());
        inputs.back()->open(service_ptr_t<file>(f.get()), "bench.spc", input_open_info_read, abort);
    }
    size_t next = 0;
    for (auto _ : state) {
        input_velmo& input = *inputs[next++ % inputs.size()];
        input.parse_tags();
        track_info_impl info;
        input.report_info(info);
        benchmark::DoNotOptimize(info.meta_get_count());
    }
    state.counters["files/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(parse_and_report);

}  // namespace

BENCHMARK_MAIN();
