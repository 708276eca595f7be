#pragma once
#include <cstdint>

#include "support/string8.h"

// What one SPC file's tags say, and nothing else.
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
};

// Emulator names by code 0..8, shared by both tag kinds.
inline constexpr const char* emulator_names[9] = {"unknown", "ZSNES", "Snes9x", "ZST2SPC", "ETC",
                                                   "SNEShout", "ZSNES/W", "Snes9xpp", "SNESGT"};

// Reads the ID666 tag from the image header; bytes past the image read as 0.
void read_id666(const uint8_t* image, uint32_t size, spc_tags& tags);
// Reads the XID6 chunk after the snapshot and measures trailing_bytes; never
// reads outside the image.
void read_xid6(const uint8_t* image, uint32_t size, spc_tags& tags);
