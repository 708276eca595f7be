#pragma once
#include <cstdint>

// Every setting an opened file's handling reads, as it was when the file was
// opened: later changes reach only files opened after them.
struct settings_snapshot {
    uint32_t sample_rate;
    uint32_t bits_per_sample;
    uint32_t channels;
    uint32_t interpolation;
    uint32_t dsp_options;
    uint32_t stereo_separation;
    uint32_t amplification;
    uint32_t song_length_ms;
    uint32_t fade_length_ms;
    bool fast_seek;
    bool use_xid6_amp;
    bool force_length;
    bool use_internal_length;
    bool no_script700;
    bool write_all_xid6;

    static settings_snapshot take();
};
