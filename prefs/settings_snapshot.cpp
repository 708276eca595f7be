#include "prefs/settings_snapshot.h"

#include "prefs/settings.h"

settings_snapshot settings_snapshot::take() {
    settings_snapshot s;
    s.sample_rate = static_cast<uint32_t>(cfg_samplerate.get());
    s.bits_per_sample = static_cast<uint32_t>(cfg_bitspersample.get());
    s.channels = static_cast<uint32_t>(cfg_channels.get());
    s.interpolation = static_cast<uint32_t>(cfg_interpolation.get());
    s.dsp_options = static_cast<uint32_t>(cfg_dsp_options.get());
    s.stereo_separation = static_cast<uint32_t>(cfg_stereo_separation.get());
    s.amplification = static_cast<uint32_t>(cfg_amplification.get());
    s.song_length_ms = static_cast<uint32_t>(cfg_song_length.get());
    s.fade_length_ms = static_cast<uint32_t>(cfg_fade_length.get());
    s.fast_seek = cfg_fast_seek != 0;
    s.use_xid6_amp = cfg_use_xid6_amp != 0;
    s.force_length = cfg_force_length != 0;
    s.use_internal_length = cfg_use_internal_length != 0;
    s.no_script700 = cfg_no_script700 != 0;
    s.write_all_xid6 = cfg_write_all_xid6 != 0;
    return s;
}
