#include "host/setting_names.h"

#include <charconv>
#include <climits>
#include <cstdio>
#include <initializer_list>
#include <iterator>

#include "host/file_commands.h"
#include "support/guid_text.h"

namespace {

enum class kind {
    rate,        // Hz, within the library's resampler range
    list,        // one of the named values
    flag,        // 0 off, 1 on
    mask,        // any bit pattern
    duration,    // milliseconds, within the library's 32-bit tick arithmetic
    level,       // amplification, 16 is unity
    separation,  // 0x10000 is 100 %
};

struct named_value {
    int32_t value;
    const char* name;
};

struct known_setting {
    const char* name;
    guid_t guid;
    kind what;
    std::initializer_list<named_value> names = {};
};

constexpr int32_t min_rate = 8000, max_rate = 192000;
// Milliseconds become 1/64000 s ticks in 32 bits.
constexpr int32_t max_duration_ms = 67108863;
constexpr int32_t max_level = 255;
constexpr int32_t full_separation = 0x10000;

const known_setting settings[] = {
    {"cfg_samplerate", {0xDBE7C79E, 0x25AA, 0x47E8, {0x95, 0x61, 0x77, 0x9D, 0x26, 0x29, 0x2F, 0x13}}, kind::rate},
    {"cfg_bitspersample", {0x5DB802FB, 0xA0EB, 0x4B54, {0x90, 0xFE, 0xB5, 0x79, 0x55, 0x04, 0x2B, 0xED}}, kind::list,
     {{8, "8-bit"}, {16, "16-bit"}, {24, "24-bit"}, {32, "32-bit"}}},
    {"cfg_channels", {0x6C5EB8D0, 0x277C, 0x4CF5, {0xAC, 0xD1, 0xF1, 0x43, 0xD2, 0x39, 0x53, 0x43}}, kind::list,
     {{1, "mono"}, {2, "stereo"}}},
    {"cfg_interpolation", {0x95ADC33A, 0xB84E, 0x4B07, {0xB7, 0x67, 0x0D, 0x30, 0xA0, 0xE6, 0x3D, 0x43}}, kind::list,
     {{0, "none"}, {1, "linear"}, {2, "cubic"}, {3, "gaussian"}, {4, "sinc"}, {7, "gaussian4"}}},
    {"cfg_dsp_options", {0x032D7E32, 0x868E, 0x41F7, {0x97, 0xE3, 0x8E, 0x63, 0x36, 0x97, 0xCE, 0x34}}, kind::mask},
    {"cfg_fast_seek", {0x16F8F107, 0x2201, 0x4415, {0x81, 0x12, 0x29, 0x5A, 0xEA, 0xE2, 0x7D, 0xE8}}, kind::flag},
    {"cfg_use_internal_length", {0x4A85C063, 0xF697, 0x4AFC, {0x99, 0x90, 0xB4, 0xF1, 0x06, 0xA3, 0xD5, 0x48}},
     kind::flag},
    {"cfg_force_length", {0x7F03E6DD, 0xDF8E, 0x49B7, {0xA9, 0x2C, 0x7C, 0x94, 0x4E, 0x9C, 0xE9, 0x60}}, kind::flag},
    {"cfg_song_length", {0x51B67B9B, 0xC10C, 0x480C, {0x95, 0x0D, 0x89, 0x9E, 0x7C, 0xE4, 0x38, 0x2E}},
     kind::duration},
    {"cfg_fade_length", {0x4C6B7F2E, 0x8B30, 0x4BCE, {0x91, 0x2A, 0xF5, 0x17, 0x46, 0xC4, 0x3E, 0x7F}},
     kind::duration},
    {"cfg_amplification", {0x21BFB1C2, 0xAC00, 0x472A, {0xA0, 0xEC, 0xB9, 0x7C, 0x77, 0x14, 0x75, 0xD9}}, kind::level},
    {"cfg_stereo_separation", {0x0C8C5078, 0x1E5F, 0x4C96, {0x99, 0x1B, 0x5F, 0xD4, 0x46, 0x2A, 0x24, 0x3D}},
     kind::separation},
    {"cfg_spc_extension", {0xC08E85E8, 0xE637, 0x41DF, {0x82, 0x86, 0x59, 0x4D, 0xB0, 0x84, 0x86, 0x85}}, kind::flag},
    {"cfg_no_script700", {0x4DBDFDD6, 0xD17B, 0x4436, {0x83, 0x55, 0x7B, 0x64, 0x02, 0xB6, 0xC0, 0x72}}, kind::flag},
    {"cfg_use_xid6_amp", {0x6A2A2C8F, 0x104C, 0x4CD8, {0xA7, 0x4E, 0xB2, 0x7B, 0xC0, 0x13, 0x0A, 0x52}}, kind::flag},
    {"cfg_write_all_xid6", {0xFB23C548, 0x0310, 0x40AF, {0xAB, 0x4D, 0xFD, 0x68, 0x65, 0x7C, 0x98, 0x05}}, kind::flag},
};

// The DSP option bits with a meaning, in bit order.
constexpr named_value dsp_option_names[] = {
    {0x1, "analog low-pass"},   {0x2, "old BRR"},         {0x4, "surround"},        {0x8, "reverse stereo"},
    {0x10, "no echo"},          {0x20, "no pitch mod"},   {0x40, "no pitch read"},  {0x80, "no FIR"},
    {0x100, "bass boost"},      {0x200, "no envelope"},   {0x400, "no noise"},      {0x800, "echo map"},
    {0x1000, "no surround"},    {INT32_MIN, "no volume safe"},
};

const known_setting* find(const guid_t& guid) {
    for (const auto& row : settings) {
        if (row.guid == guid) return &row;
    }
    return nullptr;
}

std::string list_names(const known_setting& row) {
    std::string text;
    for (const auto& named : row.names) {
        if (!text.empty()) text += ", ";
        text += std::to_string(named.value) + " (" + named.name + ")";
    }
    return text;
}

std::string dsp_options_meaning(int32_t value) {
    if (value == 0) return "none";
    std::string text;
    auto rest = static_cast<uint32_t>(value);
    for (const auto& named : dsp_option_names) {
        const auto bit = static_cast<uint32_t>(named.value);
        if (!(rest & bit)) continue;
        rest &= ~bit;
        text += text.empty() ? "" : ", ";
        text += named.name;
    }
    if (rest) {
        char hex[32];
        std::snprintf(hex, sizeof hex, "%sbits 0x%X", text.empty() ? "" : ", ", rest);
        text += hex;
    }
    return text;
}

}  // namespace

