#pragma once
#include <string>
#include <vector>

namespace apu::vectors {

// Outcome of the single-instruction vectors of one file.
struct FileResult {
    std::string path;
    int passed = 0;
    int failed = 0;
    std::string error;                  // set when the file could not be read
    std::vector<std::string> failures;  // what differed, for the first few failures
};

// Runs every vector of a JSON file on the CPU over a flat recording bus and
// compares registers, RAM and every bus cycle.
FileResult check_file(const std::string& path, size_t max_reported = 3);

// The *.json files of a folder, sorted; empty when it does not exist.
std::vector<std::string> json_files_in(const std::string& folder);

}  // namespace apu::vectors
