// `prefs` checks its arguments before it opens any window.
#include <gtest/gtest.h>

#include "host/commands.h"
#include "host/tests/captured_command.h"
#include "testing/files.h"

namespace {

TEST(prefs_command, usage_errors_and_the_native_host_without_windows) {
    temp_folder folder;
    component_host host{config_store(folder.path())};
    std::string out, err;
    EXPECT_EQ(run_captured([&] { return run_prefs_command(host, {"--bogus"}); }, out, err), 2);
    EXPECT_EQ(run_captured([&] { return run_prefs_command(host, {"--screenshot"}); }, out, err), 2);
    EXPECT_EQ(run_captured([&] { return run_prefs_command(host, {"--screenshot", ""}); }, out, err), 2);
    EXPECT_EQ(err, "prefs: expected no arguments or: --screenshot FILE.png\n");
#ifndef _WIN32
    EXPECT_EQ(run_captured([&] { return run_prefs_command(host, {}); }, out, err), 1);
    EXPECT_EQ(err, "prefs: the preferences window needs the Windows build of the host\n");
#endif
}

}  // namespace
