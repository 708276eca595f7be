#ifdef _WIN32
#include "support/platform.h"

#include <windows.h>

#include <string>

namespace platform {
namespace {

std::wstring widen(const char* utf8) {
    int units = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
    std::wstring wide(units > 0 ? units : 1, L'\0');
    if (units > 0) MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide.data(), units);
    return wide;
}

}  // namespace

uint32_t last_error() { return GetLastError(); }
void set_last_error(uint32_t code) { SetLastError(code); }

event_handle create_event() { return CreateEventW(nullptr, TRUE, FALSE, nullptr); }
void close_event(event_handle event) { CloseHandle(event); }

void* find_symbol(module_handle module, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
}
void free_library(module_handle module) { FreeLibrary(static_cast<HMODULE>(module)); }

bool copy_file(const char* from, const char* to) {
    return CopyFileW(widen(from).c_str(), widen(to).c_str(), FALSE) != 0;
}

}  // namespace platform
#endif
