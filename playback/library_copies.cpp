#include "playback/library_copies.h"

#include <map>
#include <mutex>

#include "sdk/shared.h"
#include "support/string8.h"

namespace {

// Modules loaded from a temporary copy, by handle, with the copy's path.
// Whatever the host never released is freed and deleted when the component
// unloads.
class copy_registry {
public:
    ~copy_registry() {
        for (auto& [module, path] : copies) {
            platform::free_library(module);
            uDeleteFile(path.get_ptr());
        }
    }

    std::mutex lock;
    std::map<platform::module_handle, string8_t> copies;
};

copy_registry g_registry;

// The file name without its extension: "SNESAPU.DLL" gives "SNESAPU".
string8_t copy_prefix(const string8_t& path) {
    string8_t name(path.get_ptr() + path.filename_start());
    uint32_t scan = name.get_length();
    for (uint32_t i = 0; i < name.get_length(); ++i) {
        if (name.get_ptr()[i] == '?') {
            scan = i;
            break;
        }
    }
    for (uint32_t i = scan; i-- > 1;) {
        if (name.get_ptr()[i] == '.') {
            name.truncate(i);
            break;
        }
    }
    return name;
}

}  // namespace

platform::module_handle load_library_copy(const char* path) {
    std::lock_guard<std::mutex> hold(g_registry.lock);
    platform::module_handle loaded = uGetModuleHandle(path);
    if (!loaded) return uLoadLibrary(path);

    string8_t source;
    if (!uGetModuleFileName(loaded, source)) return nullptr;
    string8_t directory;
    string8_t copy;
    if (!uGetTempPath(directory) ||
        !uGetTempFileName(directory.get_ptr(), copy_prefix(source).get_ptr(), 0, copy)) {
        return nullptr;
    }
    if (!platform::copy_file(source.get_ptr(), copy.get_ptr())) {
        // The empty file the name was reserved with would otherwise stay behind.
        uDeleteFile(copy.get_ptr());
        return nullptr;
    }
    platform::module_handle module = uLoadLibrary(copy.get_ptr());
    if (!module) {
        uDeleteFile(copy.get_ptr());
        return nullptr;
    }
    g_registry.copies[module] = copy;
    return module;
}

void unload_library_copy(platform::module_handle module) {
    if (!module) return;
    std::lock_guard<std::mutex> hold(g_registry.lock);
    platform::free_library(module);
    auto entry = g_registry.copies.find(module);
    if (entry == g_registry.copies.end()) return;
    if (!entry->second.is_empty()) uDeleteFile(entry->second.get_ptr());
    g_registry.copies.erase(entry);
}
