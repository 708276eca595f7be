#include <cstdio>

#include "host/commands.h"
#include "support/string8.h"

int run_components_command(component_host& host) {
    auto versions = host.registry().all<componentversion>();
    auto validators = host.registry().all<component_installation_validator>();
    auto file_types = host.registry().all<input_file_type>();
    auto inputs = host.registry().all<input_entry>();

    for (const auto& component : host.components()) std::printf("component file: %s\n", component.path.c_str());
    for (auto& version : versions) {
        string8_t file_name, name, number, about;
        version->get_file_name(file_name);
        version->get_component_name(name);
        version->get_component_version(number);
        version->get_about_message(about);
        std::printf("%s %s (%s)\n  %s\n", name.get_ptr(), number.get_ptr(), file_name.get_ptr(), about.get_ptr());
    }
    for (auto& type : file_types) {
        for (uint32_t i = 0, n = type->get_count(); i < n; ++i) {
            string8_t name, mask;
            type->get_name(i, name);
            type->get_mask(i, mask);
            std::printf("file type: %s (%s)%s\n", name.get_ptr(), mask.get_ptr(),
                        type->is_associatable(i) ? ", associatable" : "");
        }
    }
    for (auto& input : inputs) {
        service_ptr_t<input_entry_v2> v2;
        if (input.query(v2)) std::printf("input: %s\n", v2->get_name());
    }
    bool all_installed = true;
    for (auto& validator : validators) {
        bool ok = validator->is_installed_correctly();
        all_installed = all_installed && ok;
        std::printf("installation check: %s\n", ok ? "passed" : "FAILED");
    }
    return all_installed ? 0 : 1;
}
