// Renders an SPC file to a WAV file through the library's own instance, so
// every option the entry points take can be heard and measured here.
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "api/apu_instance.h"
#include "output/resampler.h"
#include "prefs/setting_table.h"
#include "script700/folder_includes.h"
#include "script700/regular_file.h"
#include "sdk/snesapu_entry_points.h"
#include "spc/tag_length.h"
#include "support/output_file.h"
#include "support/wav_header.h"

namespace {

struct Settings {
    double seconds = -1, length = -1, fade = -1, seek = 0;  // -1: from the file
    uint32_t rate = 32000, bits = 16, channels = 2, interpolation = 3, options = 0, amp = 16, stereo = 0x8000;
    std::string script;  // a Script700 file, or empty
    bool overwrite = false;
};

const char* const usage_text =
    "usage: apu-render IN.spc OUT.wav [--seconds S] [--rate HZ] [--bits 8|16|24|32]\n"
    "       [--channels 1|2] [--interpolation 0|1|2|3|4|7] [--options BITS] [--amp LEVEL]\n"
    "       [--stereo SEPARATION] [--length S] [--fade S] [--seek S] [--script FILE.700] [--overwrite]\n"
    "Renders the song through the library's own instance to a PCM WAV file. Times in seconds.\n"
    "The song plays for the length and fade its tags give (3:00 and 2 s when they give none),\n"
    "as the component plays it; --length and --fade set others, --seconds renders that much\n"
    "whatever the length. --seek skips that much of the song first (fast mode).\n"
    "--script runs a Script700 script beside the song; it may include files of its own folder.\n"
    "BITS, LEVEL and SEPARATION as the library takes them (decimal or 0x hex).\n"
    "The WAV is written beside OUT.wav and renamed into place when whole; an existing\n"
    "OUT.wav is replaced only with --overwrite.\n";

int usage_error(const std::string& problem) {
    std::fprintf(stderr, "apu-render: %s\n%s", problem.c_str(), usage_text);
    return 2;
}

bool parse_number(const char* text, double& out) {
    char* end = nullptr;
    out = std::strtod(text, &end);
    return end != text && *end == 0 && std::isfinite(out);
}

bool parse_number(const char* text, uint32_t& out) {
    char* end = nullptr;
    const unsigned long long v = std::strtoull(text, &end, 0);
    if (end == text || *end != 0 || v > 0xFFFFFFFFull || text[0] == '-') return false;
    out = static_cast<uint32_t>(v);
    return true;
}

// Nothing when the options are usable, else what is wrong with which.
std::optional<std::string> parse(int argc, char** argv, Settings& s) {
    for (int i = 3; i < argc; ++i) {
        const std::string name = argv[i];
        if (name == "--overwrite") {
            s.overwrite = true;
            continue;
        }
        if (i + 1 >= argc) return name + " needs a value";
        const char* value = argv[++i];
        const std::string given = name + " " + value;
        const auto time = [&](double& out, double most) {
            return parse_number(value, out) && out >= 0 && out <= most;
        };
        bool ok = false;
        if (name == "--seconds") ok = time(s.seconds, 24 * 3600) && s.seconds > 0;
        else if (name == "--length") ok = time(s.length, 60000);
        else if (name == "--fade") ok = time(s.fade, 60000);
        else if (name == "--seek") ok = time(s.seek, 60000);
        else if (name == "--rate") ok = parse_number(value, s.rate);
        else if (name == "--bits") ok = parse_number(value, s.bits);
        else if (name == "--channels") ok = parse_number(value, s.channels);
        else if (name == "--interpolation") ok = parse_number(value, s.interpolation);
        else if (name == "--options") ok = parse_number(value, s.options);
        else if (name == "--amp") ok = parse_number(value, s.amp);
        else if (name == "--stereo") ok = parse_number(value, s.stereo);
        else if (name == "--script") ok = (s.script = value, !s.script.empty());
        else return "unknown option " + name;
        if (!ok) return given + ": not a usable value";
    }
    if (s.rate < apu::output::Resampler::kMinRate || s.rate > apu::output::Resampler::kMaxRate)
        return "--rate " + std::to_string(s.rate) + ": the library plays 8000 to 192000 Hz";
    if (s.bits != 8 && s.bits != 16 && s.bits != 24 && s.bits != 32)
        return "--bits " + std::to_string(s.bits) + ": must be 8, 16, 24 or 32";
    if (s.channels != 1 && s.channels != 2) return "--channels " + std::to_string(s.channels) + ": must be 1 or 2";
    if (s.interpolation > 4 && s.interpolation != 7)
        return "--interpolation " + std::to_string(s.interpolation) + ": must be 0, 1, 2, 3, 4 or 7";
    return std::nullopt;
}

// The length and fade the component plays the file with by default: its
// tags', else its forced ones.
void take_length_from_tags(const std::vector<uint8_t>& image, Settings& s) {
    spc_tags tags;
    read_id666(image.data(), static_cast<uint32_t>(image.size()), tags);
    read_xid6(image.data(), static_cast<uint32_t>(image.size()), tags);
    limit_tag_lengths(tags);
    const auto tagged = length_from_tags(tags);
    const double song = tagged ? tagged->song_ms : setting_named("cfg_song_length").default_value;
    const double fade = tagged ? tagged->fade_ms : setting_named("cfg_fade_length").default_value;
    if (s.length < 0) s.length = song / 1000;
    if (s.fade < 0) s.fade = fade / 1000;
}

}  // namespace

