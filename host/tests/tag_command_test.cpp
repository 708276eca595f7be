// `tag` edits files as a player's tag editor does, through the component's
// writer, and never changes a file it refuses.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>

#include "host/tests/captured_command.h"
#include "testing/files.h"
#include "testing/shared_files.h"
#include "testing/spc_image_builder.h"
#include "testing/zip_builder.h"

namespace {

class tag_command_test : public command_fixture<run_tag_command> {
protected:
    bool printed(const std::string& line) const { return out_.find("\n  " + line + "\n") != std::string::npos; }
};

TEST_F(tag_command_test, sets_adds_and_clears_fields_and_prints_what_was_written) {
    const std::string song =
        folder_.write("song.spc", spc_image_builder().common("Old title", "Game", "", "A comment").build());
    ASSERT_EQ(run({song, "--set", "title=New title", "--add", "artist=One", "--add", "artist=Two", "--clear",
                   "comment", "--set", "date=1995", "--replaygain-track", "-6"}),
              0)
        << err_;
    EXPECT_TRUE(printed("title: New title")) << out_;
    for (const char* line : {"album: Game", "artist: One", "artist: Two", "date: 1995", "spc_amplification: 32845"})
        EXPECT_TRUE(printed(line)) << line;
    EXPECT_EQ(out_.find("comment"), std::string::npos);
    const auto file = folder_.read("song.spc");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&file[0x2E]), 9), "New title");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&file[0xB0]), 8), "One, Two");
}

TEST_F(tag_command_test, a_refused_file_keeps_every_byte_and_the_others_go_on) {
    const auto image = spc_image_builder().xid6_value(0x11, 1).trailing({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}).build();
    const std::string refused = folder_.write("trailing.spc", image);
    const std::string fine = folder_.write("fine.spc", spc_image_builder().build());
    EXPECT_EQ(run({refused, fine, "--set", "title=X"}), 1);
    EXPECT_EQ(err_, refused + ": Unsupported file format\n");
    EXPECT_EQ(folder_.read("trailing.spc"), image);
    EXPECT_TRUE(printed("title: X"));
}

TEST_F(tag_command_test, an_archive_member_is_read_only) {
    const auto zip = zip_builder().add("song.spc", spc_image_builder().build()).build();
    const std::string archive = folder_.write("songs.zip", zip);
    EXPECT_EQ(run({archive + "|song.spc", "--set", "title=X"}), 1);
    EXPECT_EQ(err_, archive + "|song.spc: Access denied\n");
    EXPECT_EQ(folder_.read("songs.zip"), zip);
}

TEST_F(tag_command_test, a_read_only_file_fails_before_anything_changes) {
    const auto image = spc_image_builder().common("Old", "", "", "").build();
    const std::string song = folder_.write("locked.spc", image);
    const auto path = folder_.path() / "locked.spc";
    namespace fs = std::filesystem;
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    // Writable again afterwards, so that the folder can be removed.
    struct unlock {
        fs::path path;
        ~unlock() { fs::permissions(path, fs::perms::owner_all, fs::perm_options::add); }
    } unlock_after{path};
    if (std::ofstream(path, std::ios::app)) {
        GTEST_SKIP() << "this user may write read-only files";
    }
    EXPECT_EQ(run({song, "--set", "title=X"}), 1);
    EXPECT_FALSE(err_.empty());
    EXPECT_EQ(folder_.read("locked.spc"), image);
}

TEST_F(tag_command_test, every_corpus_copy_is_retagged_or_refused_unchanged) {
    const auto corpus = shared_files::spc_corpus();
    if (!std::filesystem::is_directory(corpus)) GTEST_SKIP() << "no corpus at " << corpus;
    int retagged = 0;
    for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
        const std::string name = entry.path().filename().u8string();
        const std::vector<uint8_t> original = read_bytes(entry.path());
        const std::string copy = folder_.write(name, original);
        const int status = run({copy, "--set", "title=Retagged", "--add", "artist=Added"});
        const auto after = folder_.read(name);
        if (status != 0) {
            EXPECT_EQ(err_, copy + ": Unsupported file format\n") << name;
            EXPECT_EQ(after, original) << name;
            continue;
        }
        ++retagged;
        EXPECT_TRUE(printed("title: Retagged")) << name;
        EXPECT_TRUE(printed("artist: Added")) << name;
        // The sound data between the header and the chunk is untouched.
        ASSERT_GE(after.size(), 0x10200u) << name;
        EXPECT_TRUE(std::equal(original.begin() + 0x100, original.begin() + 0x10200, after.begin() + 0x100)) << name;
    }
    EXPECT_GE(retagged, 1);
}

// A value the file cannot hold as given leaves the file untouched unless the
// user accepts what it would hold; showing the tags writes nothing.
TEST_F(tag_command_test, a_value_the_file_cannot_hold_is_refused_unless_accepted) {
    namespace fs = std::filesystem;
    const auto image = spc_image_builder().common("Old", "", "", "").build();
    const std::string song = folder_.write("song.spc", image);
    EXPECT_EQ(run({song, "--set", "title=\xE3\x83\xAD\xE3\x83\x83\xE3\x82\xAF"}), 1);
    EXPECT_NE(err_.find("title: the file holds \"???\""), std::string::npos) << err_;
    EXPECT_NE(err_.find("--accept-changes"), std::string::npos) << err_;
    EXPECT_EQ(folder_.read("song.spc"), image);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder_.path()), fs::directory_iterator()), 1);

    ASSERT_EQ(run({song, "--set", "title=\xE3\x83\xAD\xE3\x83\x83\xE3\x82\xAF", "--accept-changes"}), 0) << err_;
    EXPECT_TRUE(printed("title: ???")) << out_;

    const auto path = folder_.path() / "song.spc";
    const auto long_ago = fs::last_write_time(path) - std::chrono::hours(48);
    fs::last_write_time(path, long_ago);
    ASSERT_EQ(run({song}), 0) << err_;
    EXPECT_TRUE(printed("title: ???")) << out_;
    EXPECT_EQ(fs::last_write_time(path), long_ago);
}

TEST_F(tag_command_test, usage_errors) {
    EXPECT_EQ(run({}), 2);
    EXPECT_EQ(run({"a.spc", "--set", "title"}), 2);
    EXPECT_EQ(run({"a.spc", "--replaygain-track", "loud"}), 2);
    EXPECT_EQ(run({"a.spc", "--frobnicate"}), 2);
}

}  // namespace
