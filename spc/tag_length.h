#pragma once
#include <cstdint>
#include <optional>

#include "spc/spc_tags.h"

// The playing length that a file's own tags give.
struct tag_length {
    uint32_t song_ms;
    uint32_t fade_ms;
};

// Limits the tags' lengths to 99:59.999 each.
void limit_tag_lengths(spc_tags& tags);

// From the XID6 loop and end lengths (with an XID6 intro), else from the
// ID666 or XID6 intro length; nothing when the tags give no length.
std::optional<tag_length> length_from_tags(const spc_tags& tags);
