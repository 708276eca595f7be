#include "spc/playback_plan.h"

#include "spc/tag_length.h"

playback_plan plan_playback(const spc_tags& tags, const settings_snapshot& settings) {
    playback_plan plan{settings.song_length_ms, settings.fade_length_ms, settings.force_length, true,
                       settings.amplification, tags.muted_voices};
    if (settings.use_internal_length) {
        if (const auto length = length_from_tags(tags)) {
            plan.song_ms = length->song_ms;
            plan.fade_ms = length->fade_ms;
            plan.detect_silence = false;
            plan.length_limit = true;
        }
    }
    if (tags.amplification != spc_tags::none32 && settings.use_xid6_amp) plan.dsp_amplification = tags.amplification >> 12;
    return plan;
}
