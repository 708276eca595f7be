#pragma once
// The real host code with the real son_velmo.dll loaded and started, as a
// plain class that test fixtures and benchmarks share.
#include <filesystem>
#include <string>

#include "host/component_host.h"
#include "host/config_records.h"
#include "host/setting_names.h"

class host_with_component : public component_host {
public:
    static std::filesystem::path components_folder() { return executable_folder() / "components"; }

    // Settings live in `config_folder`; `console`, when given, receives
    // what the component prints.
    explicit host_with_component(const std::filesystem::path& config_folder,
                                 const std::filesystem::path& component = components_folder() / "son_velmo.dll",
                                 console_receiver* console = nullptr)
        : component_host(config_store(config_folder)) {
        if (console) registry().add_service(console_receiver::class_guid, console);
        load(component);
        start();
    }

    component_client& client() { return *components().front().client; }
    void set_setting(const std::string& name, int32_t value) { ::set_setting(client(), *setting_guid(name), value); }
};
