// Runs `sonmara-host info --json` over the real SPC files in the shared
// corpus, through the real host program and DLL.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include <nlohmann/json.hpp>

#include "host/component_host.h"
#include "testing/files.h"
#include "testing/shared_files.h"

namespace {

std::string run(std::string command) {
#ifdef _WIN32
    // The command interpreter drops the outermost pair of quotes.
    command = "\"" + command + "\"";
#endif
    std::string output;
    std::FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return output;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
    pclose(pipe);
    return output;
}

TEST(corpus_info, every_spc_file_opens_and_reports_its_tags) {
    std::filesystem::path corpus = shared_files::spc_corpus();
    if (!std::filesystem::is_directory(corpus)) GTEST_SKIP() << "no shared corpus";

    std::filesystem::path host = component_host::executable_folder() / "sonmara-host";
#ifdef _WIN32
    host += ".exe";
#endif
    std::string output = run("\"" + host.string() + "\" info --json \"" + corpus.string() + "\"");
    nlohmann::json files = nlohmann::json::parse(output, nullptr, false);
    ASSERT_TRUE(files.is_array()) << output;

    size_t count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(corpus)) count += entry.path().extension() == ".spc";
    ASSERT_EQ(files.size(), count);

    for (const auto& file : files) {
        std::string path = file["path"];
        SCOPED_TRACE(path);
        std::vector<uint8_t> bytes = read_bytes(std::filesystem::u8path(path));
        bool is_spc = bytes.size() >= 28 && std::equal(bytes.begin(), bytes.begin() + 28, "SNES-SPC700 Sound File Data ");
        if (!is_spc) {
            EXPECT_EQ(file["error"], "Unsupported file format");
            continue;
        }
        EXPECT_TRUE(file["error"].is_null());
        EXPECT_EQ(file["info"]["codec"], "SPC");
        bool header_title = bytes.size() > 0x2E && bytes[0x2E] != 0;
        if (header_title) {
            EXPECT_TRUE(file["meta"].contains("title"));
        }
        bool has_extended_tag = bytes.size() >= 0x1020C && std::equal(bytes.begin() + 0x10200, bytes.begin() + 0x10204, "xid6");
        if (!header_title && !has_extended_tag) {
            EXPECT_FALSE(file["meta"].contains("title"));
        }
    }
}

}  // namespace
