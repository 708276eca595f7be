#ifndef _WIN32
#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "sdk/shared.h"

void* uLoadLibrary(const char* path) { return dlopen(path, RTLD_NOW | RTLD_LOCAL); }

void* uGetModuleHandle(const char* path) {
    // RTLD_NOLOAD still counts a reference; drop it, as a module handle query adds none.
    void* module = dlopen(path, RTLD_NOW | RTLD_NOLOAD);
    if (module) dlclose(module);
    return module;
}

bool uGetModuleFileName(void* module, string_base& out) {
    link_map* map = nullptr;
    if (!module || dlinfo(module, RTLD_DI_LINKMAP, &map) != 0 || !map || !map->l_name || !*map->l_name) return false;
    char* full = realpath(map->l_name, nullptr);
    out.set_string(full ? full : map->l_name);
    std::free(full);
    return true;
}

bool uGetTempPath(string_base& out) {
    const char* dir = std::getenv("TMPDIR");
    std::string path = dir && *dir ? dir : "/tmp";
    if (path.back() != '/') path += '/';
    out.set_string(path.c_str());
    return true;
}

bool uGetTempFileName(const char* directory, const char* prefix, unsigned unique, string_base& out) {
    std::string name = directory;
    if (!name.empty() && name.back() != '/') name += '/';
    name.append(prefix, std::string(prefix).substr(0, 3).size());
    if (unique != 0) {
        name += std::to_string(unique & 0xFFFF) + ".tmp";
        out.set_string(name.c_str());
        return true;
    }
    name += "XXXXXX.tmp";
    int fd = mkstemps(name.data(), 4);
    if (fd < 0) return false;
    close(fd);
    out.set_string(name.c_str());
    return true;
}

bool uDeleteFile(const char* path) { return unlink(path) == 0; }

bool uFormatSystemErrorMessage(string_base& out, uint32_t code) {
    // The common Windows codes a user may meet; the rest have no text here.
    const char* text = nullptr;
    switch (code) {
    case 2: text = "The system cannot find the file specified."; break;
    case 3: text = "The system cannot find the path specified."; break;
    case 5: text = "Access is denied."; break;
    case 8: text = "Not enough memory resources are available to process this command."; break;
    case 32: text = "The process cannot access the file because it is being used by another process."; break;
    case 87: text = "The parameter is incorrect."; break;
    default: return false;
    }
    out.set_string(text);
    return true;
}
#endif
