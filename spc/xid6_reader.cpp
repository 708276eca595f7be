#include <algorithm>

#include "sdk/snesapu_entry_points.h"
#include "spc/spc_layout.h"
#include "spc/spc_tags.h"
#include "spc/tag_fields.h"
#include "support/ansi_code_page.h"
#include "support/format.h"
#include "support/little_endian.h"

namespace {

// One sub-chunk: header fields and where its data lies in the image.
struct item {
    uint8_t id;
    xid6_storage type;        // any byte; only some are storage kinds
    uint16_t value;           // the header's 16-bit field
    const uint8_t* data;      // the bytes after the header
    uint32_t data_available;  // how many of them the image holds

    bool has_word() const { return data_available >= 4; }
    uint32_t word() const { return get32(data); }
};

// A length item: its ticks as stored, and in milliseconds.
void read_length(uint32_t stored, uint32_t& ticks, uint32_t& ms) {
    ticks = stored;
    ms = ticks / snesapu::kTicksPerMs;
}

void apply(const item& it, const tag_field& field, spc_tags& tags) {
    if (field.storage == xid6_storage::text) {
        ansi_to_utf8(tags.*field.text, reinterpret_cast<const char*>(it.data),
                     std::min<uint32_t>(it.value, it.data_available));
        return;
    }
    // Amplification alone takes its place from the type.
    if (field.xid6_id == xid6_item::amplification) {
        if (it.type == xid6_storage::in_header) {
            tags.amplification_raw = uint32_t(it.value) << 12;
        } else if (it.type == xid6_storage::integer && it.has_word()) {
            tags.amplification_raw = it.word();
        }
        tags.amplification = std::clamp<uint32_t>(tags.amplification_raw, 0x8000, 0x80000);
        return;
    }
    // Other numbers come from the place their field names, whatever the type
    // says; a 32-bit value the image cuts off is not read.
    if (field.storage == xid6_storage::integer && !it.has_word()) return;
    const uint32_t v = field.storage == xid6_storage::in_header ? it.value : it.word();
    switch (field.xid6_id) {
    case xid6_item::dump_date:
        tags.dump_date_raw = v;
        format(tags.dump_date, "%d%c%02d%c%02d", v >> 16, '-', (v >> 8) & 0xFF, '-', v & 0xFF);
        break;
    case xid6_item::emulator:
        tags.emulator_code = static_cast<uint16_t>(v);
        if (v < 9) tags.emulator = emulator_names[v];
        break;
    case xid6_item::ost_disc:
    case xid6_item::copyright_year: format(tags.*field.text, "%d", v); break;
    case xid6_item::ost_track: {
        uint32_t letter = v & 0xFF;
        uint32_t number = v >> 8;
        if (letter == 0) {
            format(tags.ost_track, "%d", number);
        } else if (letter >= 0x21 && letter <= 0x7E) {
            format(tags.ost_track, "%d%c", number, letter);
        }
        break;
    }
    case xid6_item::intro: read_length(v, tags.intro_ticks, tags.intro_ms); break;
    case xid6_item::loop: read_length(v, tags.loop_ticks, tags.loop_ms); break;
    case xid6_item::end:
        tags.end_ticks = static_cast<int32_t>(v);
        tags.end_ms = tags.end_ticks / static_cast<int32_t>(snesapu::kTicksPerMs);
        break;
    case xid6_item::fade: read_length(v, tags.fade_ticks, tags.fade_ms); break;
    case xid6_item::muted_voices: tags.muted_voices = v & 0xFF; break;
    case xid6_item::loop_count:
        tags.loop_count_raw = static_cast<uint16_t>(v);
        tags.loop_count = v == 0 ? 1 : std::min<uint32_t>(v, 9);
        break;
    }
}

}  // namespace

void read_xid6(const uint8_t* image, uint32_t size, spc_tags& tags) {
    using namespace spc_layout;
    if (size < min_extended_size) return;
    if (get32(image + snapshot_size) != 0x36646978) {  // "xid6"
        tags.trailing_bytes = size - snapshot_size;
        return;
    }
    const int32_t available = static_cast<int32_t>(size - first_subchunk);
    int32_t remaining = std::min(static_cast<int32_t>(get32(image + snapshot_size + 4)), available);
    tags.trailing_bytes = size - static_cast<uint32_t>(remaining) - first_subchunk;

    // The remaining count never exceeds the image, but a header or its data
    // may still reach past the end: such an item is cut to what the image
    // holds, and a header that does not fit ends the walk.
    uint32_t offset = first_subchunk;
    while (remaining > 0 && offset <= size - 4) {
        const uint8_t* header = image + offset;
        item it{header[0], xid6_storage{header[1]}, static_cast<uint16_t>(get16(header + 2)), header + 4, size - offset - 4};
        remaining -= 4;
        if (const tag_field* field = tag_field_of(it.id)) apply(it, *field, tags);
        if (it.type != xid6_storage::in_header) {
            uint32_t skip = (uint32_t(it.value) + 3) & ~3u;
            offset += skip;
            remaining -= static_cast<int32_t>(skip);
        }
        offset += 4;
    }
}
