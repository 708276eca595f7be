#include "spc/track_info_report.h"

#include <cstring>

#include "spc/tag_fields.h"
#include "support/number_text.h"

namespace {

void set_meta(track_info& info, const char* name, const string8_t& value) {
    if (!value.is_empty()) info.meta_set(name, value.get_ptr());
}

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
    if (plan.length_limit) {
        info.info_set("spc_songlength", number_text(uint64_t(tags.intro_ms), 10).get_ptr());
        info.info_set("spc_fadelength", number_text(uint64_t(tags.fade_ms), 10).get_ptr());
        uint32_t total_ms = plan.song_ms + plan.fade_ms;
        info.set_length(total_ms * 0.001);
    }
    for (const tag_field& field : tag_fields) {
        const string8_t& value = tags.*field.value;
        if (field.value == &spc_tags::artist) {
            set_artists(info, value);
        } else {
            set_meta(info, field.meta, value);
        }
        // The dump date is technical info, between the comment and the rest.
        if (field.value == &spc_tags::comment && !tags.dump_date.is_empty()) {
            info.info_set("spc_dumped_date", tags.dump_date.get_ptr());
        }
    }
    if (tags.amplification != spc_tags::none32) {
        info.info_set("spc_amplification", number_text(uint64_t(tags.amplification), 10).get_ptr());
    }
    info.info_set("codec", "SPC");
}
