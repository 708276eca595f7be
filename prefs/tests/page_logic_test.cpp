// The preferences page's logic over in-memory controls and the component's
// own settings.
#include <gtest/gtest.h>

#include "prefs/page_lists.h"
#include "prefs/page_logic.h"
#include "prefs/setting_table.h"
#include "prefs/settings.h"
#include "prefs/tests/memory_page_controls.h"
#include "sdk/service_impl.h"

namespace {

class counting_callback : public preferences_page_callback {
public:
    void on_state_changed() override { ++calls; }
    int calls = 0;
};

class page_logic_test : public testing::Test {
protected:
    page_logic_test() {
        reset_settings();
        controls_.on_command = [this](int id, int code) { page_.on_command(id, code); };
    }
    ~page_logic_test() override { reset_settings(); }

    static void reset_settings() {
        for (const auto& row : setting_table) setting_variable(row) = row.default_value;
    }
    // What each control shows: a list its selected label, a box its text.
    void expect_texts(std::initializer_list<std::pair<int, const char*>> expected) {
        for (const auto& [id, text] : expected) EXPECT_EQ(controls_.text(id), text) << "control " << id;
    }

    service_impl_single_t<counting_callback> callback_;
    memory_page_controls controls_;
    preferences_page_logic page_{controls_, &callback_};
};

constexpr uint32_t changed = preferences_state::resettable | preferences_state::changed;
constexpr uint32_t unchanged = preferences_state::resettable;

TEST_F(page_logic_test, every_setting_is_shown_and_applied_back) {
    const std::pair<cfg_int_t<int>*, int32_t> values[] = {
        {&cfg_samplerate, 44100}, {&cfg_bitspersample, 24}, {&cfg_channels, 1}, {&cfg_interpolation, 7},
        {&cfg_dsp_options, int32_t(0x80000001u)}, {&cfg_fast_seek, 0}, {&cfg_use_internal_length, 0},
        {&cfg_force_length, 0}, {&cfg_song_length, 123456}, {&cfg_fade_length, 0}, {&cfg_amplification, 200},
        {&cfg_stereo_separation, 43909}, {&cfg_spc_extension, 0}, {&cfg_no_script700, 1}, {&cfg_use_xid6_amp, 0},
        {&cfg_write_all_xid6, 0}};
    for (const auto& [variable, value] : values) *variable = value;
    std::vector<int32_t> stored;
    for (const auto& row : setting_table) stored.push_back(setting_variable(row));

    page_.initialize();
    expect_texts({{1000, "44100"}, {1011, "24"}, {1012, "Mono"}, {1002, "Gaussian4"}, {1026, "67"},
                  {1009, "123456"}, {1010, "0"}, {1017, "200"}});
    const std::pair<int, bool> boxes[] = {{1003, true}, {1025, true}, {1007, false}, {1014, false}, {1029, true}};
    for (const auto& [id, checked] : boxes) EXPECT_EQ(controls_.checks[id], checked) << "box " << id;
    EXPECT_EQ(controls_.slider, 200);
    EXPECT_EQ(controls_.slider_ticks, 16);
    EXPECT_EQ(page_.state(), unchanged);

    reset_settings();
    EXPECT_EQ(page_.state(), changed);
    page_.apply();
    for (size_t i = 0; i < std::size(setting_table); ++i) {
        EXPECT_EQ(setting_variable(setting_table[i]).get(), stored[i]) << setting_table[i].name;
    }
    EXPECT_EQ(page_.state(), unchanged);
}

TEST_F(page_logic_test, lists_carry_their_values_and_an_unlisted_value_selects_the_first) {
    page_.initialize();
    ASSERT_EQ(controls_.lists[1026].entries.size(), 15u);
    EXPECT_EQ(controls_.lists[1026].entries[7], std::make_pair(std::string("50"), 32768u));
    EXPECT_EQ(controls_.lists[1026].entries[14], std::make_pair(std::string("100"), 65536u));
    EXPECT_EQ(controls_.lists[1000].entries.size(), 13u);

    cfg_samplerate = 12345;
    page_.initialize();
    expect_texts({{1000, "8000"}});
    EXPECT_EQ(page_.state(), changed);
    page_.apply();
    EXPECT_EQ(cfg_samplerate.get(), 8000);

    // Filling again does not add to what the list held.
    EXPECT_EQ(controls_.lists[1000].entries.size(), 13u);
}

TEST_F(page_logic_test, dsp_bits_without_a_box_never_differ_and_are_cleared_on_apply) {
    cfg_dsp_options = 0x00004010;
    page_.initialize();
    for (const auto& box : dsp_option_boxes) EXPECT_EQ(controls_.checks[box.control_id], box.control_id == 1007);
    EXPECT_EQ(page_.state(), unchanged);
    page_.apply();
    EXPECT_EQ(cfg_dsp_options.get(), 0x10);
}

TEST_F(page_logic_test, the_test_after_a_notification_compares_only_that_control) {
    page_.initialize();
    controls_.click(1007);                // "Disable echo" now differs
    controls_.choose(1000, 0);            // another rate
    controls_.choose(1000, 5);            // and the stored one again
    EXPECT_EQ(page_.state(), unchanged);  // only the rate list was compared
    EXPECT_EQ(page_.state(), changed);    // now every control is

    controls_.click(1007);
    EXPECT_EQ(page_.state(), unchanged) << "the box alone, back as stored";
    controls_.type(1009, "1000");
    EXPECT_EQ(page_.state(), changed);
}

TEST_F(page_logic_test, notifications_of_the_page_controls_only) {
    page_.initialize();
    const int before = callback_.calls;
    EXPECT_TRUE(page_.on_command(1003, 5)) << "check boxes count whatever the code";
    EXPECT_TRUE(page_.on_command(1027, 0));
    EXPECT_TRUE(page_.on_command(1010, notify_text_changed));
    EXPECT_TRUE(page_.on_command(1026, notify_selection_changed));
    EXPECT_FALSE(page_.on_command(1009, notify_selection_changed));
    EXPECT_FALSE(page_.on_command(1000, notify_text_changed));
    EXPECT_FALSE(page_.on_command(volume_display_id, notify_text_changed));
    EXPECT_FALSE(page_.on_command(1015, 0));
    EXPECT_EQ(callback_.calls, before + 4);
}

TEST_F(page_logic_test, slider_shows_its_position_at_once_and_stops_at_255) {
    page_.initialize();
    controls_.set_slider_position(1015, 37);
    page_.on_volume_scroll();
    EXPECT_EQ(controls_.texts[volume_display_id], "37");
    EXPECT_EQ(page_.state(), changed);
    page_.apply();
    EXPECT_EQ(cfg_amplification.get(), 37);

    controls_.set_slider_position(1015, 300);
    page_.on_volume_scroll();
    EXPECT_EQ(controls_.texts[volume_display_id], "255");
}

TEST_F(page_logic_test, stored_amplification_beyond_the_slider_is_shown_and_reported) {
    cfg_amplification = 300;
    page_.initialize();
    EXPECT_EQ(controls_.texts[volume_display_id], "300");
    EXPECT_EQ(controls_.slider, 255);
    EXPECT_EQ(page_.state(), changed);
}

TEST_F(page_logic_test, number_boxes_read_unsigned_decimal_text_and_anything_else_as_zero) {
    cfg_song_length = -1;
    page_.initialize();
    EXPECT_EQ(controls_.texts[1009], "4294967295");
    EXPECT_EQ(page_.state(), unchanged);

    controls_.type(1009, "");
    controls_.type(1010, "12x");
    page_.apply();
    EXPECT_EQ(cfg_song_length.get(), 0);
    EXPECT_EQ(cfg_fade_length.get(), 0);

    controls_.type(1009, "4294967296");
    controls_.type(1010, "3000000000");
    page_.apply();
    EXPECT_EQ(cfg_song_length.get(), 0);
    EXPECT_EQ(static_cast<uint32_t>(cfg_fade_length.get()), 3000000000u);

    const std::pair<const char*, uint32_t> numbers[] = {
        {"0042", 42}, {"4294967295", 4294967295u}, {"99999999999", 0}, {" 1", 0}, {"-1", 0}};
    for (const auto& [text, number] : numbers) EXPECT_EQ(page_number(text), number) << text;
}

TEST_F(page_logic_test, a_flag_other_than_0_or_1_shows_checked_and_applies_as_1) {
    cfg_force_length = 2;
    page_.initialize();
    EXPECT_TRUE(controls_.checks[1008]);
    EXPECT_EQ(page_.state(), changed);
    page_.apply();
    EXPECT_EQ(cfg_force_length.get(), 1);
}

TEST_F(page_logic_test, reset_shows_the_defaults_and_leaves_the_settings_until_applied) {
    cfg_samplerate = 48000;
    cfg_dsp_options = 0x10;
    cfg_no_script700 = 1;
    cfg_amplification = 40;
    cfg_song_length = 1000;
    page_.initialize();
    const int before = callback_.calls;
    page_.reset();
    EXPECT_GT(callback_.calls, before);
    expect_texts({{1000, "32000"}, {1002, "Gaussian"}, {1011, "16"}, {1012, "Stereo"}, {1026, "50"},
                  {1009, "180000"}, {1010, "2000"}, {volume_display_id, "16"}});
    EXPECT_EQ(page_.state(), changed) << "the number boxes' notifications must not narrow the test";
    EXPECT_EQ(cfg_samplerate.get(), 48000);

    page_.apply();
    for (const auto& row : setting_table) EXPECT_EQ(setting_variable(row).get(), row.default_value) << row.name;
    page_.reset();
    EXPECT_EQ(page_.state(), unchanged);
}

TEST_F(page_logic_test, initialisation_clears_what_its_own_writes_notified) {
    cfg_song_length = 5;
    page_.initialize();
    EXPECT_GE(callback_.calls, 2) << "both number boxes notified";
    cfg_channels = 1;  // differs from the list, which the number boxes' notifications must not hide
    EXPECT_EQ(page_.state(), changed);
}

}  // namespace
