// Decodes files as a player does and writes each to a WAV file.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>

#include "host/audio_chunk_impl.h"
#include "host/commands.h"
#include "host/file_commands.h"
#include "host/memory_streams.h"
#include "support/output_file.h"
#include "host/run_settings.h"
#include "host/setting_names.h"
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
    std::vector<named_file> files;
    std::optional<fs::path> output;
    std::optional<double> seek;
    std::optional<double> seconds;
    uint32_t passes = 1;
    bool endless = false;
    bool overwrite = false;
    std::vector<setting_change> settings;
    wav_writer::sample_type type = wav_writer::sample_type::float32;

    bool streaming() const { return output && output_file::is_standard_output(*output); }
};

// A non-negative number of seconds; more than a day is no song.
bool parse_seconds(const std::string& text, double& out) {
    char* end = nullptr;
    out = std::strtod(text.c_str(), &end);
    return !text.empty() && *end == 0 && std::isfinite(out) && out >= 0 && out <= 86400;
}

bool parse_passes(const std::string& text, uint32_t& out) {
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != 0 || value < 1 || value > 1000) return false;
    out = static_cast<uint32_t>(value);
    return true;
}

// Nothing when the arguments are unusable; the reason is printed.
std::optional<decode_options> parse(const std::vector<std::string>& arguments) {
    decode_options options;
    std::vector<std::string> names;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        const bool has_value = i + 1 < arguments.size();
        const std::string value = has_value ? arguments[i + 1] : "";
        double seconds = 0;
        switch (take_setting_option("decode", arguments, i, options.settings)) {
        case option_taken::yes: continue;
        case option_taken::refused: return std::nullopt;
        case option_taken::no: break;
        }
        if ((a == "-o" || a == "--seek" || a == "--seconds" || a == "--loops") && !has_value) {
            std::fprintf(stderr, "decode: %s needs a value\n", a.c_str());
            return std::nullopt;
        }
        if (a == "-o") {
            options.output = fs::u8path(arguments[++i]);
        } else if (a == "--seek" || a == "--seconds") {
            if (!parse_seconds(value, seconds) || (a == "--seconds" && seconds == 0)) {
                std::fprintf(stderr, "decode: %s %s: needs a number of seconds%s, at most 86400\n", a.c_str(),
                             value.c_str(), a == "--seconds" ? " above 0" : "");
                return std::nullopt;
            }
            (a == "--seek" ? options.seek : options.seconds) = seconds;
            ++i;
        } else if (a == "--loops") {
            if (!parse_passes(value, options.passes)) {
                std::fprintf(stderr, "decode: --loops %s: needs a whole number from 1 to 1000\n", value.c_str());
                return std::nullopt;
            }
            ++i;
        } else if (a == "--endless") {
            options.endless = true;
        } else if (a == "--overwrite") {
            options.overwrite = true;
        } else if (a == "--pcm16") {
            options.type = wav_writer::sample_type::pcm16;
        } else if (a.size() > 1 && a[0] == '-') {
            std::fprintf(stderr, "decode: unknown option %s (decode --help lists them)\n", a.c_str());
            return std::nullopt;
        } else {
            names.push_back(a);
        }
    }
    if (options.endless && options.passes != 1) {
        std::fprintf(stderr, "decode: --endless plays the song once without its end; it takes no --loops\n");
        return std::nullopt;
    }
    if (options.endless && !options.seconds) {
        std::fprintf(stderr, "decode: --endless needs --seconds N to say where to stop\n");
        return std::nullopt;
    }
    if (options.endless) {
        // Without a length from the tags or the settings the component plays on
        // until its silence rule ends the song.
        options.settings.push_back({"cfg_use_internal_length", *setting_guid("cfg_use_internal_length"), 0});
        options.settings.push_back({"cfg_force_length", *setting_guid("cfg_force_length"), 0});
    }
    auto files = expand_named_files("decode", names);
    if (!files) return std::nullopt;
    options.files = std::move(*files);
    if (options.streaming() && options.files.size() != 1) {
        std::fprintf(stderr, "decode: -o - streams one song; %zu were named\n", options.files.size());
        return std::nullopt;
    }
    return options;
}

