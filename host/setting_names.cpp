#include "host/setting_names.h"

#include <iterator>

#include "host/config_records.h"
#include "prefs/setting_table.h"

std::string setting_display_name(const guid_t& guid) {
    for (const auto& row : setting_table) {
        if (row.guid == guid) return row.name;
    }
    return guid_text(guid);
}

size_t setting_order(const guid_t& guid) {
    for (size_t i = 0; i < std::size(setting_table); ++i) {
        if (setting_table[i].guid == guid) return i;
    }
    return std::size(setting_table);
}

std::optional<guid_t> setting_guid(const std::string& name_or_guid) {
    for (const auto& row : setting_table) {
        if (name_or_guid == row.name) return row.guid;
    }
    return parse_guid_text(name_or_guid);
}
