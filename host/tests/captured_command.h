#pragma once
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "host/commands.h"
#include "testing/component_fixture.h"

// Runs a host command with what it prints on stdout and stderr captured.
template <class Command>
int run_captured(Command command, std::string& out, std::string& err) {
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    const int status = command();
    std::fflush(stdout);
    std::fflush(stderr);
    out = ::testing::internal::GetCapturedStdout();
    err = ::testing::internal::GetCapturedStderr();
    return status;
}

// Runs one host command against the component, its output kept for the test.
template <int (*Command)(component_host&, const std::vector<std::string>&)>
class command_fixture : public component_fixture {
protected:
    int run(const std::vector<std::string>& arguments) {
        return run_captured([&] { return Command(*host_, arguments); }, out_, err_);
    }
    std::string out_, err_;
};

#ifndef _WIN32
#include <filesystem>

#include "host/component_host.h"

// Runs the installed host program with a shell command line's arguments and
// its own configuration folder; what it prints on either stream goes to `out`.
inline int run_program(const std::filesystem::path& config, const std::string& arguments, std::string& out) {
    const std::string host = (component_host::executable_folder() / "sonmara-host").u8string();
    const std::string line = "SONMARA_HOST_CONFIG_DIR='" + config.u8string() + "' '" + host + "' " + arguments + " 2>&1";
    std::FILE* pipe = popen(line.c_str(), "r");
    out.clear();
    char buffer[256];
    while (size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
#endif
