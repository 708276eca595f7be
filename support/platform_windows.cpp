#ifdef _WIN32
#include "support/platform.h"

#include <windows.h>

#include <string>
#include <vector>

#include "support/utf8.h"

namespace platform {

uint32_t last_error() { return GetLastError(); }
void set_last_error(uint32_t code) { SetLastError(code); }

event_handle create_event() { return CreateEventW(nullptr, TRUE, FALSE, nullptr); }
void close_event(event_handle event) { CloseHandle(event); }

void* find_symbol(module_handle module, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
}
void free_library(module_handle module) { FreeLibrary(static_cast<HMODULE>(module)); }

namespace {
std::vector<wchar_t> wide(const char* text) {
    std::vector<char16_t> units(utf16_units_for_utf8(std::char_traits<char>::length(text)));
    utf8_to_utf16(units.data(), units.size(), text);
    return std::vector<wchar_t>(units.begin(), units.end());
}
}  // namespace

bool copy_file(const char* from, const char* to) {
    return CopyFileW(wide(from).data(), wide(to).data(), FALSE) != 0;
}

}  // namespace platform
#endif
