#pragma once
#include <cstdint>

#include "prefs/settings_snapshot.h"
#include "spc/spc_tags.h"

// How an opened file plays, decided once from its tags and the settings
// snapshot; the decoder and the track-info report only read it.
struct playback_plan {
    uint32_t song_ms;
    uint32_t fade_ms;
    // Ends the song after song_ms + fade_ms, and makes it seekable.
    bool length_limit;
    // Ends the song after 5 s without a sounding voice.
    bool detect_silence;
    uint32_t dsp_amplification;
    uint16_t muted_voices;
};

// The tags' own length when they give one and the settings let them, else
// the settings' lengths; the XID6 amplification when allowed, else the
// setting's.
playback_plan plan_playback(const spc_tags& tags, const settings_snapshot& settings);

// The plan a playback start plays by (a conversion keeps the file's): to the
// length, fade included, so that the end sounds the same with or without a
// seek back.
inline playback_plan for_playback_start(playback_plan plan) {
    plan.length_limit = true;
    return plan;
}
