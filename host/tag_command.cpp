// Edits the tags of files as a player's tag editor does.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

#include "host/commands.h"
#include "host/file_commands.h"
#include "host/memory_streams.h"
#include "support/output_file.h"
#include "host/track_info_impl.h"

namespace {

struct edit {
    enum class kind { set, add, clear } what;
    std::string field;
    std::string value;
};

struct tag_options {
    std::vector<named_file> files;
    std::vector<edit> edits;
    std::optional<double> track_gain;
    std::optional<double> album_gain;
    bool accept_changes = false;

    bool edits_anything() const { return !edits.empty() || track_gain || album_gain; }
};

bool parse_gain(const std::string& text, double& out) {
    char* end = nullptr;
    out = std::strtod(text.c_str(), &end);
    return !text.empty() && *end == 0 && std::isfinite(out);
}

// Nothing when the arguments are unusable; the reason is printed.
std::optional<tag_options> parse(const std::vector<std::string>& arguments) {
    tag_options options;
    std::vector<std::string> names;
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
        } else if (a == "--accept-changes") {
            options.accept_changes = true;
        } else if (a.size() > 1 && a[0] == '-') {
            std::fprintf(stderr, "tag: unknown option or missing value: %s (tag --help lists them)\n", a.c_str());
            return std::nullopt;
        } else {
            names.push_back(a);
        }
    }
    auto files = expand_named_files("tag", names);
    if (!files) return std::nullopt;
    options.files = std::move(*files);
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

// A field's values as one text, the way the tag writer joins them.
std::string field_text(const track_info_impl& info, const std::string& name) {
    const uint32_t field = info.meta_find(name.c_str());
    std::string text;
    if (field == track_info::npos) return text;
    for (uint32_t v = 0; v < info.meta_enum_value_count(field); ++v) {
        text += (v ? ", " : "") + std::string(info.meta_enum_value(field, v));
    }
    return text;
}

// One line for each edited field that the file holds otherwise than asked
// (a code page without the characters, a field's width, a clamped number).
// Replay gain is not read back as such: the writer folds it into the
// amplification level.
std::vector<std::string> differences(const std::vector<edit>& edits, const track_info_impl& asked,
                                     const track_info_impl& stored) {
    std::vector<std::string> lines;
    std::vector<std::string> checked;
    for (const edit& e : edits) {
        if (std::find(checked.begin(), checked.end(), e.field) != checked.end()) continue;
        checked.push_back(e.field);
        const std::string want = field_text(asked, e.field), got = field_text(stored, e.field);
        if (want != got) lines.push_back(e.field + ": the file holds \"" + got + "\", not \"" + want + "\"");
    }
    return lines;
}

track_info_impl read_tags(input_entry& entry, const std::string& path) {
    host_abort abort;
    service_ptr_t<input_info_reader> reader;
    entry.open_for_info_read(reader, service_ptr_t<file>(), path.c_str(), abort);
    track_info_impl info;
    reader->get_info(0, info, abort);
    return info;
}

// Hands the edited info to the component's writer for `path`; returns what
// was asked for.
track_info_impl write_tags(input_entry& entry, const tag_options& options, const std::string& path) {
    host_abort abort;
    service_ptr_t<input_info_writer> writer;
    entry.open_for_info_write(writer, service_ptr_t<file>(), path.c_str(), abort);
    track_info_impl info;
    writer->get_info(0, info, abort);
    for (const edit& e : options.edits) apply(e, info);
    if (options.track_gain) info.set_track_gain(*options.track_gain);
    if (options.album_gain) info.set_album_gain(*options.album_gain);
    writer->update_info(0, info, abort);
    writer->commit(abort);
    return info;
}

// Returns false after printing the reason. A local file is edited as a copy
// beside it, which takes its place only when it holds what was asked (or the
// user accepts what it holds), so a refused edit leaves the file untouched.
bool tag_one(input_entry& entry, const tag_options& options, const std::string& path) {
    try {
        if (!options.edits_anything()) {
            print_track_info(path, read_tags(entry, path));
            return true;
        }
        const bool local = std::filesystem::exists(std::filesystem::u8path(path));
        if (!local) {
            // An archive member: the component refuses it, and says so.
            write_tags(entry, options, path);
            print_track_info(path, read_tags(entry, path));
            return true;
        }
        const std::filesystem::path original = std::filesystem::u8path(path);
        // The copy takes the file's place only where the file itself may be written.
        if (!std::fstream(original, std::ios::in | std::ios::out | std::ios::binary)) {
            throw std::runtime_error("cannot write: " + last_system_error());
        }
        output_file copy(original, true);
        std::vector<char> bytes;
        {
            // Closed before the copy replaces it, which Windows refuses for an open file.
            std::ifstream in(original, std::ios::binary);
            bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
            if (!in.eof() && in.fail()) throw std::runtime_error("cannot read: " + last_system_error());
        }
        if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), copy.handle()) != bytes.size()) {
            throw std::runtime_error("cannot write beside it: " + last_system_error());
        }
        copy.close();
        std::filesystem::permissions(copy.temporary(), std::filesystem::status(original).permissions());
        const std::string copy_path = copy.temporary().u8string();
        const track_info_impl asked = write_tags(entry, options, copy_path);
        const track_info_impl stored = read_tags(entry, copy_path);
        const std::vector<std::string> lost = differences(options.edits, asked, stored);
        for (const auto& line : lost) std::fprintf(stderr, "%s: %s\n", path.c_str(), line.c_str());
        if (!lost.empty() && !options.accept_changes) {
            std::fprintf(stderr, "%s: left unchanged; give --accept-changes to write it as shown\n", path.c_str());
            return false;
        }
        copy.commit();
        print_track_info(path, stored);
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
    return for_each_file(host, options->files, [&](input_entry& entry, const named_file& file) {
        return tag_one(entry, *options, file.path);
    });
}
