// Decoding through the host as a player does, next to the library's own
// speed at the same settings in the same run: what the decoder's block
// loop, conversion to float and silence test cost on top of the library.
#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "host/audio_chunk_impl.h"
#include "host/memory_streams.h"
#include "testing/host_with_component.h"
#include "testing/snesapu_library.h"

namespace {

using apu_bench::cpu_seconds;

constexpr int kSeconds = 30;

// The component loaded into a host of its own, with a configuration
// folder that nothing else uses.
class decoding_host {
public:
    decoding_host() : folder_(std::filesystem::temp_directory_path() / "velmo-decode-bench"), host_(folder_) {}
    ~decoding_host() {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }

    void set_rate(uint32_t rate) {
        host_.set_setting("cfg_samplerate", static_cast<int32_t>(rate));
    }

    // CPU seconds for kSeconds of the song through the decoder.
    double time_decoder(const std::string& path) {
        host_abort abort;
        service_ptr_t<input_decoder> decoder;
        host_.find_input(path)->open_for_decoding(decoder, {}, path.c_str(), abort);
        decoder->initialize(0, input_decoder::flag_no_looping, abort);
        audio_chunk_impl chunk;
        double played = 0;
        const double start = cpu_seconds();
        while (played < kSeconds && decoder->run(chunk, abort)) played += double(chunk.frames()) / chunk.rate();
        return cpu_seconds() - start;
    }

private:
    std::filesystem::path folder_;
    host_with_component host_;
};

decoding_host& host() {
    static decoding_host instance;
    return instance;
}

// CPU seconds for kSeconds of the song from the library itself, in the
// decoder's blocks and with the decoder's settings.
double time_library(const std::vector<uint8_t>& image, uint32_t rate) {
    static apu_test::SnesApuLibrary library;
    library.load(image.data());
    library.set_options(3, 2, 16, rate, 3, 0);
    library.set_amp(16);
    library.set_stereo(0x8000);
    const uint32_t block = rate / 10;
    std::vector<int16_t> out(size_t{block} * 2);
    const double start = cpu_seconds();
    for (int i = 0; i < kSeconds * 10; ++i) library.emulate(out.data(), block, 1);
    return cpu_seconds() - start;
}

void decode(benchmark::State& state, const std::string& path, uint32_t rate) {
    const auto image = apu_bench::read_song(path);
    host().set_rate(rate);
    double best_library = 1e9, best_decoder = 1e9;
    for (auto _ : state) {
        const double library = time_library(image, rate);
        const double decoder = host().time_decoder(path);
        best_library = std::min(best_library, library);
        best_decoder = std::min(best_decoder, decoder);
        state.SetIterationTime(decoder);
    }
    state.counters["x_realtime"] = kSeconds / best_decoder;
    state.counters["library_x_realtime"] = kSeconds / best_library;
    // At least 0.95: the decoder's own work costs at most 5 %.
    state.counters["speed_vs_library"] = best_library / best_decoder;
}

}  // namespace

int main(int argc, char** argv) {
    for (uint32_t rate : {32000u, 44100u}) {
        apu_bench::register_per_song(
            "decode_" + std::to_string(rate),
            [rate](benchmark::State& state, const std::string& path) { decode(state, path, rate); }, 5);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
