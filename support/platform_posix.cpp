#ifndef _WIN32
#include "support/platform.h"

#include <dlfcn.h>

#include <filesystem>

namespace platform {
namespace {
thread_local uint32_t t_last_error = 0;
// Events only need a distinct non-null identity here: nothing waits on them.
struct event_object {};
}  // namespace

uint32_t last_error() { return t_last_error; }
void set_last_error(uint32_t code) { t_last_error = code; }

event_handle create_event() { return new event_object; }
void close_event(event_handle event) { delete static_cast<event_object*>(event); }

void* find_symbol(module_handle module, const char* name) { return module ? dlsym(module, name) : nullptr; }
void free_library(module_handle module) {
    if (module) dlclose(module);
}

bool copy_file(const char* from, const char* to) {
    std::error_code error;
    return std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing, error);
}

}  // namespace platform
#endif
