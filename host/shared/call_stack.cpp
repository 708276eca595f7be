#include <cstdio>
#include <cstdlib>

#include "sdk/shared.h"

namespace {
constexpr int max_depth = 64;
thread_local const char* t_labels[max_depth];
thread_local int t_depth = 0;
}  // namespace

uCallStackTracker::uCallStackTracker(const char* label) {
    if (t_depth < max_depth) t_labels[t_depth] = label;
    ++t_depth;
}

uCallStackTracker::~uCallStackTracker() { --t_depth; }

const char* uCallStackTop() {
    if (t_depth == 0) return nullptr;
    return t_labels[(t_depth <= max_depth ? t_depth : max_depth) - 1];
}

void uBugCheck() {
    const char* where = uCallStackTop();
    std::fprintf(stderr, "Bug check%s%s\n", where ? " in " : "", where ? where : "");
    std::fflush(stderr);
    std::abort();
}
