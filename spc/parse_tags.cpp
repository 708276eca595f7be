#include <algorithm>

#include "prefs/settings.h"
#include "spc/input_velmo.h"

namespace {
constexpr uint32_t max_length_ms = 5999999;  // 99:59.999
}

void input_velmo::parse_tags() {
    read_id666(image_.data(), file_size_, tags_);
    read_xid6(image_.data(), file_size_, tags_);

    tags_.intro_ms = std::min(tags_.intro_ms, max_length_ms);
    tags_.loop_ms = std::min(tags_.loop_ms, max_length_ms);
    tags_.fade_ms = std::min(tags_.fade_ms, max_length_ms);
    tags_.end_ms = std::min(tags_.end_ms, static_cast<int32_t>(max_length_ms));

    if (settings_.use_internal_length) {
        uint32_t length = 0;
        if (tags_.loop_ms != 0 || tags_.end_ms != 0) {
            // An extended intro counts with a loop or end; an ID666 length does not.
            int32_t total = static_cast<int32_t>(tags_.loop_ms * tags_.loop_count) + tags_.end_ms;
            if (tags_.intro_ticks != spc_tags::none32) total += static_cast<int32_t>(tags_.intro_ms);
            if (total > 0) length = static_cast<uint32_t>(total);
        }
        if (length == 0) length = tags_.intro_ms;
        if (length != 0) {
            tags_.song_length_ms = length;
            tags_.fade_length_ms = tags_.fade_ms;
            tags_.detect_silence = false;
            settings_.length_limit = true;
        }
    }

    tags_.dsp_amplification = tags_.amplification != spc_tags::none32 && settings_.use_xid6_amp
                                  ? tags_.amplification >> 12
                                  : static_cast<uint32_t>(cfg_amplification.get());
}
