#pragma once
// Where the real files shared by every test and benchmark lie: ../shared
// beside the checkout (VELMO_SHARED_DIR). What is absent is skipped.
#include <filesystem>

namespace shared_files {

inline std::filesystem::path root() { return VELMO_SHARED_DIR; }
inline std::filesystem::path spc_corpus() { return root() / "corpus" / "spc"; }
inline std::filesystem::path script700_examples() { return root() / "corpus" / "script700" / "spc-presenter-rs"; }
inline std::filesystem::path spc700_vectors() { return root() / "spc700-tests"; }
// The accurate S-DSP model, a program run as a black box.
inline std::filesystem::path accurate_model() { return root() / "oracle" / "spc-ref"; }

}  // namespace shared_files
