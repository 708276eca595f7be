// Renders an SPC file from its snapshot to a 32 kHz 16-bit stereo WAV: no
// fade, no silence skipping, no post-filter. Prints the render speed.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

#include "core/sound_system.h"

namespace {

void put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
void put32(std::vector<uint8_t>& out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

std::vector<uint8_t> wav_header(uint32_t frames) {
    const uint32_t data_bytes = frames * 4;
    std::vector<uint8_t> h;
    h.insert(h.end(), {'R', 'I', 'F', 'F'});
    put32(h, 36 + data_bytes);
    h.insert(h.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put32(h, 16);
    put16(h, 1);          // PCM
    put16(h, 2);          // stereo
    put32(h, 32000);
    put32(h, 32000 * 4);  // bytes per second
    put16(h, 4);          // bytes per frame
    put16(h, 16);
    h.insert(h.end(), {'d', 'a', 't', 'a'});
    put32(h, data_bytes);
    return h;
}

int usage() {
    std::fprintf(stderr, "usage: apu-render IN.spc OUT.wav [--seconds S]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 5) return usage();
    double seconds = 60;
    if (argc == 5) {
        if (std::strcmp(argv[3], "--seconds") != 0) return usage();
        seconds = std::atof(argv[4]);
        if (!(seconds > 0) || seconds > 24 * 3600) return usage();
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "apu-render: cannot open %s\n", argv[1]);
        return 1;
    }
    const std::vector<uint8_t> image((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto system = std::make_unique<apu::SoundSystem>();
    if (!system->load_spc(image.data(), image.size()))
        std::fprintf(stderr, "apu-render: %s is shorter than a full snapshot; missing bytes count as zero\n", argv[1]);

    const uint32_t frames = static_cast<uint32_t>(seconds * 32000);
    std::vector<int16_t> samples(static_cast<size_t>(frames) * 2);
    constexpr uint32_t kChunk = 1024;  // frames per run call
    const auto start = std::chrono::steady_clock::now();
    for (uint32_t done = 0; done < frames;) {
        const uint32_t n = frames - done < kChunk ? frames - done : kChunk;
        system->set_output(samples.data() + static_cast<size_t>(done) * 2, n);
        system->run(n * 32);
        done += static_cast<uint32_t>(system->frames_written());
        if (system->frames_written() == 0) break;
    }
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    std::vector<uint8_t> out = wav_header(frames);
    for (int16_t s : samples) put16(out, static_cast<uint16_t>(s));
    std::ofstream wav(argv[2], std::ios::binary);
    wav.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
    if (!wav) {
        std::fprintf(stderr, "apu-render: cannot write %s\n", argv[2]);
        return 1;
    }
    std::printf("%s: %.1f s rendered in %.3f s (%.1fx real time)\n", argv[1], seconds, elapsed,
                elapsed > 0 ? seconds / elapsed : 0.0);
    return 0;
}
