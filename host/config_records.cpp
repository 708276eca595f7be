#include "host/config_records.h"

#include <cstdio>
#include <stdexcept>

#include "host/memory_streams.h"
#include "sdk/component.h"
#include "support/little_endian.h"

namespace {

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::vector<config_record> parse_config_records(const std::vector<uint8_t>& stream) {
    std::vector<config_record> records;
    size_t at = 0;
    while (at < stream.size()) {
        if (stream.size() - at < 20) throw std::runtime_error("configuration stream ends inside a record header");
        const uint8_t* p = stream.data() + at;
        config_record record;
        record.guid.data1 = get32(p);
        record.guid.data2 = uint16_t(p[4] | p[5] << 8);
        record.guid.data3 = uint16_t(p[6] | p[7] << 8);
        for (int i = 0; i < 8; ++i) record.guid.data4[i] = p[8 + i];
        const uint32_t length = get32(p + 16);
        at += 20;
        if (length > stream.size() - at) throw std::runtime_error("configuration stream ends inside a record");
        record.data.assign(stream.begin() + at, stream.begin() + at + length);
        at += length;
        records.push_back(std::move(record));
    }
    return records;
}

std::vector<uint8_t> write_config_records(const std::vector<config_record>& records) {
    std::vector<uint8_t> out;
    for (const auto& record : records) {
        put32(out, record.guid.data1);
        out.push_back(uint8_t(record.guid.data2));
        out.push_back(uint8_t(record.guid.data2 >> 8));
        out.push_back(uint8_t(record.guid.data3));
        out.push_back(uint8_t(record.guid.data3 >> 8));
        out.insert(out.end(), record.guid.data4, record.guid.data4 + 8);
        put32(out, static_cast<uint32_t>(record.data.size()));
        out.insert(out.end(), record.data.begin(), record.data.end());
    }
    return out;
}

std::optional<int32_t> record_value(const config_record& record) {
    if (record.data.size() != 4) return std::nullopt;
    return static_cast<int32_t>(get32(record.data.data()));
}

void set_record_value(config_record& record, int32_t value) {
    record.data.clear();
    put32(record.data, static_cast<uint32_t>(value));
}

std::string guid_text(const guid_t& g) {
    char text[40];
    std::snprintf(text, sizeof text, "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X", unsigned(g.data1),
                  unsigned(g.data2), unsigned(g.data3), g.data4[0], g.data4[1], g.data4[2], g.data4[3], g.data4[4],
                  g.data4[5], g.data4[6], g.data4[7]);
    return text;
}

std::optional<guid_t> parse_guid_text(const std::string& text) {
    // Hex digits in groups of 8-4-4-4-12.
    if (text.size() != 36) return std::nullopt;
    uint8_t bytes[16];
    size_t digit = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (i == 8 || i == 13 || i == 18 || i == 23) {
            if (text[i] != '-') return std::nullopt;
            continue;
        }
        const int value = hex_digit(text[i]);
        if (value < 0) return std::nullopt;
        if (digit % 2 == 0) bytes[digit / 2] = uint8_t(value << 4);
        else bytes[digit / 2] |= uint8_t(value);
        ++digit;
    }
    guid_t g;
    g.data1 = uint32_t(bytes[0]) << 24 | uint32_t(bytes[1]) << 16 | uint32_t(bytes[2]) << 8 | bytes[3];
    g.data2 = uint16_t(bytes[4] << 8 | bytes[5]);
    g.data3 = uint16_t(bytes[6] << 8 | bytes[7]);
    for (int i = 0; i < 8; ++i) g.data4[i] = bytes[8 + i];
    return g;
}

std::vector<config_record> read_settings(component_client& client) {
    memory_writer out;
    host_abort abort;
    client.get_config(out, abort);
    return parse_config_records(std::vector<uint8_t>(out.data(), out.data() + out.size()));
}

void write_settings(component_client& client, const std::vector<config_record>& records) {
    const std::vector<uint8_t> bytes = write_config_records(records);
    memory_reader in(bytes);
    host_abort abort;
    client.set_config(in, abort);
}

void set_setting(component_client& client, const guid_t& guid, int32_t value) {
    auto records = read_settings(client);
    for (auto& record : records) {
        if (record.guid == guid) set_record_value(record, value);
    }
    write_settings(client, records);
}
