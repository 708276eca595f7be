#pragma once
#include <cstdint>
#include <span>

// The five lists of the preferences page: each entry's label and the value it
// stands for, attached to it as item data.

struct list_entry {
    const char* label;
    uint32_t value;
};

struct page_list {
    int control_id;
    // Read back as the number in the selected label rather than as item data.
    bool value_from_label;
    std::span<const list_entry> entries;
};

inline constexpr list_entry sample_rate_entries[] = {
    {"8000", 8000},   {"11025", 11025}, {"16000", 16000}, {"22050", 22050},   {"24000", 24000},
    {"32000", 32000}, {"44100", 44100}, {"48000", 48000}, {"64000", 64000},   {"88200", 88200},
    {"96000", 96000}, {"176400", 176400}, {"192000", 192000},
};
inline constexpr list_entry bits_per_sample_entries[] = {{"8", 8}, {"16", 16}, {"24", 24}, {"32", 32}};
inline constexpr list_entry channel_entries[] = {{"Mono", 1}, {"Stereo", 2}};
inline constexpr list_entry interpolation_entries[] = {{"None", 0}, {"Linear", 1}, {"Cubic", 2},
                                                       {"Gaussian", 3}, {"Sinc", 4}, {"Gaussian4", 7}};
// Percent x 65536 / 100, rounded down.
inline constexpr list_entry stereo_separation_entries[] = {
    {"0", 0},      {"10", 6553},   {"20", 13107},  {"25", 16384}, {"30", 19660},
    {"33", 21626}, {"40", 26214},  {"50", 32768},  {"60", 39321}, {"67", 43909},
    {"70", 45875}, {"75", 49152},  {"80", 52428},  {"90", 58982}, {"100", 65536},
};

inline constexpr page_list page_lists[] = {
    {1000, true, sample_rate_entries},
    {1011, true, bits_per_sample_entries},
    {1012, false, channel_entries},
    {1002, false, interpolation_entries},
    {1026, false, stereo_separation_entries},
};

// The fourteen DSP option boxes and their bits, in the order the page walks them.
struct dsp_option_box {
    int control_id;
    uint32_t bit;
};

inline constexpr dsp_option_box dsp_option_boxes[] = {
    {1004, 0x2},   {1005, 0x4},   {1006, 0x8},    {1007, 0x10},   {1019, 0x20},  {1020, 0x40}, {1018, 0x80},
    {1016, 0x100}, {1021, 0x200}, {1022, 0x400}, {1023, 0x800}, {1024, 0x1000}, {1003, 0x1}, {1025, 0x80000000},
};

// Shows the slider's position.
inline constexpr int volume_display_id = 1017;
