#pragma once
// Where the real files shared by every test and benchmark lie: ../shared
// beside the checkout (VELMO_SHARED_DIR). What is absent is skipped.
#include <algorithm>
#include <filesystem>
#include <vector>

namespace shared_files {

inline std::filesystem::path root() { return VELMO_SHARED_DIR; }
inline std::filesystem::path spc_corpus() { return root() / "corpus" / "spc"; }
// Sorted by name; empty when the corpus is absent.
inline std::vector<std::filesystem::path> spc_corpus_files() {
    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(spc_corpus(), error))
        if (entry.path().extension() == ".spc") files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}
inline std::filesystem::path script700_examples() { return root() / "corpus" / "script700" / "spc-presenter-rs"; }
inline std::filesystem::path spc700_vectors() { return root() / "spc700-tests"; }
// The accurate S-DSP model, a program run as a black box.
inline std::filesystem::path accurate_model() { return root() / "oracle" / "spc-ref"; }

}  // namespace shared_files
