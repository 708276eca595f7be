#pragma once
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

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