int main(int argc, char** argv) {
    Settings s;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::printf("%s", usage_text);
            return 0;
        }
    }
    if (argc < 3) return usage_error("name the song and the WAV file to write");
    if (const auto problem = parse(argc, argv, s)) return usage_error(*problem);
    std::error_code error;
    if (std::filesystem::exists(argv[1], error) && !std::filesystem::is_regular_file(argv[1], error)) {
        std::fprintf(stderr, "apu-render: cannot open %s: not a regular file\n", argv[1]);
        return 1;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "apu-render: cannot open %s: %s\n", argv[1], std::strerror(errno));
        return 1;
    }
    std::vector<uint8_t> image((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    take_length_from_tags(image, s);
    if (s.seconds < 0) s.seconds = s.length + s.fade - s.seek;
    if (s.seconds <= 0) {
        std::fprintf(stderr, "apu-render: --seek %.3f is at or past the song's end (%.3f s with its fade)\n", s.seek,
                     s.length + s.fade);
        return 2;
    }
    if (image.size() < apu::api::ApuInstance::kImageSize)
        std::fprintf(stderr, "apu-render: %s is shorter than a full snapshot; missing bytes count as zero\n", argv[1]);
    image.resize(std::max(image.size(), apu::api::ApuInstance::kImageSize), 0);

    // The target is checked before the work: an existing file is kept unasked.
    std::optional<output_file> wav;
    try {
        wav.emplace(argv[2], s.overwrite);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "apu-render: %s\n", e.what());
        return 1;
    }
    auto apu = std::make_unique<apu::api::ApuInstance>();
    if (!s.script.empty()) {
        constexpr size_t kMaxScript = size_t(16) << 20;  // far past any real script
        std::string text, why;
        if (!apu::script700::read_regular_file(s.script, kMaxScript, text, why)) {
            std::fprintf(stderr, "apu-render: cannot read %s: %s\n", s.script.c_str(), why.c_str());
            return 1;
        }
        const size_t slash = s.script.find_last_of("/\\");
        const auto includes = apu::script700::folder_includes(slash == std::string::npos ? "." : s.script.substr(0, slash));
        if (!apu->set_script(text.c_str(), &includes)) {
            std::fprintf(stderr, "apu-render: %s: %s\n", s.script.c_str(), apu->script_problem().c_str());
            return 1;
        }
    }
    apu->load(image.data());
    apu->set_options(s.channels, s.bits, s.rate, s.interpolation, s.options);
    apu->set_amplification(s.amp);
    apu->set_separation(s.stereo);
    apu->set_length(uint32_t(s.length * snesapu::kTicksPerSecond), uint32_t(s.fade * snesapu::kTicksPerSecond));

    const auto start = std::chrono::steady_clock::now();
    if (s.seek > 0) apu->seek(uint32_t(s.seek * snesapu::kTicksPerSecond), true);
    const size_t frames = size_t(s.seconds * s.rate);
    std::vector<uint8_t> samples(frames * apu->frame_bytes());
    apu->emulate(samples.data(), frames);
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    try {
        const std::vector<uint8_t> header = wav_header(false, s.channels, s.rate, s.bits, frames, false);
        std::fwrite(header.data(), 1, header.size(), wav->handle());
        std::fwrite(samples.data(), 1, samples.size(), wav->handle());
        wav->commit();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "apu-render: %s\n", e.what());
        return 1;
    }
    if (!apu->script_problem().empty())
        std::fprintf(stderr, "apu-render: %s: %s\n", s.script.c_str(), apu->script_problem().c_str());
    const double played = s.seconds + s.seek;
    std::printf("%s: %.1f s rendered in %.3f s (%.1fx real time)\n", argv[1], played, elapsed,
                elapsed > 0 ? played / elapsed : 0.0);
    return 0;
}
