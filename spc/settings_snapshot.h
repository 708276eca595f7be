#pragma once
#include <cstdint>

// The settings as they were when a file was opened.
struct settings_snapshot {
    uint32_t sample_rate;
    uint32_t bits_per_sample;
    uint32_t channels;
    uint32_t mixing_mode;
    uint32_t interpolation;
    uint32_t dsp_options;
    uint32_t stereo_separation;
    bool fast_seek;
    bool use_xid6_amp;
    bool length_limit;
    bool use_internal_length;
    bool no_script700;
    bool write_all_xid6;

    static settings_snapshot take();
};
