#include "spc/tests/input_fixture.h"

namespace {

using id666_test = input_fixture;

TEST_F(id666_test, text_form_fields) {
    auto image = spc_image_builder()
                     .common("Song", "Game", "Dumper", "Comment")
                     .text_form("03/15/1995", "245", "10000", "Artist", '2')
                     .build();
    const spc_tags& t = tags_of(image);
    EXPECT_EQ(t.title, "Song");
    EXPECT_EQ(t.game, "Game");
    EXPECT_EQ(t.dumper, "Dumper");
    EXPECT_EQ(t.comment, "Comment");
    EXPECT_EQ(t.artist, "Artist");
    EXPECT_EQ(t.dump_date, "1995-03-15");
    EXPECT_EQ(t.intro_ms, 245000u);
    EXPECT_EQ(t.fade_ms, 10000u);
    EXPECT_EQ(t.emulator, "Snes9x");
    EXPECT_EQ(t.emulator_code, spc_tags::none16) << "only the extended tag keeps raw values";
}

TEST_F(id666_test, text_form_numbers_are_read_like_atoi) {
    auto length_of = [&](const char* seconds, const char* fade) {
        const spc_tags& t = tags_of(spc_image_builder().text_form("", seconds, fade, "").build());
        return std::make_pair(t.intro_ms, t.fade_ms);
    };
    EXPECT_EQ(length_of("  9", "00500"), std::make_pair(9000u, 500u));
    EXPECT_EQ(length_of("abc", "x1"), std::make_pair(0u, 0u));
    EXPECT_EQ(length_of("12a", "+7"), std::make_pair(12000u, 7u));
    // A negative length is no length rather than a wrapped huge one.
    EXPECT_EQ(length_of("-5", "-100"), std::make_pair(0u, 0u));
}

TEST_F(id666_test, form_is_decided_by_byte_d2_alone) {
    // Binary-looking data with a digit at 0xD2 is text form.
    auto text = spc_image_builder().binary_form(5, 7, 2003, 300, 10000, "Artist", 1).byte(0xD2, '3').build();
    EXPECT_EQ(tags_of(text).emulator, "ZST2SPC");
    // A text-form tag whose emulator byte is NUL is binary form: its artist is at 0xB0.
    auto binary = spc_image_builder().text_form("", "1", "5000", "Artist", '0').byte(0xD2, 0).build();
    const spc_tags& t = tags_of(binary);
    EXPECT_EQ(t.intro_ms, uint32_t('1') * 1000);
    EXPECT_EQ(t.artist, "");
}

TEST_F(id666_test, binary_form_fields) {
    auto image = spc_image_builder().binary_form(5, 7, 2003, 300, 10000, "Artist", 2).byte(0xAB, 0x55).byte(0xAF, 0x66).build();
    const spc_tags& t = tags_of(image);
    EXPECT_EQ(t.dump_date, "2003-07-05");
    EXPECT_EQ(t.intro_ms, 300000u) << "0xAB is not part of the length";
    EXPECT_EQ(t.fade_ms, 10000u) << "0xAF is not part of the fade";
    EXPECT_EQ(t.artist, "Artist");
    EXPECT_EQ(t.emulator, "Snes9x");

    EXPECT_EQ(tags_of(spc_image_builder().binary_form(1, 1, 0, 0, 0, "", 9).build()).dump_date, "");
    EXPECT_EQ(tags_of(spc_image_builder().binary_form(1, 1, 10000, 0, 0, "", 9).build()).dump_date, "");
    EXPECT_EQ(tags_of(spc_image_builder().binary_form(1, 1, 1, 0, 0, "", 9).build()).emulator, "");
}

TEST_F(id666_test, text_fields_end_at_nul_or_field_width) {
    std::string full(32, 'T');
    auto image = spc_image_builder().put_text(0x2E, 32, full).put_text(0x4E, 32, std::string("Song\0junk", 9)).build();
    const spc_tags& t = tags_of(image);
    EXPECT_EQ(t.title, full.c_str());
    EXPECT_EQ(t.game, "Song");
    // Trailing spaces stay.
    EXPECT_EQ(tags_of(spc_image_builder().put_text(0x7E, 32, "Ocean  ").build()).comment, "Ocean  ");
}

TEST_F(id666_test, ansi_text_becomes_utf8) {
    auto image = spc_image_builder().put_text(0x6E, 16, "\xC5\xE4\xF6").build();
    EXPECT_EQ(tags_of(image).dumper, "\xC3\x85\xC3\xA4\xC3\xB6");
}

TEST_F(id666_test, text_form_date_with_missing_parts) {
    EXPECT_EQ(tags_of(spc_image_builder().text_form("12/31/1999", "1", "1", "").build()).dump_date, "1999-12-31");
    EXPECT_EQ(tags_of(spc_image_builder().text_form("1/2", "1", "1", "").build()).dump_date, "-1/-");
}

TEST_F(id666_test, short_files_read_their_missing_bytes_as_zero) {
    auto image = spc_image_builder().common("Short", "", "", "").text_form("", "60", "", "A").build();
    image.resize(0xB2);
    const spc_tags& t = tags_of(image);
    EXPECT_EQ(t.title, "Short");
    EXPECT_EQ(t.emulator, "unknown") << "0xD2 lies past the end and reads as 0: binary form, code 0";
    EXPECT_EQ(t.artist, "") << "so the artist is looked for at 0xB0";
    image.resize(28);
    EXPECT_EQ(tags_of(image).title, "");
}

}  // namespace
