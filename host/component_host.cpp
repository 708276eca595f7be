#include "host/component_host.h"

#include <algorithm>

#include "sdk/shared.h"
#include "support/platform.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

component_host::component_host(config_store store) : store_(std::move(store)) {
    registry_.add_service(file_system::class_guid, &local_files_);
    registry_.add_service(file_system::class_guid, &zip_files_);
    registry_.add_service(console_receiver::class_guid, &console_);
    registry_.add_service(version_info::class_guid, &version_);
}

component_host::~component_host() {
    for (auto& component : components_) {
        component.client->services_init(false);
        try {
            store_.save(*component.client, component.file_name);
        } catch (const std::exception&) {
            // Saving is best effort at exit; the stored stream stays as it was.
        }
    }
}

void component_host::load(const std::filesystem::path& path) {
    std::string utf8 = std::filesystem::absolute(path).u8string();
    void* module = uLoadLibrary(utf8.c_str());
    if (!module) throw std::runtime_error("cannot load component " + utf8);
    auto entry = reinterpret_cast<sonmara_get_interface_t>(platform::find_symbol(module, "sonmara_get_interface"));
    if (!entry) {
        platform::free_library(module);
        throw std::runtime_error(utf8 + " is not a component (no sonmara_get_interface export)");
    }
    component_client* client = entry(&registry_);
    if (!client || client->get_version() != component_client_version) {
        platform::free_library(module);
        throw std::runtime_error(utf8 + " was built for another host version");
    }
    std::string file_name = path.filename().u8string();
    client->set_library_path(utf8.c_str(), path.stem().u8string().c_str());
    store_.restore(*client, file_name);
    registry_.add_component_list(client->get_service_list());
    components_.push_back({utf8, file_name, module, client});
}

void component_host::load_folder(const std::filesystem::path& folder) {
    std::error_code error;
    std::vector<std::filesystem::path> found;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        std::string ext = entry.path().extension().u8string();
        std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
        // The emulation library lives beside the components but is not one.
        if (ext == ".dll" && stricmp_utf8(entry.path().filename().u8string().c_str(), "SNESAPU.DLL") != 0) {
            found.push_back(entry.path());
        }
    }
    std::sort(found.begin(), found.end());
    for (const auto& path : found) load(path);
}

void component_host::start() {
    for (auto& component : components_) component.client->services_init(true);
}

service_ptr_t<input_entry> component_host::find_input(const std::string& path) {
    std::string ext = std::filesystem::path(std::filesystem::u8path(path)).extension().u8string();
    if (!ext.empty() && ext[0] == '.') ext.erase(0, 1);
    for (auto& entry : registry_.all<input_entry>()) {
        if (entry->is_our_path(path.c_str(), ext.c_str())) return entry;
    }
    return {};
}

std::filesystem::path component_host::executable_folder() {
#ifdef _WIN32
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        DWORD units = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (units < buffer.size()) {
            buffer.resize(units);
            break;
        }
        buffer.resize(buffer.size() * 2);
    }
    return std::filesystem::path(buffer).parent_path();
#else
    return std::filesystem::read_symlink("/proc/self/exe").parent_path();
#endif
}
