#include <algorithm>
#include <charconv>
#include <cstdio>

#include "host/commands.h"
#include "host/config_records.h"
#include "host/memory_streams.h"
#include "host/setting_names.h"

namespace {

// Decimal, optionally negative; values from 2^31 up to 2^32 - 1 are taken as
// their 32-bit pattern, as the component's own page stores them.
std::optional<int32_t> parse_value(const std::string& text) {
    int64_t value = 0;
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end) return std::nullopt;
    if (value < INT32_MIN || value > int64_t(UINT32_MAX)) return std::nullopt;
    return static_cast<int32_t>(static_cast<uint32_t>(value));
}

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
    const std::optional<int32_t> value = parse_value(text);
    if (!value) {
        std::fprintf(stderr, "config: %s is not a decimal 32-bit integer\n", text.c_str());
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
