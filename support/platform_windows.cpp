#ifdef _WIN32
#include "support/platform.h"

#include <windows.h>

namespace platform {

uint32_t last_error() { return GetLastError(); }
void set_last_error(uint32_t code) { SetLastError(code); }

event_handle create_event() { return CreateEventW(nullptr, TRUE, FALSE, nullptr); }
void close_event(event_handle event) { CloseHandle(event); }

void* find_symbol(module_handle module, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
}
void free_library(module_handle module) { FreeLibrary(static_cast<HMODULE>(module)); }

}  // namespace platform
#endif
