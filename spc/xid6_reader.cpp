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
    uint8_t type;
    uint16_t value;           // the header's 16-bit field
    const uint8_t* data;      // the bytes after the header
    uint32_t data_available;  // how many of them the image holds

    bool has_word() const { return data_available >= 4; }
    uint32_t word() const { return get32(data); }
    void text(string8_t& out) const {
        ansi_to_utf8(out, reinterpret_cast<const char*>(data), std::min<uint32_t>(value, data_available));
    }
};

// A length item: its ticks as stored, and in milliseconds.
void read_length(const item& it, uint32_t& ticks, uint32_t& ms) {
    if (!it.has_word()) return;
    ticks = it.word();
    ms = ticks / snesapu::kTicksPerMs;
}

void apply(const item& it, spc_tags& tags) {
    if (const tag_field* field = field_of_xid6_text(it.id)) {
        it.text(tags.*field->value);
        return;
    }
    switch (it.id) {
    case xid6_item::dump_date:
        if (it.has_word()) {
            uint32_t d = it.word();
            tags.dump_date_raw = d;
            format(tags.dump_date, "%d%c%02d%c%02d", d >> 16, '-', (d >> 8) & 0xFF, '-', d & 0xFF);
        }
        break;
    case xid6_item::emulator:
        tags.emulator_code = it.value;
        if (it.value < 9) tags.emulator = emulator_names[it.value];
        break;
    case xid6_item::ost_disc: format(tags.ost_disc, "%d", it.value); break;
    case xid6_item::ost_track: {
        uint32_t letter = it.value & 0xFF;
        uint32_t number = it.value >> 8;
        if (letter == 0) {
            format(tags.ost_track, "%d", number);
        } else if (letter >= 0x21 && letter <= 0x7E) {
            format(tags.ost_track, "%d%c", number, letter);
        }
        break;
    }
    case xid6_item::copyright_year: format(tags.copyright_year, "%d", it.value); break;
    case xid6_item::intro: read_length(it, tags.intro_ticks, tags.intro_ms); break;
    case xid6_item::loop: read_length(it, tags.loop_ticks, tags.loop_ms); break;
    case xid6_item::end:
        if (it.has_word()) {
            tags.end_ticks = static_cast<int32_t>(it.word());
            tags.end_ms = tags.end_ticks / static_cast<int32_t>(snesapu::kTicksPerMs);
        }
        break;
    case xid6_item::fade: read_length(it, tags.fade_ticks, tags.fade_ms); break;
    case xid6_item::muted_voices: tags.muted_voices = it.value & 0xFF; break;
    case xid6_item::loop_count:
        tags.loop_count_raw = it.value;
        tags.loop_count = it.value == 0 ? 1 : std::min<uint32_t>(it.value, 9);
        break;
    case xid6_item::amplification:
        if (it.type == xid6_item::in_header) {
            tags.amplification_raw = uint32_t(it.value) << 12;
        } else if (it.type == xid6_item::integer && it.has_word()) {
            tags.amplification_raw = it.word();
        }
        tags.amplification = std::clamp<uint32_t>(tags.amplification_raw, 0x8000, 0x80000);
        break;
    default: break;
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
        item it{header[0], header[1], static_cast<uint16_t>(get16(header + 2)), header + 4, size - offset - 4};
        remaining -= 4;
        apply(it, tags);
        if (it.type != xid6_item::in_header) {
            uint32_t skip = (uint32_t(it.value) + 3) & ~3u;
            offset += skip;
            remaining -= static_cast<int32_t>(skip);
        }
        offset += 4;
    }
}