std::string setting_display_name(const guid_t& guid) {
    const known_setting* row = find(guid);
    return row ? row->name : guid_text(guid);
}

size_t setting_order(const guid_t& guid) {
    const known_setting* row = find(guid);
    return row ? static_cast<size_t>(row - settings) : std::size(settings);
}

std::optional<guid_t> setting_guid(const std::string& name_or_guid) {
    for (const auto& row : settings) {
        if (name_or_guid == row.name) return row.guid;
    }
    return parse_guid_text(name_or_guid);
}

std::optional<std::string> setting_problem(const guid_t& guid, int32_t value) {
    const known_setting* row = find(guid);
    if (!row) return std::nullopt;
    switch (row->what) {
    case kind::rate:
        if (value >= min_rate && value <= max_rate) return std::nullopt;
        return "must be " + std::to_string(min_rate) + " to " + std::to_string(max_rate) + " Hz";
    case kind::list:
        for (const auto& named : row->names) {
            if (named.value == value) return std::nullopt;
        }
        return "must be one of " + list_names(*row);
    case kind::flag:
        if (value == 0 || value == 1) return std::nullopt;
        return "must be 0 (off) or 1 (on)";
    case kind::mask: return std::nullopt;
    case kind::duration:
        if (value >= 0 && value <= max_duration_ms) return std::nullopt;
        return "must be 0 to " + std::to_string(max_duration_ms) + " milliseconds";
    case kind::level:
        if (value >= 0 && value <= max_level) return std::nullopt;
        return "must be 0 to " + std::to_string(max_level) + " (16 plays at unity)";
    case kind::separation:
        if (value >= 0 && value <= full_separation) return std::nullopt;
        return "must be 0 to " + std::to_string(full_separation) + " (65536 is 100 %)";
    }
    return std::nullopt;
}

std::string setting_meaning(const guid_t& guid, int32_t value) {
    const known_setting* row = find(guid);
    if (!row || setting_problem(guid, value)) return {};
    char text[64];
    switch (row->what) {
    case kind::rate: std::snprintf(text, sizeof text, "%g kHz", value / 1000.0); return text;
    case kind::list:
        for (const auto& named : row->names) {
            if (named.value == value) return named.name;
        }
        return {};
    case kind::flag: return value ? "on" : "off";
    case kind::mask: return dsp_options_meaning(value);
    case kind::duration: return format_length(value / 1000.0);
    case kind::level: std::snprintf(text, sizeof text, "x%.4g", value / 16.0); return text;
    case kind::separation: std::snprintf(text, sizeof text, "%.4g %%", value * 100.0 / full_separation); return text;
    }
    return {};
}

std::optional<int32_t> parse_setting_value(const guid_t& guid, const std::string& text) {
    if (const known_setting* row = find(guid)) {
        for (const auto& named : row->names) {
            if (text == named.name) return named.value;
        }
    }
    int64_t value = 0;
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end) return std::nullopt;
    if (value < INT32_MIN || value > int64_t(UINT32_MAX)) return std::nullopt;
    return static_cast<int32_t>(static_cast<uint32_t>(value));
}
