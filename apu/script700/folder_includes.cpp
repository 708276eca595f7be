#include "script700/folder_includes.h"

#include <filesystem>
#include <system_error>

#include "script700/regular_file.h"

namespace apu::script700 {

namespace {

namespace fs = std::filesystem;

bool stays_inside(const std::string& name) {
    if (name.empty() || name[0] == '/' || name[0] == '\\' || name.find(':') != std::string::npos) return false;
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find_first_of("/\\", start);
        if (end == std::string::npos) end = name.size();
        if (name.compare(start, end - start, "..") == 0) return false;
        start = end + 1;
    }
    return true;
}

// Whether `file` lies below `folder`, both with every link resolved.
bool below(const fs::path& file, const fs::path& folder) {
    auto part = file.begin();
    for (const fs::path& own : folder) {
        if (part == file.end() || *part != own) return false;
        ++part;
    }
    return part != file.end();
}

bool read_include(const std::string& folder, const std::string& name, std::string& contents, std::string& error) {
    if (!stays_inside(name)) {
        error = "only files in the script's folder can be included";
        return false;
    }
    std::error_code ec;
    const fs::path root = fs::canonical(folder.empty() ? fs::path(".") : fs::path(folder), ec);
    if (ec) {
        error = "the script's folder cannot be found";
        return false;
    }
    // A link may lead anywhere: the file is judged where it really is.
    const fs::path file = fs::canonical(root / fs::path(name), ec);
    if (ec) {
        error = "no such file";
        return false;
    }
    if (!below(file, root)) {
        error = "it lies outside the script's folder";
        return false;
    }
    return read_regular_file(file, kMaxInclude, contents, error);
}

}  // namespace

IncludeReader folder_includes(std::string folder) {
    return [folder = std::move(folder)](const std::string& name, std::string& contents, std::string& error) {
        try {
            return read_include(folder, name, contents, error);
        } catch (const std::system_error&) {  // a name the platform's paths cannot hold
            error = "it is not a file name this system can open";
            return false;
        }
    };
}

}  // namespace apu::script700
