#pragma once
#include <cstdint>

#include "support/string8.h"

// Tag values of one SPC file and the effective playback values derived from them.
struct spc_tags {
    static constexpr uint32_t none32 = 0xFFFFFFFFu;
    static constexpr uint16_t none16 = 0xFFFF;
    static constexpr int32_t none_end = 0x7FFFFFFF;

    string8_t title, game, artist, dumper, comment;
    string8_t ost_title, ost_disc, ost_track, publisher, copyright_year;
    string8_t emulator, dump_date;

    uint32_t intro_ms = 0;
    uint32_t loop_ms = 0;
    int32_t end_ms = 0;
    uint32_t loop_count = 1;
    uint32_t fade_ms = 0;
    uint16_t muted_voices = 0;
    uint32_t amplification = none32;

    // Extended-tag values exactly as stored, so they can be written back unchanged.
    uint16_t emulator_code = none16;
    uint32_t dump_date_raw = none32;
    uint32_t intro_ticks = none32;
    uint32_t loop_ticks = none32;
    int32_t end_ticks = none_end;
    uint16_t loop_count_raw = none16;
    uint32_t fade_ticks = none32;
    uint32_t amplification_raw = none32;

    uint32_t trailing_bytes = 0;
    uint32_t dsp_amplification = 0x10000;

    // Effective values: the settings' at open, replaced by the tag's.
    uint32_t song_length_ms = 0;
    uint32_t fade_length_ms = 0;
    bool detect_silence = true;

    // Everything but the effective lengths back to "nothing read".
    void reset();
};

// Emulator names by code 0..8, shared by both tag kinds.
inline constexpr const char* emulator_names[9] = {"unknown", "ZSNES", "Snes9x", "ZST2SPC", "ETC",
                                                   "SNEShout", "ZSNES/W", "Snes9xpp", "SNESGT"};

// Reads the ID666 tag from the image header; bytes past the image read as 0.
void read_id666(const uint8_t* image, uint32_t size, spc_tags& tags);
// Reads the XID6 chunk after the snapshot and measures trailing_bytes; never
// reads outside the image.
void read_xid6(const uint8_t* image, uint32_t size, spc_tags& tags);