// -o names the file when one song is decoded and it is no folder; otherwise
// the folder (made when missing) or the current one gets the song's path
// below the folder it was found in, with .wav for its extension.
fs::path output_for(const decode_options& options, const named_file& song) {
    std::error_code error;
    if (options.output && options.files.size() == 1 && !fs::is_directory(*options.output, error)) return *options.output;
    fs::path file = fs::u8path(song.relative).replace_extension(".wav");
    if (options.output) file = *options.output / file;
    if (file.has_parent_path()) fs::create_directories(file.parent_path(), error);
    return file;
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

// The song's first chunk's rate turns --seconds into a whole number of frames.
uint64_t frame_limit(const decode_options& options, uint32_t rate) {
    return options.seconds ? static_cast<uint64_t>(std::llround(*options.seconds * rate)) : UINT64_MAX;
}

// Returns false after printing the reason.
bool decode_one(input_entry& entry, const decode_options& options, const named_file& song, const fs::path& target) {
    const std::string& path = song.path;
    std::FILE* messages = options.streaming() ? stderr : stdout;
    try {
        host_abort abort;
        service_ptr_t<input_decoder> decoder;
        entry.open_for_decoding(decoder, service_ptr_t<file>(), path.c_str(), abort);
        track_info_impl info;
        decoder->get_info(0, info, abort);
        const bool has_length = info.has_length();
        if (!has_length && !options.seconds) {
            throw std::runtime_error(
                "the song has no length and would play forever: give --seconds N, or turn on "
                "cfg_force_length (--set cfg_force_length=1)");
        }
        if (options.seek && has_length && *options.seek >= info.get_length()) {
            throw std::runtime_error("--seek " + format_length(*options.seek) + " is at or past the song's end (" +
                                     format_length(info.get_length()) + ")");
        }
        decoder->initialize(0, input_decoder::flag_no_looping, abort);
        double delta = 0;
        decoder->get_dynamic_info(info, delta);
        if (options.seek) {
            if (!decoder->can_seek()) throw std::runtime_error("this song cannot seek (it has no length)");
            decoder->seek(*options.seek, abort);
            decoder->get_dynamic_info(info, delta);
        }

        output_file out(target, options.overwrite);
        wav_writer wav(out.handle(), out.seekable(), options.type);
        audio_chunk_impl chunk;
        progress bar(velmo_isatty(2) != 0, has_length ? info.get_length() * options.passes : 0);
        const auto start = clock_type::now();
        uint64_t written = 0, limit = UINT64_MAX;
        uint32_t rate = 0;
        for (uint32_t pass = 1; written < limit;) {
            if (!decoder->run(chunk, abort)) {
                if (pass++ == options.passes) break;
                decoder->seek(0, abort);
                continue;
            }
            if (rate == 0) limit = frame_limit(options, rate = chunk.rate());
            const auto frames = static_cast<uint32_t>(std::min<uint64_t>(chunk.frames(), limit - written));
            wav.write(chunk.data().data(), frames, chunk.channels(), chunk.rate());
            written += frames;
            const double seconds = rate ? double(written) / rate : 0;
            bar.show(options.seek.value_or(0) + seconds, std::chrono::duration<double>(clock_type::now() - start).count());
        }
        wav.finish();
        out.commit();
        bar.done();
        const double elapsed = std::chrono::duration<double>(clock_type::now() - start).count();
        const double seconds = rate ? double(written) / rate : 0;
        std::fprintf(messages, "%s -> %s: %s of %s, %.0fx real time\n", path.c_str(),
                     options.streaming() ? "standard output" : target.u8string().c_str(), format_length(seconds).c_str(),
                     format_text(info).c_str(), progress::speed(seconds, elapsed));
        return true;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", path.c_str(), e.what());
        return false;
    }
}

}  // namespace

int run_decode_command(component_host& host, const std::vector<std::string>& arguments) {
    const auto options = parse(arguments);
    if (!options) return 2;
    const run_settings settings(host, options->settings);
    if (!settings.usable("decode")) return 2;
    // Two songs never share one output: the second is refused.
    std::map<fs::path, std::string> taken;
    return for_each_file(host, options->files, [&](input_entry& entry, const named_file& song) {
        const fs::path target = output_for(*options, song);
        const auto [first, added] = taken.emplace(target.lexically_normal(), song.path);
        if (!added && !options->streaming()) {
            std::fprintf(stderr, "%s: %s is already the output of %s; name separate folders for them\n",
                         song.path.c_str(), target.u8string().c_str(), first->second.c_str());
            return false;
        }
        return decode_one(entry, *options, song, target);
    });
}
