// The companion names a song's script may have, in the order they are tried.
#include <gtest/gtest.h>

#include "playback/script700_discovery.h"

namespace {

std::vector<std::string> names(const char* path) {
    std::vector<std::string> out;
    for (const auto& name : script700_candidates(path)) out.emplace_back(name.get_ptr());
    return out;
}

TEST(script700_names, per_song_then_per_folder) {
    EXPECT_EQ(names("C:\\music\\album\\song.spc"),
              (std::vector<std::string>{"C:\\music\\album\\song.700", "C:\\music\\album\\song.7SE",
                                        "C:\\music\\album\\65816.700", "C:\\music\\album\\65816.7SE"}));
}

TEST(script700_names, the_later_of_backslash_and_bar_ends_the_folder) {
    EXPECT_EQ(names("x|dir\\song.spc")[2], "x|dir\\65816.700");
    EXPECT_EQ(names("C:\\x.zip|song.spc")[3], "C:\\x.zip|65816.7SE");
}

TEST(script700_names, whatever_follows_the_last_dot_is_replaced) {
    EXPECT_EQ(names("C:\\a\\song.sp2")[0], "C:\\a\\song.700");
    // No dot at all: the suffix takes the whole text.
    EXPECT_EQ(names("song"), (std::vector<std::string>{"700", "7SE", "65816.700", "65816.7SE"}));
}

}  // namespace
