#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "host/component_host.h"
#include "host/config_records.h"
#include "sdk/guid.h"

// Settings given on a command's line for that run only: --set NAME=VALUE and
// the friendly --rate, --bits, --channels and --interpolation.
struct setting_change {
    std::string name;
    guid_t guid;
    int32_t value;
};

enum class option_taken { no, yes, refused };

// Takes arguments[i] (and its value) when it is a per-run setting; a refused
// one has its reason printed, naming the option and the value.
option_taken take_setting_option(const char* command, const std::vector<std::string>& arguments, size_t& i,
                                 std::vector<setting_change>& changes);

// Hands the changes to the loaded components for as long as it lives, then
// puts back what they held, so nothing of them is ever saved.
class run_settings {
public:
    run_settings(component_host& host, const std::vector<setting_change>& changes);
    ~run_settings();
    run_settings(const run_settings&) = delete;
    run_settings& operator=(const run_settings&) = delete;

    // Checks every setting the host knows; false after printing the first
    // one that no playback can use.
    bool usable(const char* command) const;

private:
    struct held {
        component_client* client;
        std::vector<config_record> records;
    };
    component_host& host_;
    std::vector<held> before_;
};

// The lines that describe these options in a command's help.
extern const char* const run_settings_help;
