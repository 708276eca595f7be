#pragma once
#include "sdk/exceptions.h"

// Raises exception_win32 for the calling thread's last error.
[[noreturn]] void throw_last_error();
