#include "spc/tests/input_fixture.h"

namespace {

using xid6_test = input_fixture;
using bytes = std::vector<uint8_t>;

TEST_F(xid6_test, chunk_search_and_trailing_bytes) {
    EXPECT_EQ(tags_of(spc_image_builder().build()).trailing_bytes, 0u);
    auto short_tail = spc_image_builder().trailing(bytes(11, 'x')).build();
    EXPECT_EQ(tags_of(short_tail).trailing_bytes, 0u) << "too short to be searched";
    auto no_chunk = spc_image_builder().trailing(bytes(12, 'x')).build();
    EXPECT_EQ(tags_of(no_chunk).trailing_bytes, 12u);

    auto empty = spc_image_builder().xid6_declared_length(0).trailing(bytes(8, 0)).build();
    EXPECT_EQ(tags_of(empty).trailing_bytes, 8u);
    auto two_after = spc_image_builder().xid6_text(0x01, "Title").trailing({1, 2}).build();
    EXPECT_EQ(tags_of(two_after).trailing_bytes, 2u);
    auto overlong = spc_image_builder().xid6_text(0x01, "Title").xid6_declared_length(1000).build();
    const spc_tags& t = tags_of(overlong);
    EXPECT_EQ(t.trailing_bytes, 0u);
    EXPECT_EQ(t.title, "Title");
    auto negative = spc_image_builder().xid6_text(0x01, "Title").xid6_declared_length(0xFFFFFFF0).build();
    EXPECT_EQ(tags_of(negative).title, "");
    EXPECT_EQ(tags_of(negative).trailing_bytes, 12u + 16u);
}

TEST_F(xid6_test, texts_replace_id666_fields) {
    auto image = spc_image_builder()
                     .common("Short title", "Game", "Dumper", "Comment")
                     .xid6_text(0x01, "A much longer title than ID666 allows for")
                     .xid6_text(0x03, "Artist")
                     .xid6_text(0x10, "OST")
                     .xid6_text(0x13, "Publisher")
                     .xid6_text(0x04, "")
                     .build();
    const spc_tags& t = tags_of(image);
    EXPECT_EQ(t.title, "A much longer title than ID666 allows for");
    EXPECT_EQ(t.game, "Game");
    EXPECT_EQ(t.artist, "Artist");
    EXPECT_EQ(t.ost_title, "OST");
    EXPECT_EQ(t.publisher, "Publisher");
    EXPECT_EQ(t.dumper, "") << "an empty item stores an empty field";
}

TEST_F(xid6_test, numbers_dates_and_tracks) {
    auto image = spc_image_builder()
                     .xid6_word(0x05, 0x07D30C1F)
                     .xid6_value(0x06, 2)
                     .xid6_value(0x11, 2)
                     .xid6_value(0x12, 0x0541)
                     .xid6_value(0x14, 1995)
                     .xid6_value(0x34, 0x1FF)
                     .build();
    const spc_tags& t = tags_of(image);
    EXPECT_EQ(t.dump_date, "2003-12-31");
    EXPECT_EQ(t.dump_date_raw, 0x07D30C1Fu);
    EXPECT_EQ(t.emulator, "Snes9x");
    EXPECT_EQ(t.emulator_code, 2);
    EXPECT_EQ(t.ost_disc, "2");
    EXPECT_EQ(t.ost_track, "5A");
    EXPECT_EQ(t.copyright_year, "1995");
    EXPECT_EQ(t.muted_voices, 0xFF);

    EXPECT_EQ(tags_of(spc_image_builder().xid6_value(0x12, 0x0500).build()).ost_track, "5");
    EXPECT_EQ(tags_of(spc_image_builder().xid6_value(0x12, 0x0520).build()).ost_track, "");
    const spc_tags& odd = tags_of(spc_image_builder().xid6_value(0x06, 9).build());
    EXPECT_EQ(odd.emulator_code, 9);
    EXPECT_EQ(odd.emulator, "unknown") << "the ID666 name stays";
}

TEST_F(xid6_test, lengths_in_ticks) {
    auto image = spc_image_builder()
                     .xid6_word(0x30, 320000)
                     .xid6_word(0x31, 640000)
                     .xid6_word(0x32, static_cast<uint32_t>(-64001))
                     .xid6_word(0x33, 128000)
                     .build();
    const spc_tags& t = tags_of(image);
    EXPECT_EQ(t.intro_ms, 5000u);
    EXPECT_EQ(t.loop_ms, 10000u);
    EXPECT_EQ(t.end_ms, -1000);
    EXPECT_EQ(t.end_ticks, -64001);
    EXPECT_EQ(t.fade_ms, 2000u);
    EXPECT_EQ(t.intro_ticks, 320000u);
}

TEST_F(xid6_test, loop_count_and_amplification_limits) {
    const spc_tags& zero = tags_of(spc_image_builder().xid6_value(0x35, 0).build());
    EXPECT_EQ(zero.loop_count, 1u);
    EXPECT_EQ(zero.loop_count_raw, 0);
    const spc_tags& many = tags_of(spc_image_builder().xid6_value(0x35, 12).build());
    EXPECT_EQ(many.loop_count, 9u);
    EXPECT_EQ(many.loop_count_raw, 12);

    const spc_tags& value = tags_of(spc_image_builder().xid6_value(0x36, 16).build());
    EXPECT_EQ(value.amplification_raw, 0x10000u);
    EXPECT_EQ(value.amplification, 0x10000u);
    EXPECT_EQ(tags_of(spc_image_builder().xid6_word(0x36, 0x100).build()).amplification, 0x8000u);
    const spc_tags& text_typed = tags_of(spc_image_builder().xid6_item(0x36, 1, 4, {1, 2, 3, 4}).build());
    EXPECT_EQ(text_typed.amplification_raw, spc_tags::none32);
    EXPECT_EQ(text_typed.amplification, 0x80000u);
}

TEST_F(xid6_test, walk_steps_over_padded_data_and_later_items_win) {
    // Text of 5 bytes: the next header is 12 bytes on; type 0: 4 bytes on.
    auto image = spc_image_builder()
                     .xid6_text(0x01, "First")
                     .xid6_value(0x14, 1990)
                     .xid6_text(0x01, "Second")
                     .xid6_value(0x40, 7)
                     .xid6_text(0x22, "unknown item")
                     .xid6_value(0x14, 1991)
                     .build();
    const spc_tags& t = tags_of(image);
    EXPECT_EQ(t.title, "Second");
    EXPECT_EQ(t.copyright_year, "1991");
}

TEST_F(xid6_test, items_reaching_past_the_end_are_cut) {
    // A text whose length says 200 but the file ends after 3 of its bytes.
    auto text = spc_image_builder().xid6_item(0x01, 1, 200, {'A', 'B', 'C'}).build();
    text.resize(text.size() - 1);
    const spc_tags& t = tags_of(text);
    EXPECT_EQ(t.title, "ABC");
    EXPECT_EQ(t.trailing_bytes, 0u);

    // A word item whose data is missing changes nothing.
    EXPECT_EQ(tags_of(spc_image_builder().xid6_value(0x30, 0).build()).intro_ticks, spc_tags::none32);
    // A header cut in two ends the walk.
    auto cut = spc_image_builder().xid6_value(0x14, 1999).xid6_value(0x11, 3).build();
    cut.resize(cut.size() - 2);
    const spc_tags& c = tags_of(cut);
    EXPECT_EQ(c.copyright_year, "1999");
    EXPECT_EQ(c.ost_disc, "");
}

}  // namespace
