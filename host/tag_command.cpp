// Edits the tags of files as a player's tag editor does.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "host/commands.h"
#include "host/file_commands.h"
#include "host/memory_streams.h"
#include "host/track_info_impl.h"

namespace {

struct edit {
    enum class kind { set, add, clear } what;
    std::string field;
    std::string value;
};

struct tag_options {
    std::vector<std::string> files;
    std::vector<edit> edits;
    std::optional<double> track_gain;
    std::optional<double> album_gain;
};

bool parse_gain(const std::string& text, double& out) {
    char* end = nullptr;
    out = std::strtod(text.c_str(), &end);
    return !text.empty() && *end == 0 && std::isfinite(out);
}

// Nothing when the arguments are unusable; the reason is printed.
std::optional<tag_options> parse(const std::vector<std::string>& arguments) {
    tag_options options;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        const bool has_value = i + 1 < arguments.size();
        if ((a == "--set" || a == "--add") && has_value) {
            const std::string& pair = arguments[++i];
            const size_t equals = pair.find('=');
            if (equals == 0 || equals == std::string::npos) {
                std::fprintf(stderr, "tag: %s needs FIELD=VALUE, not %s\n", a.c_str(), pair.c_str());
                return std::nullopt;
            }
            options.edits.push_back({a == "--set" ? edit::kind::set : edit::kind::add, pair.substr(0, equals),
                                     pair.substr(equals + 1)});
        } else if (a == "--clear" && has_value) {
            options.edits.push_back({edit::kind::clear, arguments[++i], {}});
        } else if ((a == "--replaygain-track" || a == "--replaygain-album") && has_value) {
            double gain = 0;
            if (!parse_gain(arguments[++i], gain)) {
                std::fprintf(stderr, "tag: %s needs a gain in dB, not %s\n", a.c_str(), arguments[i].c_str());
                return std::nullopt;
            }
            (a == "--replaygain-track" ? options.track_gain : options.album_gain) = gain;
        } else if (a.size() > 1 && a[0] == '-') {
            std::fprintf(stderr, "tag: unknown option or missing value: %s\n", a.c_str());
            return std::nullopt;
        } else {
            options.files.push_back(a);
        }
    }
    if (!expand_named_files("tag", options.files)) return std::nullopt;
    return options;
}

void apply(const edit& e, track_info_impl& info) {
    switch (e.what) {
    case edit::kind::set: info.meta_set(e.field.c_str(), e.value.c_str()); break;
    case edit::kind::clear: info.meta_remove(e.field.c_str()); break;
    case edit::kind::add: {
        const uint32_t field = info.meta_find(e.field.c_str());
        if (field == track_info::npos) {
            info.meta_set(e.field.c_str(), e.value.c_str());
        } else {
            info.meta_insert_value(field, info.meta_enum_value_count(field), e.value.c_str());
        }
        break;
    }
    }
}

// Returns false after printing the reason.
bool tag_one(input_entry& entry, const tag_options& options, const std::string& path) {
    try {
        host_abort abort;
        track_info_impl info;
        {
            service_ptr_t<input_info_writer> writer;
            entry.open_for_info_write(writer, service_ptr_t<file>(), path.c_str(), abort);
            writer->get_info(0, info, abort);
            for (const edit& e : options.edits) apply(e, info);
            if (options.track_gain) info.set_track_gain(*options.track_gain);
            if (options.album_gain) info.set_album_gain(*options.album_gain);
            writer->update_info(0, info, abort);
            writer->commit(abort);
        }
        service_ptr_t<input_info_reader> reader;
        entry.open_for_info_read(reader, service_ptr_t<file>(), path.c_str(), abort);
        track_info_impl written;
        reader->get_info(0, written, abort);
        print_track_info(path, written);
        return true;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", path.c_str(), e.what());
        return false;
    }
}

}  // namespace

int run_tag_command(component_host& host, const std::vector<std::string>& arguments) {
    const auto options = parse(arguments);
    if (!options) return 2;
    return for_each_file(host, options->files, [&](input_entry& entry, const std::string& path) {
        return tag_one(entry, *options, path);
    });
}
