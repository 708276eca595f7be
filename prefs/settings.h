#pragma once
#include "sdk/cfg_var.h"

struct setting_row;

// The component's sixteen persistent settings.
extern cfg_int_t<int> cfg_samplerate;
extern cfg_int_t<int> cfg_bitspersample;
extern cfg_int_t<int> cfg_channels;
extern cfg_int_t<int> cfg_interpolation;
extern cfg_int_t<int> cfg_dsp_options;
extern cfg_int_t<int> cfg_fast_seek;
extern cfg_int_t<int> cfg_use_internal_length;
extern cfg_int_t<int> cfg_force_length;
extern cfg_int_t<int> cfg_song_length;
extern cfg_int_t<int> cfg_fade_length;
extern cfg_int_t<int> cfg_amplification;
extern cfg_int_t<int> cfg_stereo_separation;
extern cfg_int_t<int> cfg_spc_extension;
extern cfg_int_t<int> cfg_no_script700;
extern cfg_int_t<int> cfg_use_xid6_amp;
extern cfg_int_t<int> cfg_write_all_xid6;

// The variable of a table entry.
cfg_int_t<int>& setting_variable(const setting_row& row);
