#include "host/file_commands.h"

#include "host/track_info_impl.h"

#include <algorithm>
#include <cctype>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <filesystem>

std::vector<std::string> expand_file_arguments(const std::vector<std::string>& arguments) {
    std::vector<std::string> paths;
    for (const auto& argument : arguments) {
        std::filesystem::path path = std::filesystem::u8path(argument);
        std::error_code error;
        if (!std::filesystem::is_directory(path, error)) {
            paths.push_back(argument);
            continue;
        }
        std::vector<std::string> found;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(path, error)) {
            std::string ext = entry.path().extension().u8string();
            std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
            if (ext == ".spc" && entry.is_regular_file(error)) found.push_back(entry.path().u8string());
        }
        std::sort(found.begin(), found.end());
        paths.insert(paths.end(), found.begin(), found.end());
    }
    return paths;
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


int for_each_file(component_host& host, const std::vector<std::string>& files,
                  const std::function<bool(input_entry&, const std::string&)>& work) {
    bool failed = false;
    for (const auto& path : files) {
        service_ptr_t<input_entry> entry = host.find_input(path);
        if (!entry) {
            std::fprintf(stderr, "%s: no component claims this file\n", path.c_str());
            failed = true;
            continue;
        }
        failed |= !work(*entry, path);
    }
    return failed ? 1 : 0;
}

bool expand_named_files(const char* command, std::vector<std::string>& files) {
    files = expand_file_arguments(files);
    if (!files.empty()) return true;
    std::fprintf(stderr, "%s: name at least one file or folder\n", command);
    return false;
}
