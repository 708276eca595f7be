// Runs SPC700 single-instruction test vectors: apu-vectors FILE|DIR...
// Prints "N passed, M failed" per file and in total. A directory that does
// not exist is reported and skipped, so the check can run where the shared
// vectors are absent.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/vector_check.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE.json|DIR...\n", argv[0]);
        return 2;
    }
    std::vector<std::string> files;
    bool missing_file = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        std::error_code ec;
        if (std::filesystem::is_directory(arg, ec)) {
            const auto found = apu::vectors::json_files_in(arg);
            files.insert(files.end(), found.begin(), found.end());
        } else if (std::filesystem::exists(arg, ec)) {
            files.push_back(arg);
        } else if (arg.size() > 5 && arg.compare(arg.size() - 5, 5, ".json") == 0) {
            std::printf("%s: missing\n", arg.c_str());
            missing_file = true;
        } else {
            std::printf("%s: no such folder, skipped\n", arg.c_str());
        }
    }
    int passed = 0, failed = 0, broken = 0;
    for (const std::string& file : files) {
        const auto result = apu::vectors::check_file(file);
        if (!result.error.empty()) {
            std::printf("%s: error: %s\n", file.c_str(), result.error.c_str());
            ++broken;
            continue;
        }
        std::printf("%s: %d passed, %d failed\n", file.c_str(), result.passed, result.failed);
        for (const std::string& failure : result.failures) std::printf("  %s\n", failure.c_str());
        passed += result.passed;
        failed += result.failed;
    }
    std::printf("total: %d passed, %d failed\n", passed, failed);
    return (failed || broken || missing_file) ? 1 : 0;
}
