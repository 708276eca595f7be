#pragma once
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/config_store.h"
#include "host/host_services.h"
#include "host/local_file_system.h"
#include "host/zip_file_system.h"
#include "sdk/component.h"
#include "sdk/input.h"
#include "sdk/service_impl.h"

// A loaded component DLL and the client object its export returned.
struct loaded_component {
    std::string path;
    std::string file_name;
    void* module = nullptr;
    component_client* client = nullptr;
};

// The running host: its own services, the loaded components, and their
// stored configuration, saved back when the host ends.
class component_host {
public:
    explicit component_host(config_store store = config_store());
    ~component_host();
    component_host(const component_host&) = delete;
    component_host& operator=(const component_host&) = delete;

    // Loads one component; throws std::runtime_error with a clear message.
    void load(const std::filesystem::path& path);
    // Loads every *.dll in a folder (the host's components/ folder).
    void load_folder(const std::filesystem::path& folder);
    // Tells every component that the host's services may now be used.
    void start();

    const std::vector<loaded_component>& components() const { return components_; }
    host_registry& registry() { return registry_; }
    const config_store& store() const { return store_; }

    // The first input entry that claims the path by its extension, or null.
    service_ptr_t<input_entry> find_input(const std::string& path);

    // The folder holding the running executable.
    static std::filesystem::path executable_folder();

private:
    host_registry registry_;
    service_impl_single_t<local_file_system> local_files_;
    service_impl_single_t<zip_file_system> zip_files_;
    service_impl_single_t<stderr_console> console_;
    service_impl_single_t<host_version_info> version_;
    config_store store_;
    std::vector<loaded_component> components_;
};
