#include "prefs/settings.h"

#include "prefs/setting_table.h"
#include "sdk/exceptions.h"

// Constructed in the table's order; each pushes itself at the front of both
// lists, so the stream lists them in reverse.
#define VELMO_SETTING(variable) \
    cfg_int_t<int> variable(setting_named(#variable).guid, setting_named(#variable).default_value)

VELMO_SETTING(cfg_samplerate);
VELMO_SETTING(cfg_bitspersample);
VELMO_SETTING(cfg_channels);
VELMO_SETTING(cfg_interpolation);
VELMO_SETTING(cfg_dsp_options);
VELMO_SETTING(cfg_fast_seek);
VELMO_SETTING(cfg_use_internal_length);
VELMO_SETTING(cfg_force_length);
VELMO_SETTING(cfg_song_length);
VELMO_SETTING(cfg_fade_length);
VELMO_SETTING(cfg_amplification);
VELMO_SETTING(cfg_stereo_separation);
VELMO_SETTING(cfg_spc_extension);
VELMO_SETTING(cfg_no_script700);
VELMO_SETTING(cfg_use_xid6_amp);
VELMO_SETTING(cfg_write_all_xid6);

#undef VELMO_SETTING

cfg_int_t<int>& setting_variable(const setting_row& row) {
    for (cfg_var_reader* var = cfg_var_reader::list_head(); var; var = var->next_reader()) {
        // Every setting of this component is a cfg_int_t<int>.
        if (var->guid() == row.guid) return static_cast<cfg_int_t<int>&>(*var);
    }
    throw exception_bug_check();
}
