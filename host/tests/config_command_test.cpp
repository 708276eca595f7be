#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "host/config_records.h"
#include "host/setting_names.h"
#include "host/tests/captured_command.h"
#include "testing/files.h"

namespace {

// The record of cfg_samplerate holding 32000, byte for byte.
const std::vector<uint8_t> samplerate_record = {0x9E, 0xC7, 0xE7, 0xDB, 0xAA, 0x25, 0xE8, 0x47, 0x95, 0x61, 0x77, 0x9D,
                                                0x26, 0x29, 0x2F, 0x13, 0x04, 0x00, 0x00, 0x00, 0x00, 0x7D, 0x00, 0x00};

TEST(config_records, read_and_write_the_stream_layout) {
    std::vector<config_record> records = parse_config_records(samplerate_record);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(guid_text(records[0].guid), "DBE7C79E-25AA-47E8-9561-779D26292F13");
    EXPECT_EQ(setting_display_name(records[0].guid), "cfg_samplerate");
    EXPECT_EQ(record_value(records[0]), 32000);
    EXPECT_EQ(write_config_records(records), samplerate_record);

    set_record_value(records[0], -2);
    EXPECT_EQ(record_value(records[0]), -2);
    EXPECT_EQ(records[0].data, (std::vector<uint8_t>{0xFE, 0xFF, 0xFF, 0xFF}));

    for (size_t cut = 1; cut < samplerate_record.size(); ++cut) {
        std::vector<uint8_t> shorter(samplerate_record.begin(), samplerate_record.end() - cut);
        EXPECT_THROW(parse_config_records(shorter), std::runtime_error) << cut;
    }
}

TEST(config_records, guid_text_reads_either_case_and_refuses_other_text) {
    auto guid = parse_guid_text("dbe7c79e-25aa-47e8-9561-779d26292f13");
    ASSERT_TRUE(guid.has_value());
    EXPECT_EQ(guid_text(*guid), "DBE7C79E-25AA-47E8-9561-779D26292F13");
    EXPECT_EQ(setting_guid("cfg_samplerate"), guid);
    EXPECT_FALSE(parse_guid_text("DBE7C79E-25AA-47E8-9561-779D26292F1").has_value());
    EXPECT_FALSE(parse_guid_text("DBE7C79E+25AA-47E8-9561-779D26292F13").has_value());
    EXPECT_FALSE(parse_guid_text("GBE7C79E-25AA-47E8-9561-779D26292F13").has_value());
    EXPECT_FALSE(setting_guid("cfg_sample_rate").has_value());
}

TEST(config_listing, names_known_settings_in_order_and_shows_the_rest_raw) {
    config_record foreign;
    foreign.guid = {0x01020304, 0x0506, 0x0708, {9, 10, 11, 12, 13, 14, 15, 16}};
    foreign.data = {0xAB, 0x01};
    config_record channels;
    channels.guid = *setting_guid("cfg_channels");
    set_record_value(channels, 1);
    std::vector<config_record> records = {foreign, channels};
    records.push_back(parse_config_records(samplerate_record)[0]);

    EXPECT_EQ(config_listing(records),
              "  cfg_samplerate: 32000 (32 kHz)\n"
              "  cfg_channels: 1 (mono)\n"
              "  01020304-0506-0708-090A-0B0C0D0E0F10: 2 bytes AB 01\n");
}

class config_command_test : public command_fixture<run_config_command> {
protected:
    int32_t value_of(const std::string& name) {
        for (const auto& record : parse_config_records(write_config())) {
            if (setting_display_name(record.guid) == name) return *record_value(record);
        }
        throw std::runtime_error("no setting " + name);
    }
};

TEST_F(config_command_test, lists_all_sixteen_settings_by_name) {
    ASSERT_EQ(run({}), 0);
    EXPECT_EQ(out_.rfind("son_velmo.dll\n  cfg_samplerate: 32000 (32 kHz)\n  cfg_bitspersample: 16 (16-bit)\n", 0), 0u) << out_;
    EXPECT_NE(out_.find("  cfg_stereo_separation: 32768 (50 %)\n"), std::string::npos);
    const std::string last = "  cfg_write_all_xid6: 1 (on)\n";
    ASSERT_GE(out_.size(), last.size());
    EXPECT_EQ(out_.substr(out_.size() - last.size()), last) << out_;
    EXPECT_EQ(std::count(out_.begin(), out_.end(), '\n'), 17);

    // Every GUID the component writes is one of the host's sixteen names.
    std::set<std::string> names;
    for (const auto& record : parse_config_records(write_config())) names.insert(setting_display_name(record.guid));
    EXPECT_EQ(names.size(), 16u);
    for (const auto& name : names) EXPECT_EQ(name.rfind("cfg_", 0), 0u) << name;
    EXPECT_TRUE(err_.empty()) << err_;
}

TEST_F(config_command_test, set_changes_one_setting_and_the_host_keeps_it) {
    ASSERT_EQ(run({"set", "cfg_samplerate", "48000"}), 0) << err_;
    EXPECT_EQ(out_, "son_velmo.dll\n  cfg_samplerate: 48000 (48 kHz)\n");
    EXPECT_EQ(value_of("cfg_samplerate"), 48000);
    EXPECT_EQ(value_of("cfg_bitspersample"), 16);

    // Saved when the host ends, and handed back to the next one.
    host_.reset();
    host_ = std::make_unique<host_with_component>(folder_.path());
    EXPECT_EQ(value_of("cfg_samplerate"), 48000);
}

// Any bit pattern where the host knows no bad one; a value that no playback
// can use is refused, naming the setting and what it takes.
TEST_F(config_command_test, takes_usable_values_and_refuses_the_rest) {
    ASSERT_EQ(run({"set", "cfg_dsp_options", "-5"}), 0);
    EXPECT_EQ(value_of("cfg_dsp_options"), -5);
    ASSERT_EQ(run({"set", "cfg_dsp_options", "-2147483648"}), 0);
    EXPECT_EQ(value_of("cfg_dsp_options"), INT32_MIN);
    ASSERT_EQ(run({"set", "cfg_dsp_options", "4294967295"}), 0);
    EXPECT_EQ(value_of("cfg_dsp_options"), -1);
    ASSERT_EQ(run({"set", "FB23C548-0310-40AF-AB4D-FD68657C9805", "0"}), 0);
    EXPECT_EQ(value_of("cfg_write_all_xid6"), 0);
    ASSERT_EQ(run({"set", "cfg_interpolation", "sinc"}), 0);
    EXPECT_EQ(out_, "son_velmo.dll\n  cfg_interpolation: 4 (sinc)\n");

    EXPECT_EQ(run({"set", "cfg_samplerate", "7"}), 2);
    EXPECT_EQ(err_, "config: cfg_samplerate 7: must be 8000 to 192000 Hz\n");
    EXPECT_EQ(run({"set", "cfg_song_length", "-5"}), 2);
    EXPECT_EQ(run({"set", "cfg_channels", "3"}), 2);
    EXPECT_EQ(err_, "config: cfg_channels 3: must be one of 1 (mono), 2 (stereo)\n");
    EXPECT_EQ(value_of("cfg_samplerate"), 32000);
    EXPECT_EQ(value_of("cfg_song_length"), 180000);
}

TEST_F(config_command_test, refuses_bad_values_and_unknown_names_without_changes) {
    const std::vector<uint8_t> before = write_config();
    for (const char* text : {"", "48k", "0x10", " 5", "4294967296", "-2147483649", "1e3", "--1"}) {
        EXPECT_EQ(run({"set", "cfg_samplerate", text}), 2) << text;
        EXPECT_EQ(err_, "config: " + std::string(text) + " is not a decimal 32-bit integer\n");
        EXPECT_TRUE(out_.empty());
    }
    EXPECT_EQ(run({"set", "cfg_sample_rate", "1"}), 2);
    EXPECT_EQ(err_, "config: unknown setting cfg_sample_rate\n");
    EXPECT_EQ(run({"set", "01020304-0506-0708-090A-0B0C0D0E0F10", "1"}), 2);
    EXPECT_EQ(std::count(err_.begin(), err_.end(), '\n'), 1);
    EXPECT_EQ(run({"set", "cfg_samplerate"}), 2);
    EXPECT_EQ(run({"get", "cfg_samplerate"}), 2);
    EXPECT_EQ(write_config(), before);
}

#ifndef _WIN32
// The installed program: the command line reaches the command, and a second
// run sees what the first saved.
TEST(config_program, set_persists_between_runs) {
    temp_folder folder;
    auto run = [&](const std::string& arguments, std::string& out) { return run_program(folder.path(), arguments, out); };
    std::string out;
    ASSERT_EQ(run("config set cfg_fade_length 2500", out), 0) << out;
    ASSERT_EQ(run("config", out), 0) << out;
    EXPECT_NE(out.find("  cfg_fade_length: 2500 (0:02.500)\n"), std::string::npos) << out;
    EXPECT_NE(run("config set cfg_fade_length fast", out), 0);
    EXPECT_EQ(out, "config: fast is not a decimal 32-bit integer\n");
}
#endif

}  // namespace
