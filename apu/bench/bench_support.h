#pragma once
// What the song benchmarks share: CPU time, the real songs they run, their
// registration, and libgme rendering beside us.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "core/snapshot.h"
#include "testing/files.h"
#include "testing/shared_files.h"

#if defined(VELMO_HAVE_GME)
#include <gme/gme.h>
#endif

namespace apu_bench {

inline double cpu_seconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + t.tv_nsec * 1e-9;
}

// The whole file, padded to a whole snapshot as a player hands it over.
inline std::vector<uint8_t> read_song(const std::string& path) {
    std::vector<uint8_t> image = read_bytes(path);
    image.resize(std::max<size_t>(image.size(), apu::spc::kSnapshotSize), 0);
    return image;
}

// One benchmark per song, named `name/song`, with the path as its argument
// and a fixed number of passes, of which each benchmark counts its fastest:
// on a shared machine the slower ones measure the neighbours more than the
// code. Real songs only; the tag samples in the corpus are mostly silent.
template <class Function>
void register_per_song(const std::string& name, Function function, int passes) {
    const std::filesystem::path dir = shared_files::spc_corpus();
    for (const char* song : {"aikiriao-eyes-on-me.spc", "fpga-smw-title.spc", "gimic-gtme.spc", "naari3-twinbee.spc",
                             "snesapu-ferris-nu.spc", "snesspcjs-prophecy.spc"}) {
        const std::filesystem::path path = dir / song;
        if (!std::filesystem::exists(path)) continue;
        benchmark::RegisterBenchmark((name + "/" + song).c_str(), function, path.string())
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond)
            ->Iterations(passes);
    }
}

#if defined(VELMO_HAVE_GME)
// CPU seconds libgme takes for `frames` frames at `rate` in blocks of
// `block`, into `out`; -1 when it does not accept the song.
inline double time_libgme(const std::vector<uint8_t>& image, int rate, size_t frames, size_t block,
                          std::vector<int16_t>& out) {
    Music_Emu* emu = nullptr;
    if (gme_open_data(image.data(), static_cast<long>(image.size()), &emu, rate) != nullptr) return -1;
    gme_ignore_silence(emu, 1);
    gme_set_autoload_playback_limit(emu, 0);
    gme_start_track(emu, 0);
    out.resize(frames * 2);
    const double start = cpu_seconds();
    for (size_t done = 0; done < frames; done += block) gme_play(emu, static_cast<int>(block * 2), out.data() + done * 2);
    const double elapsed = cpu_seconds() - start;
    gme_delete(emu);
    return elapsed;
}
#endif

}  // namespace apu_bench
