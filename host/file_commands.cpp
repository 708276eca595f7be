#include "host/file_commands.h"

#include "support/output_file.h"
#include "host/track_info_impl.h"

#include <algorithm>
#include <cctype>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

bool is_spc(const fs::path& path) {
    std::string ext = path.extension().u8string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext == ".spc";
}

// What follows the last folder or archive separator.
std::string own_name(const std::string& path) {
    const size_t cut = path.find_last_of("/\\|");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

}  // namespace

std::optional<std::vector<named_file>> expand_named_files(const char* command, const std::vector<std::string>& arguments) {
    std::vector<named_file> files;
    for (const auto& argument : arguments) {
        const fs::path folder = fs::u8path(argument);
        std::error_code error;
        if (!fs::is_directory(folder, error)) {
            files.push_back({argument, own_name(argument)});
            continue;
        }
        std::vector<named_file> found;
        for (const auto& entry : fs::recursive_directory_iterator(folder, error)) {
            if (is_spc(entry.path()) && entry.is_regular_file(error)) {
                found.push_back({entry.path().u8string(), entry.path().lexically_relative(folder).generic_u8string()});
            }
        }
        std::sort(found.begin(), found.end(), [](const named_file& a, const named_file& b) { return a.path < b.path; });
        files.insert(files.end(), found.begin(), found.end());
    }
    if (!files.empty()) return files;
    std::fprintf(stderr, "%s: no file to work on: name at least one file, or a folder holding *.spc files\n", command);
    return std::nullopt;
}

std::optional<std::string> file_problem(const std::string& path) {
    // An archive member is read through its archive: check that file.
    fs::path local = fs::u8path(path);
    std::error_code error;
    if (!fs::exists(local, error) && path.find('|') != std::string::npos) local = fs::u8path(path.substr(0, path.find('|')));
    const fs::file_status status = fs::status(local, error);
    if (!fs::exists(status)) return "no such file";
    if (fs::is_directory(status)) return "is a folder";
    if (!fs::is_regular_file(status)) return "not a regular file";
    if (!std::ifstream(local, std::ios::binary)) return last_system_error();
    return std::nullopt;
}

std::string format_length(double seconds) {
    auto ms = static_cast<uint64_t>(std::llround(seconds * 1000.0));
    char text[48];
    std::snprintf(text, sizeof text, "%" PRIu64 ":%02u.%03u", ms / 60000, unsigned(ms / 1000 % 60), unsigned(ms % 1000));
    return text;
}

void print_track_info(const std::string& path, const track_info_impl& info) {
    std::printf("%s\n", path.c_str());
    for (uint32_t i = 0; i < info.meta_get_count(); ++i) {
        for (uint32_t v = 0; v < info.meta_enum_value_count(i); ++v) {
            std::printf("  %s: %s\n", info.meta_enum_name(i), info.meta_enum_value(i, v));
        }
    }
    for (uint32_t i = 0; i < info.info_get_count(); ++i) {
        std::printf("  %s: %s\n", info.info_enum_name(i), info.info_enum_value(i));
    }
    std::printf("  length: %s\n", info.has_length() ? format_length(info.get_length()).c_str() : "unknown");
}

int for_each_file(component_host& host, const std::vector<named_file>& files,
                  const std::function<bool(input_entry&, const named_file&)>& work) {
    bool failed = false;
    for (const auto& file : files) {
        if (const auto problem = file_problem(file.path)) {
            std::fprintf(stderr, "%s: %s\n", file.path.c_str(), problem->c_str());
            failed = true;
            continue;
        }
        service_ptr_t<input_entry> entry = host.find_input(file.path);
        if (!entry) {
            std::fprintf(stderr, "%s: no component claims this file\n", file.path.c_str());
            failed = true;
            continue;
        }
        failed |= !work(*entry, file);
    }
    return failed ? 1 : 0;
}
