#include "script700/folder_includes.h"

#include <fstream>
#include <iterator>

namespace apu::script700 {

namespace {

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

}  // namespace

IncludeReader folder_includes(std::string folder) {
    if (!folder.empty() && folder.back() != '/' && folder.back() != '\\') folder += '/';
    return [folder](const std::string& name, std::string& contents, std::string& error) {
        if (!stays_inside(name)) {
            error = "only files in the script's folder can be included";
            return false;
        }
        std::ifstream in(folder + name, std::ios::binary);
        if (!in) {
            error = "no such file";
            return false;
        }
        contents.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        if (in.bad()) {
            error = "it could not be read";
            return false;
        }
        if (contents.size() > kMaxInclude) {
            error = "it is larger than 1 MiB";
            return false;
        }
        return true;
    };
}

}  // namespace apu::script700
