#pragma once
// Helpers for the Script700 tests: parsing that must succeed, includes
// from memory, and the example scripts in the shared corpus.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "script700/parser.h"
#include "testing/shared_files.h"

namespace script700_test {

using namespace apu::script700;

inline Program parsed(const std::string& text, const IncludeReader* reader = nullptr) {
    Program program;
    ParseError error;
    EXPECT_TRUE(parse(text, reader, program, error)) << text << "\n" << describe(error.at, error.reason, program);
    return program;
}

// Includes served from a map of names to contents.
inline IncludeReader files(std::map<std::string, std::string> contents) {
    return [contents](const std::string& name, std::string& out, std::string& error) {
        const auto it = contents.find(name);
        if (it == contents.end()) {
            error = "no such file";
            return false;
        }
        out = it->second;
        return true;
    };
}

inline std::filesystem::path example_scripts() { return shared_files::script700_examples(); }

}  // namespace script700_test
