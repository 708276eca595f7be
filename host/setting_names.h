#pragma once
#include <optional>
#include <string>

#include "sdk/guid.h"

// The names of the input component's sixteen settings, which the host knows
// only by their GUIDs in the configuration stream.
// The setting's name, or its GUID text when the host does not know it.
std::string setting_display_name(const guid_t& guid);
// Position in the table, or the table's size for unknown GUIDs.
size_t setting_order(const guid_t& guid);
// A known name, or any GUID text.
std::optional<guid_t> setting_guid(const std::string& name_or_guid);
