#pragma once
#include <cstdint>
#include <string_view>

#include "sdk/guid.h"

// The sixteen settings in the order the component constructs them: the one
// place that names them, gives their GUIDs and defaults and says which control
// of the preferences page edits each. The configuration stream, the host's
// setting names and the page all read this table.

enum class page_control_kind {
    list,        // a drop-down list of labelled values
    dsp_boxes,   // fourteen check boxes, one per option bit
    check_box,   // a flag: 0 or 1
    number_box,  // an unsigned decimal number
    slider,      // a trackbar with its value shown beside it
};

struct setting_row {
    const char* name;
    guid_t guid;
    int32_t default_value;
    page_control_kind control_kind;
    int control_id;  // 0 for the DSP option bits, which have a box per bit
};

inline constexpr setting_row setting_table[] = {
    {"cfg_samplerate", {0xDBE7C79E, 0x25AA, 0x47E8, {0x95, 0x61, 0x77, 0x9D, 0x26, 0x29, 0x2F, 0x13}}, 32000,
     page_control_kind::list, 1000},
    {"cfg_bitspersample", {0x5DB802FB, 0xA0EB, 0x4B54, {0x90, 0xFE, 0xB5, 0x79, 0x55, 0x04, 0x2B, 0xED}}, 16,
     page_control_kind::list, 1011},
    {"cfg_channels", {0x6C5EB8D0, 0x277C, 0x4CF5, {0xAC, 0xD1, 0xF1, 0x43, 0xD2, 0x39, 0x53, 0x43}}, 2,
     page_control_kind::list, 1012},
    {"cfg_interpolation", {0x95ADC33A, 0xB84E, 0x4B07, {0xB7, 0x67, 0x0D, 0x30, 0xA0, 0xE6, 0x3D, 0x43}}, 3,
     page_control_kind::list, 1002},
    {"cfg_dsp_options", {0x032D7E32, 0x868E, 0x41F7, {0x97, 0xE3, 0x8E, 0x63, 0x36, 0x97, 0xCE, 0x34}}, 0,
     page_control_kind::dsp_boxes, 0},
    {"cfg_fast_seek", {0x16F8F107, 0x2201, 0x4415, {0x81, 0x12, 0x29, 0x5A, 0xEA, 0xE2, 0x7D, 0xE8}}, 1,
     page_control_kind::check_box, 1014},
    {"cfg_use_internal_length", {0x4A85C063, 0xF697, 0x4AFC, {0x99, 0x90, 0xB4, 0xF1, 0x06, 0xA3, 0xD5, 0x48}}, 1,
     page_control_kind::check_box, 1013},
    {"cfg_force_length", {0x7F03E6DD, 0xDF8E, 0x49B7, {0xA9, 0x2C, 0x7C, 0x94, 0x4E, 0x9C, 0xE9, 0x60}}, 1,
     page_control_kind::check_box, 1008},
    {"cfg_song_length", {0x51B67B9B, 0xC10C, 0x480C, {0x95, 0x0D, 0x89, 0x9E, 0x7C, 0xE4, 0x38, 0x2E}}, 180000,
     page_control_kind::number_box, 1009},
    {"cfg_fade_length", {0x4C6B7F2E, 0x8B30, 0x4BCE, {0x91, 0x2A, 0xF5, 0x17, 0x46, 0xC4, 0x3E, 0x7F}}, 2000,
     page_control_kind::number_box, 1010},
    {"cfg_amplification", {0x21BFB1C2, 0xAC00, 0x472A, {0xA0, 0xEC, 0xB9, 0x7C, 0x77, 0x14, 0x75, 0xD9}}, 16,
     page_control_kind::slider, 1015},
    {"cfg_stereo_separation", {0x0C8C5078, 0x1E5F, 0x4C96, {0x99, 0x1B, 0x5F, 0xD4, 0x46, 0x2A, 0x24, 0x3D}}, 32768,
     page_control_kind::list, 1026},
    {"cfg_spc_extension", {0xC08E85E8, 0xE637, 0x41DF, {0x82, 0x86, 0x59, 0x4D, 0xB0, 0x84, 0x86, 0x85}}, 1,
     page_control_kind::check_box, 1027},
    {"cfg_no_script700", {0x4DBDFDD6, 0xD17B, 0x4436, {0x83, 0x55, 0x7B, 0x64, 0x02, 0xB6, 0xC0, 0x72}}, 0,
     page_control_kind::check_box, 1029},
    {"cfg_use_xid6_amp", {0x6A2A2C8F, 0x104C, 0x4CD8, {0xA7, 0x4E, 0xB2, 0x7B, 0xC0, 0x13, 0x0A, 0x52}}, 1,
     page_control_kind::check_box, 1028},
    {"cfg_write_all_xid6", {0xFB23C548, 0x0310, 0x40AF, {0xAB, 0x4D, 0xFD, 0x68, 0x65, 0x7C, 0x98, 0x05}}, 1,
     page_control_kind::check_box, 1030},
};

// The entry of a name; a name missing from the table does not compile where
// it is looked up at compile time.
consteval const setting_row& setting_named(std::string_view name) {
    for (const auto& row : setting_table) {
        if (name == row.name) return row;
    }
    throw "no such setting";
}
