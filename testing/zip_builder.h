#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "host/crc32.h"
#include "host/zip_archive.h"
#include "support/little_endian.h"

// Builds a zip archive in memory: local headers and data, central directory,
// end record. A member with method 8 keeps its bytes as they are, which is
// enough to be refused as compressed.
class zip_builder {
public:
    zip_builder& add(const std::string& name, const std::vector<uint8_t>& data, uint16_t method = 0, uint16_t flags = 0) {
        members_.push_back({name, data, method, flags, static_cast<uint32_t>(out_.size())});
        put32(out_, 0x04034b50);
        put16(out_, 10);
        put16(out_, flags);
        put16(out_, method);
        put32(out_, 0);  // DOS time and date
        put32(out_, crc32_of(data.data(), data.size()));
        put32(out_, static_cast<uint32_t>(data.size()));
        put32(out_, static_cast<uint32_t>(data.size()));
        put16(out_, static_cast<uint16_t>(name.size()));
        put16(out_, 0);
        out_.insert(out_.end(), name.begin(), name.end());
        out_.insert(out_.end(), data.begin(), data.end());
        return *this;
    }

    std::vector<uint8_t> build(const std::string& comment = "") const {
        std::vector<uint8_t> bytes = out_;
        const uint32_t directory_offset = static_cast<uint32_t>(bytes.size());
        for (const auto& m : members_) {
            put32(bytes, 0x02014b50);
            put16(bytes, 20);
            put16(bytes, 10);
            put16(bytes, m.flags);
            put16(bytes, m.method);
            put32(bytes, 0);
            put32(bytes, crc32_of(m.data.data(), m.data.size()));
            put32(bytes, static_cast<uint32_t>(m.data.size()));
            put32(bytes, static_cast<uint32_t>(m.data.size()));
            put16(bytes, static_cast<uint16_t>(m.name.size()));
            put16(bytes, 0);  // extra
            put16(bytes, 0);  // comment
            put16(bytes, 0);  // disk
            put16(bytes, 0);  // internal attributes
            put32(bytes, 0);  // external attributes
            put32(bytes, m.offset);
            bytes.insert(bytes.end(), m.name.begin(), m.name.end());
        }
        const uint32_t directory_size = static_cast<uint32_t>(bytes.size()) - directory_offset;
        put32(bytes, 0x06054b50);
        put16(bytes, 0);
        put16(bytes, 0);
        put16(bytes, static_cast<uint16_t>(members_.size()));
        put16(bytes, static_cast<uint16_t>(members_.size()));
        put32(bytes, directory_size);
        put32(bytes, directory_offset);
        put16(bytes, static_cast<uint16_t>(comment.size()));
        bytes.insert(bytes.end(), comment.begin(), comment.end());
        return bytes;
    }

private:
    struct member {
        std::string name;
        std::vector<uint8_t> data;
        uint16_t method;
        uint16_t flags;
        uint32_t offset;
    };
    std::vector<member> members_;
    std::vector<uint8_t> out_;
};
