#include "host/config_records.h"

#include <stdexcept>

#include "host/memory_streams.h"
#include "sdk/component.h"
#include "support/little_endian.h"

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
