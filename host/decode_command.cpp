// Decodes files as a player does and writes each to a WAV file.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <optional>

#include "host/audio_chunk_impl.h"
#include "host/commands.h"
#include "host/file_commands.h"
#include "host/memory_streams.h"
#include "host/track_info_impl.h"
#include "host/wav_writer.h"

#if defined(_WIN32)
#include <io.h>
#define velmo_isatty _isatty
#else
#include <unistd.h>
#define velmo_isatty isatty
#endif

namespace {

namespace fs = std::filesystem;
using clock_type = std::chrono::steady_clock;

struct decode_options {
    std::vector<std::string> files;
    std::optional<fs::path> output;
    std::optional<double> seek;
    std::optional<double> seconds;
    bool loop = false;
    wav_writer::sample_type type = wav_writer::sample_type::float32;
};

bool parse_seconds(const std::string& text, double& out) {
    char* end = nullptr;
    out = std::strtod(text.c_str(), &end);
    return !text.empty() && *end == 0 && std::isfinite(out) && out >= 0;
}

// Nothing when the arguments are unusable; the reason is printed.
std::optional<decode_options> parse(const std::vector<std::string>& arguments) {
    decode_options options;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        const bool has_value = i + 1 < arguments.size();
        double value = 0;
        if (a == "-o" && has_value) {
            options.output = fs::u8path(arguments[++i]);
        } else if (a == "--seek" && has_value && parse_seconds(arguments[i + 1], value)) {
            options.seek = value;
            ++i;
        } else if (a == "--seconds" && has_value && parse_seconds(arguments[i + 1], value)) {
            options.seconds = value;
            ++i;
        } else if (a == "--loop") {
            options.loop = true;
        } else if (a == "--pcm16") {
            options.type = wav_writer::sample_type::pcm16;
        } else if (a == "-o") {
            std::fprintf(stderr, "decode: -o needs a file or folder\n");
            return std::nullopt;
        } else if (a == "--seek" || a == "--seconds") {
            std::fprintf(stderr, "decode: %s needs a number of seconds\n", a.c_str());
            return std::nullopt;
        } else if (a.size() > 1 && a[0] == '-') {
            std::fprintf(stderr, "decode: unknown option %s\n", a.c_str());
            return std::nullopt;
        } else {
            options.files.push_back(a);
        }
    }
    if (!expand_named_files("decode", options.files)) return std::nullopt;
    return options;
}

// The song's own name: what follows the last folder or archive separator.
std::string song_stem(const std::string& path) {
    const size_t cut = path.find_last_of("/\\|:");
    std::string name = cut == std::string::npos ? path : path.substr(cut + 1);
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name.resize(dot);
    return name;
}

// -o names the file when one song is decoded and it is no folder; otherwise
// the folder (made when missing) or the current one gets STEM.wav.
fs::path output_for(const decode_options& options, const std::string& song) {
    const fs::path file = fs::u8path(song_stem(song) + ".wav");
    if (!options.output) return file;
    std::error_code error;
    if (options.files.size() == 1 && !fs::is_directory(*options.output, error)) return *options.output;
    fs::create_directories(*options.output, error);
    return *options.output / file;
}

class progress {
public:
    progress(bool terminal, double length) : terminal_(terminal), length_(length) {}

    void show(double position, double elapsed) {
        if (!terminal_ || elapsed - shown_ < 0.1) return;
        shown_ = elapsed;
        const int width = 30;
        const int filled = length_ > 0 ? static_cast<int>(std::min(1.0, position / length_) * width) : 0;
        std::fprintf(stderr, "\r[%s%s] %s / %s  %.0fx ", std::string(filled, '#').c_str(),
                     std::string(width - filled, '.').c_str(), format_length(position).c_str(),
                     length_ > 0 ? format_length(length_).c_str() : "?", speed(position, elapsed));
        std::fflush(stderr);
    }
    void done() {
        if (terminal_ && shown_ > 0) std::fprintf(stderr, "\r%*s\r", 70, "");
    }
    static double speed(double position, double elapsed) { return elapsed > 0 ? position / elapsed : 0; }

private:
    bool terminal_;
    double length_;
    double shown_ = 0;
};

std::string format_text(const track_info_impl& info) {
    auto field = [&](const char* name) {
        const char* value = info.info_get(name);
        return std::string(value ? value : "?");
    };
    return field("samplerate") + " Hz, " + field("channels") + " ch, " + field("bitspersample") + " bit";
}

// Returns false after printing the reason.
bool decode_one(input_entry& entry, const decode_options& options, const std::string& path) {
    const fs::path target = output_for(options, path);
    try {
        host_abort abort;
        service_ptr_t<input_decoder> decoder;
        entry.open_for_decoding(decoder, service_ptr_t<file>(), path.c_str(), abort);
        track_info_impl info;
        decoder->get_info(0, info, abort);
        decoder->initialize(0, options.loop ? input_decoder::flag_playback : input_decoder::flag_no_looping, abort);
        double delta = 0;
        decoder->get_dynamic_info(info, delta);
        double position = 0;
        if (options.seek) {
            if (!decoder->can_seek()) throw std::runtime_error("this song cannot seek (it has no length)");
            decoder->seek(*options.seek, abort);
            decoder->get_dynamic_info(info, delta);
            position = *options.seek;
        }

        wav_writer wav(target, options.type);
        audio_chunk_impl chunk;
        progress bar(velmo_isatty(2) != 0, info.has_length() ? info.get_length() : 0);
        const auto start = clock_type::now();
        const double limit = options.seconds ? *options.seconds : INFINITY;
        double written = 0;
        while (written < limit && decoder->run(chunk, abort)) {
            uint32_t frames = chunk.frames();
            if (chunk.rate() && written + double(frames) / chunk.rate() > limit) {
                frames = static_cast<uint32_t>(std::llround((limit - written) * chunk.rate()));
            }
            wav.write(chunk.data().data(), frames, chunk.channels(), chunk.rate());
            written += chunk.rate() ? double(frames) / chunk.rate() : 0;
            bar.show(position + written, std::chrono::duration<double>(clock_type::now() - start).count());
        }
        wav.finish();
        bar.done();
        const double elapsed = std::chrono::duration<double>(clock_type::now() - start).count();
        std::printf("%s -> %s: %s of %s, %.0fx real time\n", path.c_str(), target.u8string().c_str(),
                    format_length(written).c_str(), format_text(info).c_str(), progress::speed(written, elapsed));
        return true;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", path.c_str(), e.what());
        std::error_code ignored;
        fs::remove(target, ignored);
        return false;
    }
}

}  // namespace

int run_decode_command(component_host& host, const std::vector<std::string>& arguments) {
    const auto options = parse(arguments);
    if (!options) return 2;
    return for_each_file(host, options->files, [&](input_entry& entry, const std::string& path) {
        return decode_one(entry, *options, path);
    });
}
