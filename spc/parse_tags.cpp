#include "prefs/settings.h"
#include "spc/input_velmo.h"
#include "spc/tag_length.h"

void input_velmo::parse_tags() {
    read_id666(image_.data(), file_size_, tags_);
    read_xid6(image_.data(), file_size_, tags_);
    limit_tag_lengths(tags_);

    if (settings_.use_internal_length) {
        if (const auto length = length_from_tags(tags_)) {
            tags_.song_length_ms = length->song_ms;
            tags_.fade_length_ms = length->fade_ms;
            tags_.detect_silence = false;
            settings_.length_limit = true;
        }
    }

    tags_.dsp_amplification = tags_.amplification != spc_tags::none32 && settings_.use_xid6_amp
                                  ? tags_.amplification >> 12
                                  : static_cast<uint32_t>(cfg_amplification.get());
}
