#pragma once
// The real SPC files of the shared corpus, for tests that run every one.
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace apu_test {

inline std::filesystem::path corpus_dir() { return std::filesystem::path(VELMO_SHARED_DIR) / "corpus" / "spc"; }

// Sorted by name; empty when the corpus is absent.
inline std::vector<std::filesystem::path> corpus_files() {
    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(corpus_dir(), error))
        if (entry.path().extension() == ".spc") files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

inline std::vector<uint8_t> read_file(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace apu_test
