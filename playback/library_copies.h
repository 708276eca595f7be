#pragma once
#include "support/platform.h"

// Loads a library so that every load yields its own instance: the first load
// of a path takes the file itself; while that is loaded, each further load
// takes a fresh temporary copy. Safe to call from any thread.

// Null on failure; nothing is reported.
platform::module_handle load_library_copy(const char* path);
// Frees the module, then deletes its temporary copy if it has one. Null does nothing.
void unload_library_copy(platform::module_handle module);
