#include "host/config_store.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

#include "host/memory_streams.h"

namespace {

std::filesystem::path default_folder() {
    if (const char* forced = std::getenv("SONMARA_HOST_CONFIG_DIR"); forced && *forced) return forced;
#ifdef _WIN32
    if (const wchar_t* appdata = _wgetenv(L"APPDATA"); appdata && *appdata) return std::filesystem::path(appdata) / "sonmara-host";
#else
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) return std::filesystem::path(xdg) / "sonmara-host";
    if (const char* home = std::getenv("HOME"); home && *home) return std::filesystem::path(home) / ".config" / "sonmara-host";
#endif
    return std::filesystem::current_path() / "sonmara-host-config";
}

}  // namespace

config_store::config_store() : folder_(default_folder()) {}

void config_store::restore(component_client& client, const std::string& component_file) const {
    std::ifstream in(file_for(component_file), std::ios::binary);
    if (!in) return;
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    memory_reader reader(bytes);
    host_abort abort;
    try {
        client.set_config(reader, abort);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: stored configuration is damaged (%s); the rest keeps its defaults\n",
                     component_file.c_str(), e.what());
    }
}

void config_store::save(component_client& client, const std::string& component_file) const {
    memory_writer stream;
    host_abort abort;
    client.get_config(stream, abort);
    std::error_code error;
    std::filesystem::create_directories(folder_, error);
    // Written beside and renamed over, so a failed save never leaves half a file.
    std::filesystem::path target = file_for(component_file);
    std::filesystem::path temporary = target;
    temporary += ".new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(stream.data()), stream.size());
        if (!out) {
            std::fprintf(stderr, "%s: cannot save configuration to %s\n", component_file.c_str(), target.string().c_str());
            return;
        }
    }
    std::filesystem::rename(temporary, target, error);
    if (error) std::fprintf(stderr, "%s: cannot save configuration: %s\n", component_file.c_str(), error.message().c_str());
}
