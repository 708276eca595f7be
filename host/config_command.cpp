#include <algorithm>
#include <cstdio>

#include "host/commands.h"
#include "host/config_records.h"
#include "host/memory_streams.h"
#include "host/setting_names.h"

namespace {

int show(component_host& host) {
    for (const auto& component : host.components()) {
        std::printf("%s\n%s", component.file_name.c_str(), config_listing(read_settings(*component.client)).c_str());
    }
    return 0;
}

int set(component_host& host, const std::string& name, const std::string& text) {
    const std::optional<guid_t> guid = setting_guid(name);
    if (!guid) {
        std::fprintf(stderr, "config: unknown setting %s\n", name.c_str());
        return 2;
    }
    const std::optional<int32_t> value = parse_setting_value(*guid, text);
    if (!value) {
        std::fprintf(stderr, "config: %s is not a decimal 32-bit integer\n", text.c_str());
        return 2;
    }
    if (const auto problem = setting_problem(*guid, *value)) {
        std::fprintf(stderr, "config: %s %s: %s\n", name.c_str(), text.c_str(), problem->c_str());
        return 2;
    }
    bool found = false;
    for (const auto& component : host.components()) {
        std::vector<config_record> records = read_settings(*component.client);
        auto record = std::find_if(records.begin(), records.end(), [&](const config_record& r) { return r.guid == *guid; });
        if (record == records.end()) continue;
        if (!record_value(*record)) {
            std::fprintf(stderr, "config: %s is not a 32-bit setting\n", name.c_str());
            return 1;
        }
        set_record_value(*record, *value);
        write_settings(*component.client, records);
        // The component decides what it keeps; show what it holds now.
        for (const auto& now : read_settings(*component.client)) {
            if (now.guid == *guid) std::printf("%s\n%s", component.file_name.c_str(), config_listing({now}).c_str());
        }
        found = true;
    }
    if (!found) {
        std::fprintf(stderr, "config: no loaded component has the setting %s\n", name.c_str());
        return 2;
    }
    return 0;
}

}  // namespace

std::string config_listing(std::vector<config_record> records) {
    std::stable_sort(records.begin(), records.end(), [](const config_record& a, const config_record& b) {
        return setting_order(a.guid) < setting_order(b.guid);
    });
    std::string text;
    for (const auto& record : records) {
        text += "  " + setting_display_name(record.guid) + ": ";
        if (std::optional<int32_t> value = record_value(record)) {
            text += std::to_string(*value);
            if (const std::string meaning = setting_meaning(record.guid, *value); !meaning.empty()) {
                text += " (" + meaning + ")";
            } else if (const auto problem = setting_problem(record.guid, *value)) {
                text += " (unusable: " + *problem + ")";
            }
        } else {
            // Not a 32-bit value: its bytes in hexadecimal.
            text += std::to_string(record.data.size()) + " bytes";
            for (uint8_t byte : record.data) {
                char hex[4];
                std::snprintf(hex, sizeof hex, " %02X", byte);
                text += hex;
            }
        }
        text += '\n';
    }
    return text;
}

int run_config_command(component_host& host, const std::vector<std::string>& arguments) {
    if (arguments.empty()) return show(host);
    if (arguments[0] == "set" && arguments.size() == 3) return set(host, arguments[1], arguments[2]);
    std::fprintf(stderr, "config: expected no arguments or: set NAME VALUE\n");
    return 2;
}
