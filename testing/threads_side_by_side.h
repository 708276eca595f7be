#pragma once
// Whether a test may run threads side by side. The win32 test runner says no
// where Wine runs through a user-mode CPU emulator, which crashes on them.
#include <cstdlib>

inline bool threads_side_by_side() { return std::getenv("VELMO_NO_THREADS_SIDE_BY_SIDE") == nullptr; }
