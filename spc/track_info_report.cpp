#include "spc/track_info_report.h"

#include <cstring>

#include "spc/tag_fields.h"
#include "support/number_text.h"

namespace {

// The order the track info shows the tags in; the technical dump date
// goes between the comment and the rest.
constexpr uint8_t shown_order[] = {xid6_item::title,     xid6_item::game,           xid6_item::artist,
                                   xid6_item::dumper,    xid6_item::comment,        xid6_item::dump_date,
                                   xid6_item::publisher, xid6_item::copyright_year, xid6_item::ost_title,
                                   xid6_item::ost_disc,  xid6_item::ost_track,      xid6_item::emulator};

// Several artists are stored joined by ", "; each becomes its own value.
void set_artists(track_info& info, const string8_t& artists) {
    const char* text = artists.get_ptr();
    const char* end = text + artists.get_length();
    while (text < end) {
        const char* cut = std::strstr(text, ", ");
        const char* piece_end = cut ? cut : end;
        if (piece_end > text) {
            string8_t piece(text, static_cast<uint32_t>(piece_end - text));
            uint32_t field = info.meta_find("artist");
            if (field == track_info::npos) {
                info.meta_set("artist", piece.get_ptr());
            } else {
                info.meta_insert_value(field, info.meta_enum_value_count(field), piece.get_ptr());
            }
        }
        text = cut ? cut + 2 : end;
    }
}

}  // namespace

void report_track_info(track_info& info, const spc_tags& tags, const playback_plan& plan) {
    const auto number = [](uint32_t value) { return number_text(uint64_t(value), 10); };
    if (plan.length_limit) {
        info.info_set(tag_field_of(xid6_item::intro)->name, number(tags.intro_ms).get_ptr());
        info.info_set(tag_field_of(xid6_item::fade)->name, number(tags.fade_ms).get_ptr());
        uint32_t total_ms = plan.song_ms + plan.fade_ms;
        info.set_length(total_ms * 0.001);
    }
    for (uint8_t id : shown_order) {
        const tag_field& field = *tag_field_of(id);
        const string8_t& value = tags.*field.text;
        if (value.is_empty()) continue;
        if (id == xid6_item::artist) {
            set_artists(info, value);
        } else if (field.is_technical()) {
            info.info_set(field.name, value.get_ptr());
        } else {
            info.meta_set(field.name, value.get_ptr());
        }
    }
    if (tags.amplification != spc_tags::none32) {
        info.info_set(tag_field_of(xid6_item::amplification)->name, number(tags.amplification).get_ptr());
    }
    info.info_set("codec", "SPC");
}
