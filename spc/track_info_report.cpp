#include <cstring>

#include "spc/input_velmo.h"
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

void input_velmo::report_info(track_info& info) const {
    if (settings_.length_limit) {
        info.info_set("spc_songlength", number_text(uint64_t(tags_.intro_ms), 10).get_ptr());
        info.info_set("spc_fadelength", number_text(uint64_t(tags_.fade_ms), 10).get_ptr());
        uint32_t total_ms = tags_.song_length_ms + tags_.fade_length_ms;
        info.set_length(total_ms * 0.001);
    }
    set_meta(info, "title", tags_.title);
    set_meta(info, "album", tags_.game);
    set_artists(info, tags_.artist);
    set_meta(info, "dumper", tags_.dumper);
    set_meta(info, "comment", tags_.comment);
    if (!tags_.dump_date.is_empty()) info.info_set("spc_dumped_date", tags_.dump_date.get_ptr());
    set_meta(info, "copyright", tags_.publisher);
    set_meta(info, "date", tags_.copyright_year);
    set_meta(info, "ost", tags_.ost_title);
    set_meta(info, "discnumber", tags_.ost_disc);
    set_meta(info, "tracknumber", tags_.ost_track);
    set_meta(info, "emulator", tags_.emulator);
    if (tags_.amplification != spc_tags::none32) {
        info.info_set("spc_amplification", number_text(uint64_t(tags_.amplification), 10).get_ptr());
    }
    info.info_set("codec", "SPC");
}
