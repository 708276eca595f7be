#include "spc/tag_length.h"

#include <algorithm>

namespace {
constexpr uint32_t max_length_ms = 5999999;  // 99:59.999
}

void limit_tag_lengths(spc_tags& tags) {
    tags.intro_ms = std::min(tags.intro_ms, max_length_ms);
    tags.loop_ms = std::min(tags.loop_ms, max_length_ms);
    tags.fade_ms = std::min(tags.fade_ms, max_length_ms);
    tags.end_ms = std::min(tags.end_ms, static_cast<int32_t>(max_length_ms));
}

std::optional<tag_length> length_from_tags(const spc_tags& tags) {
    uint32_t length = 0;
    if (tags.loop_ms != 0 || tags.end_ms != 0) {
        // An extended intro counts with a loop or end; an ID666 length does not.
        int32_t total = static_cast<int32_t>(tags.loop_ms * tags.loop_count) + tags.end_ms;
        if (tags.intro_ticks != spc_tags::none32) total += static_cast<int32_t>(tags.intro_ms);
        if (total > 0) length = static_cast<uint32_t>(total);
    }
    if (length == 0) length = tags.intro_ms;
    if (length == 0) return std::nullopt;
    return tag_length{length, tags.fade_ms};
}
