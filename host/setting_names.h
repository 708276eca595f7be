#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "sdk/guid.h"

// What the host knows of the input component's sixteen settings: their
// names, the values that give a playable result and what a value means. The
// host meets them only as GUIDs in the configuration stream, so this table is
// its own.

// The setting's name, or its GUID text when the host does not know it.
std::string setting_display_name(const guid_t& guid);
// Position in the table, or the table's size for unknown GUIDs.
size_t setting_order(const guid_t& guid);
// A known name, or any GUID text.
std::optional<guid_t> setting_guid(const std::string& name_or_guid);

// Why the value cannot be used ("must be 1 (mono) or 2 (stereo)"), or nothing
// when it can or when the host does not know the setting.
std::optional<std::string> setting_problem(const guid_t& guid, int32_t value);
// What the value means ("stereo", "3:00.000", "50 %"), or empty.
std::string setting_meaning(const guid_t& guid, int32_t value);
// A setting's value from text: a decimal 32-bit integer (2^31 and up as its
// 32-bit pattern) or, for a list, one of its names ("gaussian").
std::optional<int32_t> parse_setting_value(const guid_t& guid, const std::string& text);
