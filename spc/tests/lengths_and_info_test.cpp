// Effective lengths and amplification derived from the tags and settings,
// and what the host is told about a file.
#include "spc/tests/input_fixture.h"

namespace {

using lengths_test = input_fixture;

spc_image_builder with_id666_length(const char* seconds, const char* fade) {
    return spc_image_builder().text_form("", seconds, fade, "");
}

TEST_F(lengths_test, id666_length_with_internal_lengths_on_and_off) {
    const playback_plan& on = plan_of(with_id666_length("180", "5000").build());
    EXPECT_EQ(on.song_ms, 180000u);
    EXPECT_EQ(on.fade_ms, 5000u);
    EXPECT_FALSE(on.detect_silence);
    EXPECT_TRUE(on.length_limit);

    cfg_use_internal_length = 0;
    cfg_song_length = 123000;
    cfg_fade_length = 4000;
    const playback_plan& off = plan_of(with_id666_length("180", "5000").build());
    EXPECT_EQ(off.song_ms, 123000u);
    EXPECT_EQ(off.fade_ms, 4000u);
    EXPECT_TRUE(off.detect_silence);
}

TEST_F(lengths_test, extended_loop_end_and_intro) {
    auto base = [] {
        spc_image_builder b = with_id666_length("300", "0");
        b.xid6_word(0x31, 10 * 64000).xid6_value(0x35, 2).xid6_word(0x32, 64000);
        return b;
    };
    EXPECT_EQ(plan_of(base().xid6_word(0x30, 5 * 64000).build()).song_ms, 26000u);
    EXPECT_EQ(plan_of(base().build()).song_ms, 21000u) << "the ID666 length is not added";
}

TEST_F(lengths_test, negative_total_falls_back_to_the_id666_length) {
    auto image = with_id666_length("60", "0").xid6_word(0x32, static_cast<uint32_t>(-20 * 64000)).build();
    EXPECT_EQ(plan_of(image).song_ms, 60000u);
}

TEST_F(lengths_test, no_length_anywhere_keeps_the_settings) {
    cfg_force_length = 0;
    const playback_plan& p = plan_of(spc_image_builder().build());
    EXPECT_EQ(p.song_ms, 180000u);
    EXPECT_EQ(p.fade_ms, 2000u);
    EXPECT_TRUE(p.detect_silence);
    EXPECT_FALSE(p.length_limit);
}

TEST_F(lengths_test, lengths_are_limited_to_99_59_999) {
    auto image = spc_image_builder().xid6_word(0x30, 0xFFFFFFC0).xid6_word(0x33, 0xFFFFFFC0).build();
    const spc_tags& t = tags_of(image);
    EXPECT_EQ(t.intro_ms, 5999999u);
    EXPECT_EQ(t.fade_ms, 5999999u);
    EXPECT_EQ(t.intro_ticks, 0xFFFFFFC0u) << "raw values stay as stored";
}

TEST_F(lengths_test, amplification_from_the_tag_or_the_setting) {
    EXPECT_EQ(plan_of(spc_image_builder().xid6_word(0x36, 0x30000).build()).dsp_amplification, 48u);
    EXPECT_EQ(plan_of(spc_image_builder().build()).dsp_amplification, 16u);
    cfg_use_xid6_amp = 0;
    cfg_amplification = 20;
    EXPECT_EQ(plan_of(spc_image_builder().xid6_word(0x36, 0x30000).build()).dsp_amplification, 20u);
}

using info_test = input_fixture;

TEST_F(info_test, fields_in_order_and_only_when_set) {
    auto image = spc_image_builder()
                     .common("Title", "Game", "", "Comment")
                     .text_form("03/15/1995", "120", "5000", "Ann, Bob, Cy", '1')
                     .xid6_text(0x13, "Publisher")
                     .xid6_value(0x14, 1995)
                     .xid6_value(0x12, 0x0341)
                     .xid6_value(0x36, 16)
                     .build();
    track_info_impl info = info_of(image);
    std::vector<std::string> names;
    for (uint32_t i = 0; i < info.meta_get_count(); ++i) names.push_back(info.meta_enum_name(i));
    EXPECT_EQ(names, (std::vector<std::string>{"title", "album", "artist", "comment", "copyright", "date",
                                               "tracknumber", "emulator"}));
    EXPECT_EQ(meta(info, "artist"), (std::vector<std::string>{"Ann", "Bob", "Cy"}));
    EXPECT_EQ(meta(info, "dumper"), std::vector<std::string>{}) << "empty fields are left out";
    EXPECT_EQ(meta(info, "tracknumber"), std::vector<std::string>{"3A"});
    EXPECT_EQ(meta(info, "emulator"), std::vector<std::string>{"ZSNES"});

    std::vector<std::string> info_names;
    for (uint32_t i = 0; i < info.info_get_count(); ++i) info_names.push_back(info.info_enum_name(i));
    EXPECT_EQ(info_names, (std::vector<std::string>{"spc_songlength", "spc_fadelength", "spc_dumped_date",
                                                    "spc_amplification", "codec"}));
    const std::pair<const char*, const char*> values[] = {{"spc_songlength", "120000"}, {"spc_fadelength", "5000"},
        {"spc_dumped_date", "1995-03-15"}, {"spc_amplification", "65536"}, {"codec", "SPC"}};
    for (const auto& [name, value] : values) EXPECT_STREQ(info.info_get(name), value) << name;
    EXPECT_DOUBLE_EQ(info.get_length(), 125.0);
}

TEST_F(info_test, artist_splitting) {
    auto artists = [&](const char* text) {
        return meta(info_of(spc_image_builder().text_form("", "1", "1", text).build()), "artist");
    };
    EXPECT_EQ(artists("A,B"), std::vector<std::string>{"A,B"});
    EXPECT_EQ(artists("A, , B"), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(artists("A, B, "), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(artists(", A"), std::vector<std::string>{"A"});
}

TEST_F(info_test, length_reported_only_with_a_limit) {
    cfg_force_length = 0;
    track_info_impl none = info_of(spc_image_builder().build());
    EXPECT_FALSE(none.has_length());
    EXPECT_EQ(none.info_get("spc_songlength"), nullptr);

    auto looped = spc_image_builder()
                      .xid6_word(0x30, 5 * 64000)
                      .xid6_word(0x31, 10 * 64000)
                      .xid6_value(0x35, 2)
                      .xid6_word(0x33, 3 * 64000)
                      .build();
    track_info_impl info = info_of(looped);
    EXPECT_DOUBLE_EQ(info.get_length(), 28.0);
    EXPECT_STREQ(info.info_get("spc_songlength"), "5000");
    EXPECT_EQ(info.info_get("spc_amplification"), nullptr);
}

}  // namespace
