#pragma once
#include <cstdint>
#include <vector>

#include "spc/tag_fields.h"
#include "support/little_endian.h"

// An XID6 chunk, written item by item: the tag writer's and the example
// song's.
class xid6_chunk {
public:
    // In the header's 16-bit field, or as 32 bits after it.
    void number_item(uint8_t id, xid6_storage storage, uint32_t value) {
        bytes_.push_back(id);
        bytes_.push_back(static_cast<uint8_t>(storage));
        if (storage == xid6_storage::in_header) {
            put16(bytes_, value);
        } else {
            put16(bytes_, 4);
            put32(bytes_, value);
        }
    }
    // The NUL and the padding to a multiple of 4 follow the text.
    void text_item(uint8_t id, const std::vector<uint8_t>& ansi) {
        bytes_.push_back(id);
        bytes_.push_back(static_cast<uint8_t>(xid6_storage::text));
        put16(bytes_, static_cast<uint32_t>(ansi.size()) + 1);
        bytes_.insert(bytes_.end(), ansi.begin(), ansi.end());
        bytes_.insert(bytes_.end(), 4 - ansi.size() % 4, 0);
    }

    // "xid6", the length, the items; nothing when there are none.
    std::vector<uint8_t> chunk() const {
        std::vector<uint8_t> out;
        if (bytes_.empty()) return out;
        out = {'x', 'i', 'd', '6'};
        put32(out, static_cast<uint32_t>(bytes_.size()));
        out.insert(out.end(), bytes_.begin(), bytes_.end());
        return out;
    }

private:
    std::vector<uint8_t> bytes_;
};
