#include "host/file_arguments.h"

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

