#include "spc/spc_tags.h"

void spc_tags::reset() {
    uint32_t song = song_length_ms;
    uint32_t fade = fade_length_ms;
    *this = spc_tags();
    song_length_ms = song;
    fade_length_ms = fade;
}
