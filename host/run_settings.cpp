#include "host/run_settings.h"

#include <cstdio>

#include "host/config_records.h"
#include "host/setting_names.h"

namespace {

struct friendly_option {
    const char* option;
    const char* setting;
};

constexpr friendly_option friendly_options[] = {
    {"--rate", "cfg_samplerate"},
    {"--bits", "cfg_bitspersample"},
    {"--channels", "cfg_channels"},
    {"--interpolation", "cfg_interpolation"},
};

bool add_change(const char* command, const std::string& option, const std::string& name, const std::string& text,
                std::vector<setting_change>& changes) {
    const std::optional<guid_t> guid = setting_guid(name);
    if (!guid) {
        std::fprintf(stderr, "%s: %s: unknown setting %s\n", command, option.c_str(), name.c_str());
        return false;
    }
    const std::optional<int32_t> value = parse_setting_value(*guid, text);
    if (!value) {
        std::fprintf(stderr, "%s: %s %s: not a decimal 32-bit integer or a value's name\n", command, option.c_str(),
                     text.c_str());
        return false;
    }
    if (const auto problem = setting_problem(*guid, *value)) {
        std::fprintf(stderr, "%s: %s %s: %s %s\n", command, option.c_str(), text.c_str(), name.c_str(),
                     problem->c_str());
        return false;
    }
    changes.push_back({name, *guid, *value});
    return true;
}

}  // namespace

const char* const run_settings_help =
    "  --set NAME=VALUE     a setting of the component for this run only (names: config)\n"
    "  --rate HZ            output rate, 8000 to 192000 (cfg_samplerate)\n"
    "  --bits 8|16|24|32    the library's sample width (cfg_bitspersample)\n"
    "  --channels 1|2       mono or stereo (cfg_channels)\n"
    "  --interpolation MODE none, linear, cubic, gaussian, sinc or gaussian4 (cfg_interpolation)\n";

option_taken take_setting_option(const char* command, const std::vector<std::string>& arguments, size_t& i,
                                 std::vector<setting_change>& changes) {
    const std::string& option = arguments[i];
    const char* setting = nullptr;
    for (const auto& friendly : friendly_options) {
        if (option == friendly.option) setting = friendly.setting;
    }
    if (!setting && option != "--set") return option_taken::no;
    if (i + 1 == arguments.size()) {
        std::fprintf(stderr, "%s: %s needs a value\n", command, option.c_str());
        return option_taken::refused;
    }
    const std::string& value = arguments[++i];
    if (setting) return add_change(command, option, setting, value, changes) ? option_taken::yes : option_taken::refused;
    const size_t equals = value.find('=');
    if (equals == 0 || equals == std::string::npos) {
        std::fprintf(stderr, "%s: --set needs NAME=VALUE, not %s\n", command, value.c_str());
        return option_taken::refused;
    }
    return add_change(command, option, value.substr(0, equals), value.substr(equals + 1), changes)
               ? option_taken::yes
               : option_taken::refused;
}

run_settings::run_settings(component_host& host, const std::vector<setting_change>& changes) : host_(host) {
    if (changes.empty()) return;
    for (const auto& component : host.components()) {
        std::vector<config_record> records = read_settings(*component.client);
        before_.push_back({component.client, records});
        for (auto& record : records) {
            for (const auto& change : changes) {
                if (record.guid == change.guid) set_record_value(record, change.value);
            }
        }
        write_settings(*component.client, records);
    }
}

run_settings::~run_settings() {
    for (const auto& held : before_) write_settings(*held.client, held.records);
}

bool run_settings::usable(const char* command) const {
    for (const auto& component : host_.components()) {
        for (const auto& record : read_settings(*component.client)) {
            const std::optional<int32_t> value = record_value(record);
            if (!value) continue;
            if (const auto problem = setting_problem(record.guid, *value)) {
                const std::string name = setting_display_name(record.guid);
                std::fprintf(stderr, "%s: %s is %d but %s; give --set %s=VALUE for this run or config set %s VALUE\n",
                             command, name.c_str(), *value, problem->c_str(), name.c_str(), name.c_str());
                return false;
            }
        }
    }
    return true;
}
