// `info` shows each file's tags and length; the installed program's help and
// its messages for files it cannot read.
#include <gtest/gtest.h>

#include "host/tests/captured_command.h"
#include "testing/files.h"
#include "testing/spc_image_builder.h"

namespace {

using info_command_test = command_fixture<run_info_command>;

// Lengths in whole milliseconds; settings given for the run change what it
// reports; a folder without songs is a usage error, as for every command.
TEST_F(info_command_test, json_lengths_per_run_settings_and_empty_folders) {
    const std::string song = folder_.write("song.spc", spc_image_builder().text_form("", "170", "2200", "").build());
    ASSERT_EQ(run({"--json", song}), 0) << err_;
    EXPECT_NE(out_.find("\"length\": 172.2\n"), std::string::npos) << out_;
    ASSERT_EQ(run({song, "--set", "cfg_use_internal_length=0", "--set", "cfg_song_length=60000"}), 0) << err_;
    EXPECT_NE(out_.find("  length: 1:02.000\n"), std::string::npos) << out_;
    EXPECT_EQ(run({song, "--set", "cfg_song_length=-1"}), 2);
    EXPECT_EQ(err_, "info: --set -1: cfg_song_length must be 0 to 67108863 milliseconds\n");

    std::filesystem::create_directories(folder_.path() / "empty");
    EXPECT_EQ(run({(folder_.path() / "empty").u8string()}), 2);
    EXPECT_NE(err_.find("no file to work on"), std::string::npos) << err_;
}

#ifndef _WIN32
TEST(host_program, help_and_errors_say_what_is_wrong) {
    temp_folder folder;
    std::string out;
    EXPECT_EQ(run_program(folder.path(), "--help", out), 0);
    EXPECT_EQ(out.rfind("usage: sonmara-host", 0), 0u) << out;
    EXPECT_EQ(run_program(folder.path(), "decode --help", out), 0);
    EXPECT_NE(out.find("--loops N"), std::string::npos) << out;
    EXPECT_NE(out.find("--interpolation MODE"), std::string::npos) << out;
    EXPECT_EQ(run_program(folder.path(), "help tag", out), 0);
    EXPECT_NE(out.find("--accept-changes"), std::string::npos) << out;

    const std::string missing = (folder.path() / "missing.spc").u8string();
    EXPECT_EQ(run_program(folder.path(), "decode '" + missing + "'", out), 1);
    EXPECT_EQ(out, missing + ": no such file\n");
    EXPECT_EQ(run_program(folder.path(), "decode x.spc --seconds soon", out), 2);
    EXPECT_EQ(out, "decode: --seconds soon: needs a number of seconds above 0, at most 86400\n");
}
#endif

}  // namespace
