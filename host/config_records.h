#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sdk/guid.h"
#include "support/guid_text.h"

// One record of a component's configuration stream: a 16-byte GUID, a
// little-endian 32-bit length and that many bytes of data.
struct config_record {
    guid_t guid{};
    std::vector<uint8_t> data;
};

// Splits a stream into records; raises std::runtime_error when it does not
// divide into whole records.
std::vector<config_record> parse_config_records(const std::vector<uint8_t>& stream);
std::vector<uint8_t> write_config_records(const std::vector<config_record>& records);

// A 4-byte record's value as a signed 32-bit integer; nothing for other lengths.
std::optional<int32_t> record_value(const config_record& record);
void set_record_value(config_record& record, int32_t value);

class component_client;
// A component's settings as records, through its configuration stream.
std::vector<config_record> read_settings(component_client& client);
void write_settings(component_client& client, const std::vector<config_record>& records);
// Sets one 32-bit setting of a component by GUID, leaving the others.
void set_setting(component_client& client, const guid_t& guid, int32_t value);
