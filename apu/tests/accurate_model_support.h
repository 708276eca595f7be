#pragma once
// The accurate S-DSP model, a black box at ../shared/oracle/spc-ref: its
// render of a song, and where ours first differs from it.
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "testing/files.h"
#include "testing/shared_files.h"

namespace apu_test {

// The model's output of a sample comes 4 samples after ours. Its trace
// shows every event (key-on, envelope step, BRR block and pitch counter,
// noise, echo offset) on the same sample as ours: the delay is its output
// latency, not later events.
constexpr size_t kAccurateModelDelay = 4;

// The model's first `frames` stereo frames at 32 kHz; empty when it refuses
// the file. Files go through the temporary folder, named by process, as
// test shards run side by side.
inline std::vector<int16_t> render_accurate(const std::vector<uint8_t>& image, size_t frames) {
    static std::atomic<int> count{0};
    const auto base = std::filesystem::temp_directory_path() /
                      ("velmo-accurate-" + std::to_string(getpid()) + "-" + std::to_string(count++));
    const auto in = base.string() + ".spc", out = base.string() + ".raw";
    write_bytes(in, image);
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.6f", (frames + 1) / 32000.0);
    std::string command;
    const auto model = shared_files::accurate_model().string();
    for (const std::string& argument : {model, std::string("render"), in, out, std::string(seconds)})
        command.append("'").append(argument).append("' ");
    command.append("2>/dev/null");
    std::vector<int16_t> samples;
    if (std::system(command.c_str()) == 0) {
        const std::vector<uint8_t> bytes = read_bytes(out);
        samples.resize(std::min(bytes.size() / 2, 2 * frames));
        std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
    }
    std::filesystem::remove(in);
    std::filesystem::remove(out);
    return samples;
}

// The first frame of ours that differs from the model's `delay` frames
// later, or ours' frame count when none does within both.
inline size_t first_difference(const std::vector<int16_t>& ours, const std::vector<int16_t>& theirs,
                               size_t delay = kAccurateModelDelay) {
    const size_t frames = ours.size() / 2;
    for (size_t i = 0; i < frames; ++i) {
        if (2 * (i + delay) + 1 >= theirs.size()) return frames;
        if (ours[2 * i] != theirs[2 * (i + delay)] || ours[2 * i + 1] != theirs[2 * (i + delay) + 1]) return i;
    }
    return frames;
}

}  // namespace apu_test
