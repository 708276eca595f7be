// Info reading through the real host code and DLL: open, report, release,
// with the files in the page cache.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "host/memory_streams.h"
#include "host/track_info_impl.h"
#include "testing/host_with_component.h"
#include "testing/shared_files.h"

namespace {

std::vector<std::string> bench_files() {
    std::vector<std::string> files;
    for (const auto& path : shared_files::spc_corpus_files()) files.push_back(path.string());
    files.push_back((component_host::executable_folder() / "example.spc").string());
    return files;
}

void info_through_host(benchmark::State& state) {
    host_with_component host(std::filesystem::temp_directory_path() / "velmo-bench-config");
    auto entry = host.find_input("x.spc");
    auto files = bench_files();
    host_abort abort;
    size_t next = 0;
    for (auto _ : state) {
        const std::string& path = files[next++ % files.size()];
        service_ptr_t<input_info_reader> reader;
        entry->open_for_info_read(reader, {}, path.c_str(), abort);
        track_info_impl info;
        reader->get_info(0, info, abort);
        benchmark::DoNotOptimize(info.info_get_count());
    }
    state.counters["files/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(info_through_host);

}  // namespace

BENCHMARK_MAIN();
